#include "firmware/FirmwarePage.h"

#include "protocol/PanelContext.h"
#include "resources/resource.h"

namespace pd {

CFwUp::CFwUp(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_FIRMWARE), context_(context), ui_(ui) {}

}  // namespace pd
