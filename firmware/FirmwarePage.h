// The Firmware update page: the device's versions, the image file and its download.
#pragma once

#include "controls/PropertyPage.h"

namespace pd {

struct PanelContext;
class Ui;

class CFwUp : public CPropertyPage {
public:
    CFwUp(PanelContext& context, Ui& ui);

protected:
    PanelContext& context_;
    Ui& ui_;
};

}  // namespace pd
