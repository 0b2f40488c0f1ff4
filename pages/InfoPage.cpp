#include "pages/InfoPage.h"

#include <cstdint>
#include <iterator>
#include <string>

#include "controls/DataExchange.h"
#include "controls/DeviceText.h"
#include "controls/Strings.h"
#include "pages/PageExchange.h"
#include "protocol/PanelContext.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

// The value fields, in the order the page keeps their texts.
constexpr int kValueControls[] = {
    IDC_INFO_MODEL,
    IDC_INFO_FIRMWARE_VERSION,
    IDC_INFO_ENGINE_VERSION,
    IDC_INFO_EMULATION1_VERSION,
    IDC_INFO_EMULATION2_VERSION,
    IDC_INFO_FREE_MEMORY,
    IDC_INFO_PLATEN_SCANS,
    IDC_INFO_FEEDER_SCANS,
    IDC_INFO_PRINTS,
    IDC_INFO_DRUM_COUNT,
    IDC_INFO_DOCUMENT_JAMS,
    IDC_INFO_PAPER_JAMS,
};
static_assert(std::size(kValueControls) == CInfo::kValueCount);

// A space, the number, a space, the per-cent sign and a space: " 87 % ".
tstring FreeMemoryText(std::uint8_t percent) {
    return TEXT(" ") + ToTString(percent) + LoadResString(IDS_PERCENT_SUFFIX) + TEXT(" ");
}

// The counters are unsigned 32-bit on the wire; they are shown as such, never negative.
tstring CounterText(std::uint32_t count) { return ToTString(count); }

}  // namespace

CInfo::CInfo(PanelContext& context, Ui& ui) : CPropertyPage(IDD_INFO), context_(context), ui_(ui) {}

bool CInfo::OnInit() {
    // The template's placeholders give way to the empty texts first, so a device that does
    // not answer leaves the fields empty.
    CPropertyPage::OnInit();
    Refresh();
    return true;
}

void CInfo::DoDataExchange(DataExchange& exchange) {
    for (int i = 0; i < kValueCount; ++i) exchange.Text(kValueControls[i], texts_[i]);
}

bool CInfo::OnButtonClicked(int id) {
    if (id != IDC_INFO_REFRESH) return false;
    Refresh();
    return true;
}

void CInfo::Refresh() {
    SystemRecord& record = context_.store.system;
    if (!RunPageExchange(context_, ui_, [&] { return ReadSystemRecord(context_.link, record); })) {
        return;
    }
    texts_ = {
        FromDeviceText(record.modelName),         FromDeviceText(record.firmwareVersion),
        FromDeviceText(record.engineVersion),     FromDeviceText(record.emulation1Version),
        FromDeviceText(record.emulation2Version), FreeMemoryText(record.freeMemoryPercent),
        CounterText(record.platenScanCount),      CounterText(record.feederScanCount),
        CounterText(record.printCount),           CounterText(record.drumCount),
        CounterText(record.documentJamCount),     CounterText(record.paperJamCount),
    };
    UpdateData(false);
}

}  // namespace pd
