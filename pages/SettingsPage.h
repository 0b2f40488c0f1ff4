// The Settings page: the device's fax and paper settings (the fax-settings record) as lists,
// check boxes, the power-save pair and four number fields with arrows. The stored record
// follows every change the user makes, so "&Käytä" sends the record as it stands.
#pragma once

#include <array>
#include <string>

#include "controls/PropertyPage.h"
#include "win32/TextMode.h"

namespace pd {

struct PanelContext;
class Ui;

class CSettings : public CPropertyPage {
public:
    CSettings(PanelContext& context, Ui& ui);

    // Reads the settings and, when the device answered, shows them.
    void Refresh();
    // Sends the stored record.
    void Apply();

    static constexpr int kListCount = 6;
    static constexpr int kCheckCount = 6;
    static constexpr int kNumberCount = 4;

protected:
    bool OnInit() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnCommand(int code, int id, HWND control) override;
    bool OnButtonClicked(int id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void ShowRecord();
    void CopyPageToRecord();
    void ClampNumbers();
    void StepNumber(int arrowsId, int scrollCode);
    void EnableMinutesList();

    PanelContext& context_;
    Ui& ui_;
    // The page's values, one per control, in the order of the tables in SettingsPage.cpp:
    // list positions (-1 for none), check states, the power-save radio position (0 "Ei",
    // 1 "On") with the minutes list's position, and the number fields' texts.
    std::array<int, kListCount> lists_{};
    std::array<int, kCheckCount> checks_{};
    int powerSaveRadio_ = 0;
    int powerSaveMinutes_ = 0;
    std::array<tstring, kNumberCount> numbers_;
};

}  // namespace pd
