// The Firmware update page, made from its real template in a sheet of its own and driven with
// real clicks, over the virtual device on the LPT route with the virtual clock.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/Strings.h"
#include "firmware/FirmwarePage.h"
#include "resources/resource.h"
#include "support/UiTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using sim::Bytes;
using Kind = UiEvent::Kind;

constexpr const char* kImagePath = R"(C:\images\mf40.img)";
constexpr const TCHAR* kImagePathW = TEXT(R"(C:\images\mf40.img)");
constexpr const char* kOtherPath = R"(C:\images\other.bin)";
constexpr const TCHAR* kOtherPathW = TEXT(R"(C:\images\other.bin)");
constexpr std::uint32_t kLongWaitMs = 40000;

Bytes MakeImage(std::size_t size) {
    Bytes image = {'$', 'I', 'M', 'G'};
    image.resize(size);
    for (std::size_t i = 4; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 253);
    return image;
}

// FakeOs that lets a test look at the page while the download sleeps.
class WatchedOs : public FakeOs {
public:
    using FakeOs::FakeOs;
    std::function<void(std::uint32_t)> onSleep;

    void Sleep(std::uint32_t milliseconds) override {
        if (onSleep) onSleep(milliseconds);
        FakeOs::Sleep(milliseconds);
    }
};

// What the user sees each time the progress bar is painted.
struct Seen {
    int bar = 0;
    tstring percent;
    tstring message;
    bool textsPainted = false;  // no part of the percent or message text waits to be painted
    bool waitCursor = false;
};

class FirmwarePageTest : public ::testing::Test {
protected:
    void SetUp() override { link().UseLink(LinkKind::Lpt1); }

    void TearDown() override {
        if (bar_ != nullptr) ::RemoveWindowSubclass(bar_, WatchBar, 0);
        if (sheet_ != nullptr) ::DestroyWindow(sheet_);
    }

    DeviceLink& link() { return context.link; }

    // The page in a visible sheet of its own, initialised as the main window's tab would be.
    void Open() {
        HPROPSHEETPAGE pages[] = {page.CreatePage()};
        ASSERT_NE(pages[0], nullptr);
        PROPSHEETHEADER header{};
        header.dwSize = PROPSHEETHEADERW_V1_SIZE;
        header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
        header.hInstance = ResourceModule();
        header.pszCaption = TEXT("");
        header.nPages = 1;
        header.phpage = pages;
        const INT_PTR created = ::PropertySheet(&header);
        ASSERT_NE(created, 0);
        ASSERT_NE(created, -1);
        sheet_ = reinterpret_cast<HWND>(created);
        ::ShowWindow(sheet_, SW_SHOWNOACTIVATE);
        test::Pump(&page);
        ASSERT_NE(page.hwnd(), nullptr);
        bar_ = page.Item(IDC_FW_PROGRESS);
        ::SetWindowSubclass(bar_, WatchBar, 0, reinterpret_cast<DWORD_PTR>(this));
    }

    void Click(int id) {
        HWND button = page.Item(id);
        ASSERT_TRUE(::IsWindowEnabled(button)) << "button " << id << " is disabled";
        ::SendMessage(button, BM_CLICK, 0, 0);
    }

    // Chooses `path` in the file dialog (or cancels it) and lets the page check the file.
    void Browse(std::optional<tstring> path) {
        ui.AnswerFileDialog(std::move(path));
        Click(IDC_FW_BROWSE);
    }

    Bytes ChooseImage(std::size_t size) {
        Bytes image = MakeImage(size);
        os.PutFile(kImagePath, image);
        Browse(kImagePathW);
        return image;
    }

    tstring TextOf(int id) { return test::Text(page.Item(id)); }
    bool UpdateEnabled() { return ::IsWindowEnabled(page.Item(IDC_FW_UPDATE)) != FALSE; }
    int BarPosition() { return static_cast<int>(::SendMessage(bar_, PBM_GETPOS, 0, 0)); }
    std::vector<UiEvent> Boxes() const { return ui.EventsOf(Kind::MessageBox); }
    void SetVersionField(int replyOffset, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), device.state.systemData.begin() + replyOffset - 4);
    }

    sim::VirtualDevice device;
    WatchedOs os{device};
    FakeUi ui;
    PanelContext context{os};
    CFwUp page{context, ui};
    std::vector<Seen> seen;  // one entry per paint of the bar
    std::function<void()> onBarPainted;

