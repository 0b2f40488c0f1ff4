// The one road every page exchange takes: the wait cursor, the record operation, a settling
// wait still under the wait cursor, the normal cursor again, and "Ei vastaa" when the device
// did not answer. The same box serves reads and writes; success shows nothing.
#pragma once

#include <utility>

#include "controls/Ui.h"
#include "protocol/PanelContext.h"
#include "protocol/Waits.h"
#include "resources/resource.h"

namespace pd {

// Runs `operation` (a record operation returning true on success) on the page road and
// returns what it returned.
template <typename Operation>
bool RunPageExchange(PanelContext& context, Ui& ui, Operation&& operation) {
    bool done = false;
    {
        WaitCursor wait(ui);
        done = ExchangeThenSettle(context.os, std::forward<Operation>(operation));
    }
    if (!done) ui.ShowErrorBox(IDS_NO_RESPONSE);
    return done;
}

}  // namespace pd
