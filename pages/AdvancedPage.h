// The Advanced page: the writable options of the device's system record in filtering edits,
// drop-down lists and check boxes. "&Virkistä" reads the device again (and discards unsaved
// edits); "&Käytä" copies the page into the record and sends it.
#pragma once

#include <array>
#include <string>

#include "controls/FilterEdit.h"
#include "controls/PropertyPage.h"
#include "win32/TextMode.h"

namespace pd {

struct PanelContext;
class Ui;

class CAdvanced : public CPropertyPage {
public:
    CAdvanced(PanelContext& context, Ui& ui);

    // Reads the system record; shows the record whether or not the device answered.
    void Refresh();
    // Copies the page into the record's writable fields and sends them.
    void Apply();

    static constexpr int kTextCount = 7;
    static constexpr int kListCount = 7;
    static constexpr int kCheckCount = 4;

protected:
    bool OnInit() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnCommand(int code, int id, HWND control) override;
    bool OnButtonClicked(int id) override;

private:
    void ToggleCheck(HWND box);

    PanelContext& context_;
    Ui& ui_;
    std::array<CFilterEdit, kTextCount> edits_;
    // The page's values, in the order of the tables in AdvancedPage.cpp: the edits' texts,
    // the lists' positions (-1 for none) and the check boxes' states (0, 1, 2 indeterminate).
    std::array<tstring, kTextCount> texts_;
    std::array<int, kListCount> lists_{};
    std::array<int, kCheckCount> checks_{};
};

}  // namespace pd
