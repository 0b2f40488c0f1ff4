// The Advanced page on its real template, over the virtual device: the read on first showing
// and on "&Virkistä" (trimming the texts, and discarding unsaved edits even when it fails),
// the edits' limits and filters, list values beyond their lists, the third state of the check
// boxes, and "&Käytä" sending the frame built from the controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "pages/AdvancedPage.h"
#include "resources/resource.h"
#include "support/PageTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using namespace std::string_literals;
using test::Checked;
using test::Click;
using test::ItemText;
using test::Pick;
using test::Selected;
using test::Type;
using test::TypeOver;

const sim::Bytes kSystemRead = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x40};
const std::string kWriteHeader = "\x1B\xA4\x00\xA7\x50\xE0\x82\xC2\x40"s;

std::string Pad(std::string_view text, std::size_t width) {
    std::string field(text);
    field.resize(width, ' ');
    return field;
}

sim::Bytes Wire(const std::string& text) { return sim::Bytes(text.begin(), text.end()); }

// The frame the device should get for its system block as it stands: the header, then the
// block's writable runs (reply bytes 42..81 and 147..268).
sim::Bytes FrameOf(const std::array<std::uint8_t, 265>& block) {
    sim::Bytes frame = Wire(kWriteHeader);
    const auto at = [&](int replyOffset) { return block.begin() + (replyOffset - 4); };
    frame.resize(9 + 40 + 122);
    std::copy(at(42), at(82), frame.begin() + 9);
    std::copy(at(147), at(269), frame.begin() + 49);
    return frame;
}

struct EditField {
    int id;
    int replyOffset;
    int width;
};
const EditField kDeviceIdName{IDC_ADV_DEVICE_ID_NAME, 62, 20};
const EditField kDeviceIdNumber{IDC_ADV_DEVICE_ID_NUMBER, 42, 20};
const EditField kCustomerName{IDC_ADV_CUSTOMER_NAME, 163, 20};
const EditField kCustomerNumber{IDC_ADV_CUSTOMER_NUMBER, 183, 20};
const EditField kServiceNumber{IDC_ADV_SERVICE_NUMBER, 203, 46};
const EditField kSerialNumber{IDC_ADV_SERIAL_NUMBER, 249, 20};
const EditField kNumberPrefix{IDC_ADV_NUMBER_PREFIX, 148, 5};
const EditField kEdits[] = {kDeviceIdName,  kDeviceIdNumber, kCustomerName, kCustomerNumber,
                            kServiceNumber, kSerialNumber,   kNumberPrefix};

const int kListIds[] = {IDC_ADV_RECEIVE_MODE, IDC_ADV_SPEAKER_MODE, IDC_ADV_RING_VOLUME,
                        IDC_ADV_USB_MODE,     IDC_ADV_DUPLEX_FAX,   IDC_ADV_LANGUAGE,
                        IDC_ADV_IMAGE_QUALITY};
const int kCheckIds[] = {IDC_ADV_ALARM_SOUND, IDC_ADV_KEY_SOUND, IDC_ADV_TONER_SAVE,
                         IDC_ADV_TONER_NOTICE};

class AdvancedPageTest : public ::testing::Test, public test::PageMachine {
protected:
    void Open() { ASSERT_TRUE(sheet.Open(page)); }
    HWND hwnd() const { return page.hwnd(); }
    tstring Shown(const EditField& edit) const { return ItemText(hwnd(), edit.id); }
    void PutText(const EditField& edit, std::string_view text) {
        PutSystemText(edit.replyOffset, edit.width, text);
    }

    CAdvanced page{context, ui};
    test::PageSheet sheet;
};

TEST_F(AdvancedPageTest, FirstShowingReadsTheDeviceAndShowsTheOptionsTrimmed) {
    Open();

    EXPECT_EQ(device.ReceivedFrames(), std::vector<sim::Bytes>{kSystemRead});
    const struct {
        EditField edit;
        const TCHAR* shown;
    } texts[] = {
        {kDeviceIdName, TEXT("VELTRA")},
        {kDeviceIdNumber, TEXT("0981234567")},
        {kCustomerName, TEXT("")},
        {kCustomerNumber, TEXT("")},
        {kServiceNumber, TEXT("")},
        {kNumberPrefix, TEXT("")},
        {kSerialNumber, TEXT("OMF40-0012345")},
    };
    for (const auto& text : texts) EXPECT_EQ(Shown(text.edit), text.shown) << text.edit.id;
    const int positions[] = {1, 1, 5, 0, 0, 9, 0};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Selected(hwnd(), kListIds[i]), positions[i]) << i;
    const int states[] = {1, 1, 0, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Checked(hwnd(), kCheckIds[i]), states[i]) << i;

    const SystemRecord& record = context.store.system;
    EXPECT_EQ(std::string(record.deviceIdName, sizeof record.deviceIdName),
              "VELTRA"s + std::string(15, '\0'))
        << "the record keeps the trimmed text";
    EXPECT_EQ(std::string(record.numberPrefix, sizeof record.numberPrefix), std::string(6, '\0'));
    EXPECT_EQ(std::string(record.modelName), "Ostrex MF 40" + std::string(20, ' '))
        << "only the writable texts are trimmed";
    EXPECT_EQ(ui.Count(UiEvent::Kind::MessageBox), 0);
}