private:
    static LRESULT CALLBACK WatchBar(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self) {
        const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
        if (message == WM_PAINT) reinterpret_cast<FirmwarePageTest*>(self)->BarPainted();
        return result;
    }

    void BarPainted() {
        Seen now;
        now.bar = BarPosition();
        now.percent = TextOf(IDC_FW_PERCENT);
        now.message = TextOf(IDC_FW_MESSAGE);
        RECT pending{};
        now.textsPainted = !::GetUpdateRect(page.Item(IDC_FW_PERCENT), &pending, FALSE) &&
                           !::GetUpdateRect(page.Item(IDC_FW_MESSAGE), &pending, FALSE);
        now.waitCursor = ui.waitDepth() > 0;
        seen.push_back(now);
        if (onBarPainted) onBarPainted();
    }

    HWND sheet_ = nullptr;
    HWND bar_ = nullptr;
};

const tstring kChoose = TEXT("Valitse laiteohjelmiston tiedosto.");
const tstring kInvalid = TEXT("Virheellinen laiteohjelmistotiedosto");

// --- Versions -------------------------------------------------------------------------------

TEST_F(FirmwarePageTest, Opening_ReadsTheVersionsAndShowsThemWithTheirSpaces) {
    Open();
    const Bytes systemRead = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x40};
    EXPECT_EQ(device.ReceivedFrames(), std::vector<Bytes>{systemRead});
    EXPECT_EQ(TextOf(IDC_FW_MODEL), TEXT("Ostrex MF 40") + tstring(20, TEXT(' ')));
    EXPECT_EQ(TextOf(IDC_FW_FIRMWARE_VERSION), TEXT("1.12 "));
    EXPECT_EQ(TextOf(IDC_FW_EMULATION1_VERSION), TEXT("PCL 5e 1.04    "));
    EXPECT_EQ(TextOf(IDC_FW_EMULATION2_VERSION), TEXT("GDI 2.10       "));
    // None of the template's placeholders shows.
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), TEXT(""));
    EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), TEXT(""));
    EXPECT_EQ(TextOf(IDC_FW_PERCENT), TEXT(""));
    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), kChoose);
    EXPECT_EQ(BarPosition(), 0);
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_TRUE(page.fileName().empty());
    EXPECT_TRUE(Boxes().empty());
    // The read's second, then half a second more, under the wait cursor.
    EXPECT_GE(os.elapsed(), 1500u);
    EXPECT_EQ(ui.Count(Kind::WaitOn), 1);
    EXPECT_EQ(ui.waitDepth(), 0);
}

TEST_F(FirmwarePageTest, Opening_WithoutAnAnswerStillOpensWithEmptyVersionsAfterTheErrorBox) {
    device.faults.silent = true;
    Open();
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, TEXT("Ei vastaa"));
    EXPECT_EQ(boxes[0].caption, LoadResString(IDS_TITLE));
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    for (int id : {IDC_FW_MODEL, IDC_FW_FIRMWARE_VERSION, IDC_FW_EMULATION1_VERSION,
                   IDC_FW_EMULATION2_VERSION}) {
        EXPECT_EQ(TextOf(id), TEXT("")) << "control " << id;
    }
    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), kChoose);
}

TEST_F(FirmwarePageTest, Refresh_ShowsTheDevicesNewTextsReadAsWesternEuropean) {
    Open();
    // "Ä" and the euro sign are single bytes of the device's code page.
    Bytes model = {'M', 'F', ' ', 0xC4, ' ', 0x80};
    model.resize(32, ' ');
    SetVersionField(10, model);
    SetVersionField(82, {'2', '.', '0', '0', ' '});
    Click(IDC_FW_REFRESH);
    EXPECT_EQ(TextOf(IDC_FW_MODEL), ShownText(L"MF \u00C4 \u20AC") + tstring(26, TEXT(' ')));
    EXPECT_EQ(TextOf(IDC_FW_FIRMWARE_VERSION), TEXT("2.00 "));
    EXPECT_EQ(device.ReceivedFrames().size(), 2u);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FirmwarePageTest, Refresh_WithoutAnAnswerKeepsTheTextsAndShowsTheErrorBox) {
    Open();
    SetVersionField(82, {'9', '.', '9', '9', ' '});
    device.faults.silent = true;
    ui.Clear();
    Click(IDC_FW_REFRESH);
    EXPECT_EQ(TextOf(IDC_FW_FIRMWARE_VERSION), TEXT("1.12 "));
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, TEXT("Ei vastaa"));
    // The cursor is back before the box shows.
    const auto& events = ui.events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 2].kind, Kind::WaitOff);
}

// --- Choosing a file ------------------------------------------------------------------------

TEST_F(FirmwarePageTest, Browse_OffersEveryFileWithoutDefaultExtension) {
    Open();
    ChooseImage(4);
    const auto dialogs = ui.EventsOf(Kind::OpenFile);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].owner, page.hwnd());
    EXPECT_EQ(dialogs[0].file.filter, TEXT("All files (*.*)|*.*||"));
    EXPECT_EQ(dialogs[0].file.defaultExtension, TEXT(""));
    EXPECT_EQ(dialogs[0].file.initialFolder, TEXT(""));
}

