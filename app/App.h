// The run of the program: start-up (one copy only, the port reservation, the phonebook
// storage, the route to the device and the proof that it answers), the main window, and the
// shutdown that gives the port back on every way out.
#pragma once

#include "protocol/PanelContext.h"

namespace pd {

class Os;
class Ui;

// The port identifier the program reserves against the maker's scanner driver.
inline constexpr int kReservedPort = kSharedPortId;

class CPanelApp {
public:
    // How the start-up ended.
    enum class Outcome {
        OtherCopyActivated,  // a running copy was brought forward instead
        PortReserved,        // someone else holds the port
        Aborted,             // the device did not answer and the user chose Abort
        MainWindowClosed,    // the main window ran and was closed
    };

    CPanelApp(Os& os, Ui& ui);

    // Start-up, then shutdown; returns the program's exit code.
    int Run();

    Outcome outcome() const { return outcome_; }
    PanelContext& context() { return context_; }

private:
    Outcome StartUp();
    int ShutDown();
    bool ActivateRunningCopy();
    bool ProbeTwice();
    // Link selection and probing with the USB fallback and the user's Abort, Retry or
    // Ignore; false when the user chose Abort.
    bool FindDevice();

    Ui& ui_;
    PanelContext context_;
    Outcome outcome_ = Outcome::Aborted;
};

}  // namespace pd
