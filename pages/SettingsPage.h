// The Settings page: the device's fax and paper settings (the fax-settings record).
#pragma once

#include "controls/PropertyPage.h"

namespace pd {

struct PanelContext;
class Ui;

class CSettings : public CPropertyPage {
public:
    CSettings(PanelContext& context, Ui& ui);

protected:
    PanelContext& context_;
    Ui& ui_;
};

}  // namespace pd
