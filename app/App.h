// The run of the program: start-up (one copy only, the port reservation, the phonebook
// storage, the route to the device and the proof that it answers), the main window, and the
// shutdown that gives the port back on every way out.
#pragma once

#include "link/PortReservation.h"
#include "protocol/PanelContext.h"

namespace pd {

class Os;
class Ui;

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
    Outcome StartUp(PortReservation& reservation);
    bool ActivateRunningCopy();

    Ui& ui_;
    PanelContext context_;
    Outcome outcome_ = Outcome::Aborted;
};

}  // namespace pd
