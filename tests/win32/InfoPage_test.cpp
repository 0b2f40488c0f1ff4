// The Information page on its real template, over the virtual device: the read when it is
// first shown and on "Virkistä", the texts and number formats, and a device that does not
// answer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pages/InfoPage.h"
#include "resources/resource.h"
#include "support/PageTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using test::ItemText;
using Kind = UiEvent::Kind;

const sim::Bytes kSystemRead = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x40};

// The twelve value fields in the page's order.
const int kValueFields[] = {
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

// Reply offsets of the six counters, in the page's order.
const int kCounterOffsets[] = {123, 127, 131, 135, 139, 143};

class InfoPageTest : public ::testing::Test, public test::PageMachine {
protected:
    void Open() { ASSERT_TRUE(sheet.Open(page)); }
    HWND hwnd() const { return page.hwnd(); }
    std::vector<tstring> Values() const {
        std::vector<tstring> values;
        for (int id : kValueFields) values.push_back(ItemText(hwnd(), id));
        return values;
    }
    void PressRefresh() { test::Click(hwnd(), IDC_INFO_REFRESH); }
    void SetCounter(int offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            SystemByte(offset + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
        }
    }

    CInfo page{context, ui};
    test::PageSheet sheet;
};

TEST_F(InfoPageTest, FirstShowingReadsTheDeviceAndShowsEveryValueAsStored) {
    Open();

    EXPECT_EQ(device.ReceivedFrames(), std::vector<sim::Bytes>{kSystemRead});
    const std::vector<tstring> expected = {
        TEXT("Ostrex MF 40") + tstring(20, TEXT(' ')),
        TEXT("1.12 "),
        TEXT("2.03 "),
        TEXT("PCL 5e 1.04    "),
        TEXT("GDI 2.10       "),
        TEXT(" 87 % "),
        TEXT("1520"),
        TEXT("3342"),
        TEXT("12874"),
        TEXT("9110"),
        TEXT("17"),
        TEXT("42"),
    };
    EXPECT_EQ(Values(), expected) << "texts keep their trailing spaces";
    EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
    EXPECT_EQ(ItemText(hwnd(), IDC_INFO_REFRESH), ShownText(L"Virkistä"));
}

// The page road: the read and the settling wait both under the wait cursor, 1000 + 500 ms of
// the device's clock, and the box only after the normal cursor is back.
TEST_F(InfoPageTest, RefreshWaitsUnderTheWaitCursorAndComplainsOnlyAfterIt) {
    Open();
    device.faults.silent = true;
    ui.Clear();
    const std::uint64_t start = os.elapsed();
    int waitDepthAtBox = -1;
    ui.onMessageBox = [&](const UiEvent&) { waitDepthAtBox = ui.waitDepth(); };

    PressRefresh();

    const std::uint64_t spent = os.elapsed() - start;
    EXPECT_GE(spent, 1500u);
    EXPECT_LE(spent, 1500u + 10u) << "no wait beyond the exchange's and the settling one";
    const auto& events = ui.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, Kind::WaitOn);
    EXPECT_EQ(events[1].kind, Kind::WaitOff);
    EXPECT_EQ(events[2].kind, Kind::MessageBox);
    EXPECT_EQ(waitDepthAtBox, 0);
    EXPECT_EQ(events[2].text, TEXT("Ei vastaa"));
    EXPECT_EQ(events[2].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(InfoPageTest, ShowsFreeMemoryAndCountersAsUnsignedNumbers) {
    Open();
    const struct {
        std::uint8_t freeMemory;
        std::uint32_t counter;
        const TCHAR* memoryText;
        const TCHAR* counterText;
    } cases[] = {
        {0, 0, TEXT(" 0 % "), TEXT("0")},
        {255, 0x00010000, TEXT(" 255 % "), TEXT("65536")},
        {100, 0x7FFFFFFF, TEXT(" 100 % "), TEXT("2147483647")},
        {1, 0x80000000, TEXT(" 1 % "), TEXT("2147483648")},
        {87, 0xFFFFFFFF, TEXT(" 87 % "), TEXT("4294967295")},
    };
    for (const auto& c : cases) {
        SystemByte(122) = c.freeMemory;
        for (int offset : kCounterOffsets) SetCounter(offset, c.counter);
        PressRefresh();
        EXPECT_EQ(ItemText(hwnd(), IDC_INFO_FREE_MEMORY), c.memoryText);
        for (int id : {IDC_INFO_PLATEN_SCANS, IDC_INFO_FEEDER_SCANS, IDC_INFO_PRINTS,
                       IDC_INFO_DRUM_COUNT, IDC_INFO_DOCUMENT_JAMS, IDC_INFO_PAPER_JAMS}) {
            EXPECT_EQ(ItemText(hwnd(), id), c.counterText) << "field " << id;
        }
    }
    // Each counter lands in its own field.
    for (int i = 0; i < 6; ++i) {
        SetCounter(kCounterOffsets[i], 100u + static_cast<std::uint32_t>(i));
    }
    PressRefresh();
    const std::vector<tstring> values = Values();
    EXPECT_EQ(std::vector<tstring>(values.begin() + 6, values.end()),
              (std::vector<tstring>{TEXT("100"), TEXT("101"), TEXT("102"), TEXT("103"), TEXT("104"),
                                    TEXT("105")}));
}

// Device texts are Windows-1252 bytes whatever the system's code page; a text the device
// fills to the field's end is shown whole.
TEST_F(InfoPageTest, ShowsDeviceTextsInTheirOwnCodePage) {
    Open();
    PutSystemText(10, 32, "M\xC4\xD6 \x80 \xE9");
    PutSystemText(82, 5, "V1.0\xB0");
    PutSystemText(92, 15, "123456789012345");
    PutSystemText(107, 15, "");
    PressRefresh();
    EXPECT_EQ(ItemText(hwnd(), IDC_INFO_MODEL), ShownText(L"MÄÖ € é") + tstring(25, TEXT(' ')));
    EXPECT_EQ(ItemText(hwnd(), IDC_INFO_FIRMWARE_VERSION), ShownText(L"V1.0°"));
    EXPECT_EQ(ItemText(hwnd(), IDC_INFO_EMULATION1_VERSION), TEXT("123456789012345"));
    EXPECT_EQ(ItemText(hwnd(), IDC_INFO_EMULATION2_VERSION), tstring(15, TEXT(' ')));
}

TEST_F(InfoPageTest, DeviceSilentAtFirstShowingComplainsOnceAndLeavesTheFieldsEmpty) {
    for (auto fault : {+[](sim::VirtualDevice& d) { d.faults.silent = true; },
                       +[](sim::VirtualDevice& d) { d.faults.replyLimit = 4; },
                       +[](sim::VirtualDevice& d) { d.faults.replyHeaderLength = 0; }}) {
        test::PageMachine machine;
        fault(machine.device);
        CInfo info(machine.context, machine.ui);
        test::PageSheet host;
        ASSERT_TRUE(host.Open(info));
        EXPECT_EQ(machine.BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")});
        for (int id : kValueFields) {
            EXPECT_EQ(ItemText(info.hwnd(), id), TEXT(""))
                << "field " << id << " shows a placeholder";
        }
    }
}

// No answer, or a reply short of the whole block: the fields keep the last good read rather
// than showing blanks and zeros for what did not arrive.
TEST_F(InfoPageTest, FailedRefreshKeepsTheLastGoodValues) {
    Open();
    const std::vector<tstring> good = Values();
    SystemByte(122) = 12;
    const struct {
        const char* what;
        bool silent;
        std::size_t replyLimit;
    } faults[] = {
        {"no answer", true, 0},
        {"5 bytes", false, 5},
        {"268 of 269 bytes", false, 268},
    };
    for (const auto& fault : faults) {
        device.faults = {};
        device.faults.silent = fault.silent;
        if (fault.replyLimit != 0) device.faults.replyLimit = fault.replyLimit;
        ui.Clear();
        PressRefresh();
        EXPECT_EQ(Values(), good) << fault.what;
        EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")}) << fault.what;
    }

    device.faults = {};
    ui.Clear();
    PressRefresh();
    EXPECT_EQ(ItemText(hwnd(), IDC_INFO_FREE_MEMORY), TEXT(" 12 % "));
    EXPECT_EQ(ui.Count(Kind::MessageBox), 0) << "a good refresh shows nothing";
    EXPECT_EQ(device.ReceivedFrames().size(), 5u) << "one read per showing or press";
}

}  // namespace
}  // namespace pd