TEST_F(FirmwarePageTest, Browse_ExactImageSignatureAtTheStartEnablesUpdate) {
    Open();
    ChooseImage(4);
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), kImagePathW);
    EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), TEXT("4 Byte"));
    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), kChoose) << "a good file leaves the message as it was";
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_EQ(page.fileName(), kImagePathW);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(os.CountCalls("CloseFile"), os.CountCalls("OpenFile")) << "nothing stays open";
}

TEST_F(FirmwarePageTest, Browse_FileWithoutTheSignatureDisablesUpdateAndSaysSo) {
    struct Case {
        const char* what;
        Bytes bytes;
        const TCHAR* size;
        std::uint64_t largeSize = 0;  // a file this large, beginning with `bytes`
    };
    const Case cases[] = {
        {"lower case", {'$', 'i', 'm', 'g', 1, 2}, TEXT("6 Byte")},
        {"a byte before it", {0, '$', 'I', 'M', 'G'}, TEXT("5 Byte")},
        {"three bytes", {'$', 'I', 'M'}, TEXT("3 Byte")},
        {"empty", {}, TEXT("0 Byte")},
        // Its size goes to the device as a 32-bit count: 4 GiB is one byte more than it takes.
        {"4 GiB", {'$', 'I', 'M', 'G'}, TEXT("4294967296 Byte"), std::uint64_t{1} << 32},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChooseImage(4096);
        ASSERT_TRUE(UpdateEnabled());
        if (c.largeSize != 0) {
            os.PutLargeFile(kOtherPath, c.bytes, c.largeSize);
        } else {
            os.PutFile(kOtherPath, c.bytes);
        }
        Browse(kOtherPathW);
        EXPECT_FALSE(UpdateEnabled());
        EXPECT_EQ(TextOf(IDC_FW_MESSAGE), kInvalid);
        EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), kOtherPathW) << "the rejected file stays shown";
        EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), c.size);
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FirmwarePageTest, Browse_FileThatCannotBeOpenedLeavesNoFileChosenSilently) {
    Open();
    ChooseImage(4096);
    os.FailOpen(kOtherPath);
    os.PutFile(kOtherPath, MakeImage(100));
    Browse(kOtherPathW);
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_TRUE(page.fileName().empty());
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), TEXT(""));
    EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), TEXT("")) << "the previous file's size stayed";
    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), kChoose);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ui.Count(Kind::Beep), 0);
}

TEST_F(FirmwarePageTest, Browse_CancelledKeepsTheChosenFile) {
    Open();
    ChooseImage(4096);
    Browse(std::nullopt);
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), kImagePathW);
    EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), TEXT("4096 Byte"));
    EXPECT_EQ(ui.Count(Kind::OpenFile), 2);
}

// --- Download -------------------------------------------------------------------------------

// A file of one block and a file of one block and one byte.
struct BlockCase {
    std::size_t size;
    std::vector<int> percents;
    std::vector<tstring> messages;
};

void PrintTo(const BlockCase& c, std::ostream* out) { *out << c.size << " bytes"; }

class FirmwarePageBlocksTest : public FirmwarePageTest,
                               public ::testing::WithParamInterface<BlockCase> {};

INSTANTIATE_TEST_SUITE_P(Sizes, FirmwarePageBlocksTest,
                         ::testing::Values(BlockCase{4096, {100}, {TEXT("4096 tavua siirretty")}},
                                           BlockCase{4097,
                                                     {99, 100},
                                                     {TEXT("4096 tavua siirretty"),
                                                      TEXT("4097 tavua siirretty")}}),
                         [](const ::testing::TestParamInfo<BlockCase>& param) {
                             return std::to_string(param.param.size) + "Bytes";
                         });

