// The item lists of a dialog template's drop-down lists, kept beside the template as its
// initialisation data (resource type RT_DIALOG_LISTS under the template's id).
//
// Layout: for each list, its control id as one 16-bit word followed by its items as
// UTF-16 strings, each ended by a zero, the last one followed by an empty string; a control
// id of 0 ends the block. The dialog base loads the lists before the dialog's own
// initialisation runs, in the order written, so that the device byte of a list is the
// position of its item.
#pragma once

#include <windows.h>

namespace pd {

// Adds the items to the dialog's combo boxes and list boxes; returns how many lists were
// filled (0 when the template has no such data). Malformed data stops the loading.
int LoadDialogLists(HWND dialog, int templateId);

}  // namespace pd