TEST_F(AdvancedPageTest, EditsTakeAsManyCharactersAsTheirFieldsAreWide) {
    Open();
    for (const EditField& edit : kEdits) {
        EXPECT_EQ(::SendDlgItemMessage(hwnd(), edit.id, EM_GETLIMITTEXT, 0, 0), edit.width);
        TypeOver(hwnd(), edit.id, tstring(static_cast<std::size_t>(edit.width) + 1, TEXT('1')));
        EXPECT_EQ(Shown(edit), tstring(static_cast<std::size_t>(edit.width), TEXT('1')))
            << "edit " << edit.id << " took a character beyond its field";
    }
}

// Typing as the user does: each edit lets in its own characters in capitals and beeps for
// the rest, inserting nothing.
TEST_F(AdvancedPageTest, EditsFilterTypedCharactersByTheirMode) {
    Open();
    const struct {
        EditField edit;
        tstring typed;
        tstring shown;
        int beeps;
    } cases[] = {
        {kDeviceIdName, TEXT("oy ab-1"), TEXT("OY AB-1"), 0},
        {kDeviceIdName, TEXT("x!y"), TEXT("XY"), 1},
        {kDeviceIdNumber, TEXT("+358 9x"), TEXT("+358 9"), 1},
        {kCustomerName, ShownText(L"m\u00e4tti"), ShownText(L"M\u00c4TTI"), 0},
        {kCustomerNumber, TEXT("12a#*p"), TEXT("12#*P"), 1},
        {kCustomerNumber, TEXT("Pp"), TEXT("PP"), 0},
        {kServiceNumber, TEXT("0800 1-2"), TEXT("080012"), 2},
        {kSerialNumber, TEXT("sn/1.2"), TEXT("SN/1.2"), 0},
        {kNumberPrefix, TEXT("0 9"), TEXT("09"), 1},
    };
    for (const auto& c : cases) {
        ::SetWindowText(page.Item(c.edit.id), TEXT(""));
        const int before = Beeps();
        Type(hwnd(), c.edit.id, c.typed);
        EXPECT_EQ(Shown(c.edit), c.shown) << "edit " << c.edit.id;
        EXPECT_EQ(Beeps() - before, c.beeps) << "edit " << c.edit.id;
    }
}

TEST_F(AdvancedPageTest, ApplySendsExactlyTheFrameBuiltFromTheControls) {
    Open();
    TypeOver(hwnd(), kDeviceIdName.id, TEXT("oy ab"));
    TypeOver(hwnd(), kDeviceIdNumber.id, TEXT("+358 9 1234"));
    TypeOver(hwnd(), kCustomerName.id, ShownText(L"m\u00e4tti"));
    TypeOver(hwnd(), kCustomerNumber.id, TEXT("0401234"));
    TypeOver(hwnd(), kServiceNumber.id, TEXT("0800*12#"));
    TypeOver(hwnd(), kNumberPrefix.id, TEXT("9p"));
    const int positions[] = {3, 2, 10, 1, 2, 0, 2};
    for (int i = 0; i < 7; ++i) Pick(hwnd(), kListIds[i], positions[i]);
    for (int id : kCheckIds) Click(hwnd(), id);
    const std::uint64_t start = os.elapsed();

    Click(hwnd(), IDC_ADV_APPLY);

    const std::string expected = kWriteHeader + Pad("+358 9 1234", 20) +  //   9 deviceIdNumber
                                 Pad("OY AB", 20) +                       //  29 deviceIdName
                                 "\x03"s +                                //  49 receiveMode
                                 Pad("9P", 5) +                           //  50 numberPrefix
                                 "\x0A\x00\x00\x02\x00\x01\x01\x02\x02\x01"s +  // 55..64
                                 Pad("M\xC4TTI", 20) +                          //  65 customerName
                                 Pad("0401234", 20) +       //  85 customerNumber
                                 Pad("0800*12#", 46) +      // 105 serviceNumber
                                 Pad("OMF40-0012345", 20);  // 151 serialNumber
    ASSERT_EQ(expected.size(), 171u);
    EXPECT_EQ(LastFrame(), Wire(expected));
    EXPECT_EQ(FrameCount(), 2u) << "no read-back after the write";
    EXPECT_EQ(FrameOf(device.state.systemData), Wire(expected)) << "the device took it";
    const std::uint64_t spent = os.elapsed() - start;
    EXPECT_GE(spent, 1500u) << "1000 ms inside the write and 500 after it";
    EXPECT_LE(spent, 1510u);
    EXPECT_EQ(ui.Count(UiEvent::Kind::MessageBox), 0) << "success shows nothing";
}

