#include "phonebook/PhonebookPage.h"

#include "app/PhonebookMenu.h"
#include "protocol/PanelContext.h"
#include "resources/resource.h"

namespace pd {

CPhonebook::CPhonebook(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_PHONEBOOK), context_(context), ui_(ui) {}

bool CPhonebook::OnSetActive() {
    EnablePhonebookMenu(hwnd(), true);
    return true;
}

bool CPhonebook::OnKillActive() {
    EnablePhonebookMenu(hwnd(), false);
    return true;
}

void CPhonebook::OnOpenPhonebookCommand() {}

void CPhonebook::OnSavePhonebookCommand() {}

}  // namespace pd
