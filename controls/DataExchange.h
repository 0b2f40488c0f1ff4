// Moving a dialog's values into its controls and back, one call per bound control. The same
// DoDataExchange serves both directions: `saving()` tells which one is running.
#pragma once

#include <windows.h>

#include <string>

#include "win32/TextMode.h"

namespace pd {

class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    bool saving() const { return saving_; }
    HWND dialog() const { return dialog_; }

    // An edit's or static's text.
    void Text(int id, tstring& value);
    // A check box: 0 clear, 1 ticked, 2 the third (indeterminate) state. Shown values outside
    // 0..2 show clear.
    void Check(int id, int& value);
    // A radio group given by its first button: the position of the checked button among the
    // group's radio buttons (up to the next control that starts a group), -1 when none is.
    void Radio(int firstId, int& value);
    // A drop-down list: the selected position from 0, -1 for none. A shown value outside the
    // list leaves the list without a selection.
    void ComboPosition(int id, int& value);

private:
    HWND dialog_;
    bool saving_;
};

// The text of any window.
tstring WindowText(HWND window);

}  // namespace pd
