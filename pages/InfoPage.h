// The Information page: the device's identity, versions, free memory and counters.
#pragma once

#include "controls/PropertyPage.h"

namespace pd {

struct PanelContext;
class Ui;

class CInfo : public CPropertyPage {
public:
    CInfo(PanelContext& context, Ui& ui);

protected:
    PanelContext& context_;
    Ui& ui_;
};

}  // namespace pd
