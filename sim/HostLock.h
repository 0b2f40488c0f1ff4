// The lock that the simulator's serving threads share the virtual device under.
//
// The Windows builds use the compilers' win32 thread model, which keeps the thread library
// out of the shipped programs but whose C++ library has no std::mutex: there the lock is the
// system's critical section, elsewhere std::mutex. It fits std::lock_guard either way.
#pragma once

#include <memory>

namespace pd::sim {

class HostLock {
public:
    HostLock();
    ~HostLock();
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

    void lock();
    void unlock();

private:
    struct Section;
    std::unique_ptr<Section> section_;
};

}  // namespace pd::sim
