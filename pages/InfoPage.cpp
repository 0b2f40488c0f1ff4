#include "pages/InfoPage.h"

#include "protocol/PanelContext.h"
#include "resources/resource.h"

namespace pd {

CInfo::CInfo(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_INFO), context_(context), ui_(ui) {}

}  // namespace pd
