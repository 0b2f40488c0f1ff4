// An OS seam that hands every call to another one, and lets the firmware command take the
// device's long initialisation wait in one-second steps, so that it can count down.
#pragma once

#include <functional>

#include "platform/ForwardingOs.h"

namespace pd::ctl {

class SleepWatchingOs : public ForwardingOs {
public:
    using ForwardingOs::ForwardingOs;

    // When set, every sleep goes to it instead (it sleeps through inner()).
    std::function<void(std::uint32_t)> onSleep;

    void Sleep(std::uint32_t milliseconds) override {
        if (onSleep) {
            onSleep(milliseconds);
        } else {
            ForwardingOs::Sleep(milliseconds);
        }
    }
};

}  // namespace pd::ctl
