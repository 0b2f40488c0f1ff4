#include "pages/SettingsPage.h"

#include "protocol/PanelContext.h"
#include "resources/resource.h"

namespace pd {

CSettings::CSettings(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_SETTINGS), context_(context), ui_(ui) {}

}  // namespace pd
