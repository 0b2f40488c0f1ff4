// The Information page: the device's identity, versions, free memory and counters, read-only.
// It reads the device when it is first shown and whenever "Virkistä" is pressed.
#pragma once

#include <array>
#include <string>

#include "controls/PropertyPage.h"
#include "win32/TextMode.h"

namespace pd {

struct PanelContext;
class Ui;

class CInfo : public CPropertyPage {
public:
    CInfo(PanelContext& context, Ui& ui);

    // Reads the system record and, when the device answered, shows it.
    void Refresh();

    // The value fields: model, four versions, free memory and six counters.
    static constexpr int kValueCount = 12;

protected:
    bool OnInit() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnButtonClicked(int id) override;

private:
    PanelContext& context_;
    Ui& ui_;
    std::array<tstring, kValueCount> texts_;
};

}  // namespace pd
