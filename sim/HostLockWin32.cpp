#include <windows.h>

#include "sim/HostLock.h"

namespace pd::sim {

struct HostLock::Section {
    Section() { InitializeCriticalSection(&section); }
    ~Section() { DeleteCriticalSection(&section); }
    CRITICAL_SECTION section;
};

HostLock::HostLock() : section_(std::make_unique<Section>()) {}
HostLock::~HostLock() = default;
void HostLock::lock() { EnterCriticalSection(&section_->section); }
void HostLock::unlock() { LeaveCriticalSection(&section_->section); }

}  // namespace pd::sim