TEST_P(FirmwarePageBlocksTest, Download_ShowsEveryBlockThenTheCompletionBoxAndClearsThePage) {
    const BlockCase& c = GetParam();
    Open();
    const Bytes image = ChooseImage(c.size);

    tstring messageDuringLongWait;
    os.onSleep = [&](std::uint32_t ms) {
        if (ms == kLongWaitMs) messageDuringLongWait = TextOf(IDC_FW_MESSAGE);
    };
    Seen duringBox;
    std::size_t paintsBeforeBox = 0;
    ui.onMessageBox = [&](const UiEvent&) {
        paintsBeforeBox = seen.size();
        duringBox.bar = BarPosition();
        duringBox.percent = TextOf(IDC_FW_PERCENT);
        duringBox.waitCursor = ui.waitDepth() > 0;
    };
    Click(IDC_FW_UPDATE);

    // Painted after each block although no message was processed in between.
    ASSERT_EQ(paintsBeforeBox, c.percents.size());
    for (std::size_t i = 0; i < paintsBeforeBox; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].bar, c.percents[i]);
        EXPECT_EQ(seen[i].percent, ToTString(c.percents[i]) + TEXT(" %"));
        EXPECT_EQ(seen[i].message, c.messages[i]);
        EXPECT_TRUE(seen[i].textsPainted);
        EXPECT_TRUE(seen[i].waitCursor);
    }
    EXPECT_EQ(messageDuringLongWait,
              ShownText(L"Tiedot kirjoitettu. \u00C4l\u00E4 sammuta laitetta, ennen kuin se on "
                        L"t\u00E4ysin alustettu."));

    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ShownText(L"P\u00E4ivitys on valmis!"));
    EXPECT_EQ(boxes[0].caption, LoadResString(IDS_TITLE));
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK)) << "OK only, no icon";
    EXPECT_EQ(duringBox.bar, 100);
    EXPECT_EQ(duringBox.percent, TEXT("100 %"));
    EXPECT_TRUE(duringBox.waitCursor);

    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), kChoose);
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), TEXT(""));
    EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), TEXT(""));
    EXPECT_EQ(TextOf(IDC_FW_PERCENT), TEXT(""));
    EXPECT_EQ(BarPosition(), 0);
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_TRUE(page.fileName().empty());
    EXPECT_EQ(ui.waitDepth(), 0);
    EXPECT_EQ(device.state.firmwareImage, image);
}

TEST_F(FirmwarePageTest, Download_WriteFailureKeepsTheFileAndTheProgressForAnotherTry) {
    Open();
    const Bytes image = ChooseImage(10000);
    // The device takes the start and the first block, then nothing more.
    device.faults.acceptBudget = 8 + 4096;
    Click(IDC_FW_UPDATE);

    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), TEXT("Tietojen kirjoittaminen ei onnistunut."));
    EXPECT_EQ(BarPosition(), 40);
    EXPECT_EQ(TextOf(IDC_FW_PERCENT), TEXT("40 %"));
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), kImagePathW);
    EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), TEXT("10000 Byte"));
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ui.waitDepth(), 0);

    device.faults.acceptBudget.reset();
    Click(IDC_FW_UPDATE);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(device.state.firmwareImage, image);
}

TEST_F(FirmwarePageTest, Download_StartTheDeviceRefusesChangesNothingButTheMessage) {
    Open();
    ChooseImage(10000);
    device.firmwareFaults.startAnswers = {sim::StartAnswer::Refuse, sim::StartAnswer::Refuse};
    Click(IDC_FW_UPDATE);
    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), TEXT("Tietojen kirjoittaminen ei onnistunut."));
    EXPECT_EQ(BarPosition(), 0);
    EXPECT_EQ(TextOf(IDC_FW_PERCENT), TEXT(""));
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_TRUE(seen.empty()) << "no block was shown";
}

TEST_F(FirmwarePageTest, Download_FileCutShortDuringTheTransferSaysReadingFailed) {
    Open();
    const Bytes image = ChooseImage(10000);
    onBarPainted = [&] {
        if (seen.size() == 1) os.PutFile(kImagePath, Bytes(image.begin(), image.begin() + 5000));
    };
    Click(IDC_FW_UPDATE);
    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), TEXT("Tietojen lukeminen ei onnistunut."));
    // The 904 bytes left after the first block still went out; then the file ran dry.
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(BarPosition(), 50);
    EXPECT_EQ(TextOf(IDC_FW_PERCENT), TEXT("50 %"));
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), kImagePathW);
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FirmwarePageTest, Download_FileGoneSinceBrowsingLeavesNoFileChosenAndSendsNothing) {
    Open();
    ChooseImage(10000);
    os.FailOpen(kImagePath);
    const std::size_t framesBefore = device.ReceivedFrames().size();
    ui.Clear();
    Click(IDC_FW_UPDATE);
    EXPECT_EQ(device.ReceivedFrames().size(), framesBefore);
    EXPECT_TRUE(device.state.firmwareImage.empty());
    EXPECT_EQ(TextOf(IDC_FW_FILE_NAME), TEXT(""));
    EXPECT_EQ(TextOf(IDC_FW_FILE_SIZE), TEXT("")) << "the file's size stayed";
    EXPECT_EQ(TextOf(IDC_FW_MESSAGE), kChoose);
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_TRUE(ui.events().empty()) << "no box and no wait cursor";
}

}  // namespace
}  // namespace pd
