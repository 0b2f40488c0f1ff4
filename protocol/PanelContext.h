// Everything that lives for the whole run: the link to the device, the device-data store and
// the phonebook table. The program makes one at start-up; every test makes its own.
#pragma once

#include <memory>

#include "link/DeviceLink.h"
#include "protocol/DeviceDataStore.h"
#include "protocol/PhonebookTable.h"

namespace pd {

struct PanelContext {
    explicit PanelContext(Os& system) : os(system), link(system) {}

    // Allocates the phonebook storage from the store's counts (after the port is reserved).
    void AllocatePhonebook() {
        phonebook = std::make_unique<PhonebookTable>(store.speedDialCount, store.oneTouchCount);
    }

    Os& os;
    DeviceLink link;
    DeviceDataStore store;
    std::unique_ptr<PhonebookTable> phonebook;
};

}  // namespace pd
