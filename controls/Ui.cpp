#include "controls/Ui.h"

#include "controls/Strings.h"
#include "resources/resource.h"

namespace pd {

int Ui::ShowMessage(HWND owner, UINT textId, UINT flags) {
    return ShowMessage(owner, LoadResString(textId), LoadResString(IDS_TITLE), flags);
}

int Ui::ShowErrorBox(UINT textId) {
    return ShowMessage(MainWindow(), textId, MB_OK | MB_ICONERROR);
}

}  // namespace pd