// Texts lose their trailing spaces on the page and in the record; the frame's space fill
// gives them back, so an unchanged page sends what it read. A text stops at a zero byte.
TEST_F(AdvancedPageTest, TrimsTextsAndSendsThemBackPaddedWithSpaces) {
    PutText(kCustomerName, "ABCD");
    PutText(kCustomerNumber, "      ");
    PutText(kServiceNumber, std::string(46, '7'));
    PutText(kSerialNumber, "12\0 45"s);
    PutText(kDeviceIdName, "K\xC4YTT\xD6 ");
    Open();

    EXPECT_EQ(Shown(kCustomerName), TEXT("ABCD"));
    EXPECT_EQ(Shown(kCustomerNumber), TEXT(""));
    EXPECT_EQ(Shown(kServiceNumber), tstring(46, TEXT('7')));
    EXPECT_EQ(Shown(kSerialNumber), TEXT("12"));
    EXPECT_EQ(Shown(kDeviceIdName), ShownText(L"K\u00c4YTT\u00d6"));
    const auto block = device.state.systemData;

    Click(hwnd(), IDC_ADV_APPLY);
    std::string serial = Pad("12", 20);
    sim::Bytes expected = FrameOf(block);
    std::copy(serial.begin(), serial.end(), expected.begin() + 151);
    EXPECT_EQ(LastFrame(), expected) << "only the text cut by a zero byte differs";
}

// A list value the device sends beyond the list's items shows no selection and goes back as
// 0xFF; a check box value of 2 shows the third state and goes back as 2; above 2 shows clear.
// The user's clicks only tick and clear.
TEST_F(AdvancedPageTest, ValuesBeyondListsAndTheThirdStateOfTheCheckBoxes) {
    SystemByte(157) = 11;   // language
    SystemByte(153) = 200;  // ring volume
    SystemByte(154) = 2;    // alarm sound
    SystemByte(155) = 3;    // key sound
    SystemByte(158) = 255;  // toner saving
    SystemByte(162) = 2;    // toner notice
    Open();

    EXPECT_EQ(Selected(hwnd(), IDC_ADV_LANGUAGE), CB_ERR);
    EXPECT_EQ(Selected(hwnd(), IDC_ADV_RING_VOLUME), CB_ERR);
    EXPECT_EQ(Checked(hwnd(), IDC_ADV_ALARM_SOUND), BST_INDETERMINATE);
    EXPECT_EQ(Checked(hwnd(), IDC_ADV_KEY_SOUND), BST_UNCHECKED);
    EXPECT_EQ(Checked(hwnd(), IDC_ADV_TONER_SAVE), BST_UNCHECKED);
    EXPECT_EQ(Checked(hwnd(), IDC_ADV_TONER_NOTICE), BST_INDETERMINATE);

    Click(hwnd(), IDC_ADV_APPLY);
    const sim::Bytes& frame = LastFrame();
    EXPECT_EQ(frame[59], 0xFF) << "language";
    EXPECT_EQ(frame[55], 0xFF) << "ring volume";
    EXPECT_EQ(frame[56], 2) << "alarm sound";
    EXPECT_EQ(frame[57], 0) << "key sound";
    EXPECT_EQ(frame[60], 0) << "toner saving";
    EXPECT_EQ(frame[64], 2) << "toner notice";

    const int afterClicks[] = {BST_CHECKED, BST_UNCHECKED, BST_CHECKED};
    for (int expected : afterClicks) {
        Click(hwnd(), IDC_ADV_ALARM_SOUND);
        EXPECT_EQ(Checked(hwnd(), IDC_ADV_ALARM_SOUND), expected);
    }
    Click(hwnd(), IDC_ADV_APPLY);
    EXPECT_EQ(LastFrame()[56], 1);
}

