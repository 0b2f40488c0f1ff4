#include "pages/AdvancedPage.h"

#include "protocol/PanelContext.h"
#include "resources/resource.h"

namespace pd {

CAdvanced::CAdvanced(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_ADVANCED), context_(context), ui_(ui) {}

}  // namespace pd
