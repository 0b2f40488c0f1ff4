#include <mutex>

#include "sim/HostLock.h"

namespace pd::sim {

struct HostLock::Section {
    std::mutex mutex;
};

HostLock::HostLock() : section_(std::make_unique<Section>()) {}
HostLock::~HostLock() = default;
void HostLock::lock() { section_->mutex.lock(); }
void HostLock::unlock() { section_->mutex.unlock(); }

}  // namespace pd::sim