TEST_F(AdvancedPageTest, RefreshDiscardsUnsavedEditsEvenWhenTheReadFails) {
    Open();
    TypeOver(hwnd(), kCustomerName.id, TEXT("XYZ"));
    Pick(hwnd(), IDC_ADV_LANGUAGE, 0);
    Click(hwnd(), IDC_ADV_TONER_SAVE);
    PutText(kCustomerName, "NEW");
    device.faults.silent = true;

    Click(hwnd(), IDC_ADV_REFRESH);
    EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")});
    EXPECT_EQ(Shown(kCustomerName), TEXT("")) << "the record as it stood";
    EXPECT_EQ(Selected(hwnd(), IDC_ADV_LANGUAGE), 9);
    EXPECT_EQ(Checked(hwnd(), IDC_ADV_TONER_SAVE), BST_UNCHECKED);

    device.faults.silent = false;
    Click(hwnd(), IDC_ADV_REFRESH);
    EXPECT_EQ(Shown(kCustomerName), TEXT("NEW"));
    EXPECT_EQ(BoxTexts().size(), 1u);
}

// Only a whole reply is taken: a cut one would otherwise blank every option that did not
// arrive, and the next apply would send the blanks to the device.
TEST_F(AdvancedPageTest, CutReplyFailsAndTheControlsShowTheLastGoodRead) {
    Open();
    PutText(kSerialNumber, "NEW SERIAL");
    for (std::size_t cut : {std::size_t{5}, std::size_t{150}, std::size_t{268}}) {
        device.faults.replyLimit = cut;
        ui.Clear();
        Click(hwnd(), IDC_ADV_REFRESH);
        EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")}) << cut << " bytes";
        EXPECT_EQ(Shown(kSerialNumber), TEXT("OMF40-0012345")) << cut << " bytes";
        EXPECT_EQ(Shown(kDeviceIdName), TEXT("VELTRA")) << cut << " bytes";
        EXPECT_EQ(Selected(hwnd(), IDC_ADV_LANGUAGE), 9) << cut << " bytes";
    }
}

TEST_F(AdvancedPageTest, DeviceSilentAtFirstShowingShowsTheEmptyRecordWhichApplySends) {
    device.faults.silent = true;
    Open();
    EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")});
    for (const EditField& edit : kEdits) EXPECT_EQ(Shown(edit), TEXT("")) << edit.id;
    for (int id : kListIds) EXPECT_EQ(Selected(hwnd(), id), 0) << id;
    for (int id : kCheckIds) EXPECT_EQ(Checked(hwnd(), id), BST_UNCHECKED) << id;

    device.faults.silent = false;
    Click(hwnd(), IDC_ADV_APPLY);
    const std::string expected =
        kWriteHeader + Pad("", 40) + "\x00"s + Pad("", 5) + std::string(10, '\0') + Pad("", 106);
    EXPECT_EQ(LastFrame(), Wire(expected));
}

TEST_F(AdvancedPageTest, FailedApplyKeepsTheUsersValuesAndSendsThemAgain) {
    Open();
    TypeOver(hwnd(), kSerialNumber.id, TEXT("SN2"));
    device.faults.unplugged = true;
    Click(hwnd(), IDC_ADV_APPLY);
    EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")});
    EXPECT_STREQ(context.store.system.serialNumber, "SN2");
    EXPECT_EQ(Shown(kSerialNumber), TEXT("SN2"));

    device.faults.unplugged = false;
    Click(hwnd(), IDC_ADV_APPLY);
    const sim::Bytes& frame = LastFrame();
    EXPECT_EQ(std::string(frame.begin() + 151, frame.end()), Pad("SN2", 20));
    EXPECT_EQ(BoxTexts().size(), 1u);
}

TEST_F(AdvancedPageTest, TabOrderRunsThroughTheFieldsAsListed) {
    Open();
    const int order[] = {1038, 1037, 1039, 1040, 1041, 1042, 1022, 1061, 1062, 1057,
                         1050, 1058, 1001, 1064, 1051, 1052, 1054, 1055, 1063, 1060};
    HWND control = page.Item(order[0]);
    for (int id : order) {
        EXPECT_EQ(::GetDlgCtrlID(control), id);
        control = ::GetNextDlgTabItem(hwnd(), control, FALSE);
    }
    EXPECT_EQ(::GetDlgCtrlID(control), order[0]) << "and round again";
}

}  // namespace
}  // namespace pd
