// The Advanced page: the writable options of the device's system record.
#pragma once

#include "controls/PropertyPage.h"

namespace pd {

struct PanelContext;
class Ui;

class CAdvanced : public CPropertyPage {
public:
    CAdvanced(PanelContext& context, Ui& ui);

protected:
    PanelContext& context_;
    Ui& ui_;
};

}  // namespace pd
