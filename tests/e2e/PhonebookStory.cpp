// The phonebook's whole story, told to PanelDesk.exe from the demo folder by a second process
// as a user would tell it, against the demo simulator over the route under test and with the
// real clock: read the device's phonebook, edit an entry, write it back, save the phonebook
// to a file, delete all, load the file and find the entry back; then a new panel reads the
// device again and finds the entry the device kept.
//
// With the argument "files" it tells the story of a spreadsheet's file instead: an entry
// edited, a CSV file in Windows-1252 (under a name with an "ä", which the ANSI panel takes in
// the system's code page) imported through its summary, which counts an entry changed, one
// added and one row refused; the page written to the device, emptied and read back; and the
// page exported to a CSV file in UTF-8 with its byte-order mark.
//
// It prints every step with PASS or FAIL and the real times of the page's exchanges; the
// exit code is 0 when every step held. Everything it starts is ended before it returns.
#include <windows.h>
#include <commctrl.h>
#include <tchar.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"

namespace pd::e2e {
namespace {

const tstring kPanelTitle = ShownText(L" Veltra Ostrex MF 40 PanelDesk - et\u00e4ohjaustaulu");
constexpr const TCHAR* kEditorCaption = TEXT("Muokkaa");
constexpr const TCHAR* kImportCaption = TEXT("Tuo puhelinmuistio");
constexpr int kPhonebookTab = 2;
constexpr int kRows = 80;

// The entry the story edits, as typed and as it must come out.
constexpr int kEditedRow = 4;
constexpr const TCHAR* kTypedName = TEXT("story test");
constexpr const TCHAR* kStoredName = TEXT("STORY TEST");
constexpr const TCHAR* kTypedNumber = TEXT("0401234567");
constexpr const char* kFileName = "story";  // the panel adds ".PBF"
constexpr std::size_t kPhonebookFileSize = 5480;

// The spreadsheet's file, as a program of Windows 98 saves it (Windows-1252): the edited entry
// changed, one added, one refused (a number with +).
constexpr char kImportFile[] =
    "Nro;Nimi;Puhelinnumero\r\n5;M\xE4kel\xE4 Liisa;050 765 4323\r\n"
    "30;Uusi Yritys Oy;(09) 555 0101\r\n31;Kallio Ari;+358 40 1\r\n";
constexpr int kAddedRow = 29;
// The two entries on the page: name|number of the edited row, then of the added one.
constexpr const wchar_t* kImportedRows =
    L"M\u00e4kel\u00e4 Liisa|0507654323|Uusi Yritys Oy|095550101";
constexpr const char* kExportedFile =
    "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\r\n5;M\xC3\xA4kel\xC3\xA4 Liisa;0507654323\r\n"
    "30;Uusi Yritys Oy;095550101\r\n";
constexpr std::size_t kFileHeaderSize = 40;
constexpr std::size_t kEntrySize = 68;

// Ids of the file dialogs' name field: the combo box of the newer layout, the edit of the
// older one.
constexpr int kFileNameCombo = 0x047C;
constexpr int kFileNameEdit = 0x0480;

constexpr DWORD kPollMs = 20;
constexpr DWORD kWindowWithinMs = 30000;
constexpr DWORD kExchangeWithinMs = 20000;
constexpr DWORD kDialogWithinMs = 15000;
constexpr DWORD kExitWithinMs = 15000;

bool PollFor(DWORD milliseconds, const std::function<bool()>& done) {
    for (DWORD waited = 0; waited < milliseconds; waited += kPollMs) {
        if (done()) return true;
        Sleep(kPollMs);
    }
    return done();
}

tstring TextOf(HWND window) {
    TCHAR text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeout(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                       SMTO_NORMAL, kExchangeWithinMs, &copied);
    return text;
}

tstring ClassOf(HWND window) {
    TCHAR name[128] = {};
    GetClassName(window, name, static_cast<int>(std::size(name)));
    return name;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

// The visible top-level windows of one process.
std::vector<HWND> WindowsOf(DWORD processId) {
    std::vector<HWND> all;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> found;
    for (HWND window : all) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) found.push_back(window);
    }
    return found;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool HasTabs(HWND window) {
    for (HWND child : ChildrenOf(window)) {
        if (ClassOf(child) == TEXT("SysTabControl32")) return true;
    }
    return false;
}

// The panel's message box, if one shows, with its text.
tstring BoxText(DWORD processId) {
    for (HWND window : WindowsOf(processId)) {
        if (TextOf(window) != kPanelTitle || HasTabs(window)) continue;
        tstring text;
        for (HWND child : ChildrenOf(window)) {
            if (ClassOf(child) == TEXT("Static")) text += TextOf(child);
        }
        return text.empty() ? TEXT("(a box without text)") : text;
    }
    return {};
}

// Memory inside the panel's process, so that list-view messages that carry pointers can be
// sent to it from here.
class RemoteBlock {
public:
    RemoteBlock(DWORD processId, std::size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId)) {
        if (process_) {
            base_ = static_cast<BYTE*>(VirtualAllocEx(process_.get(), nullptr, size,
                                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        }
    }
    ~RemoteBlock() {
        if (base_ != nullptr) VirtualFreeEx(process_.get(), base_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool ok() const { return base_ != nullptr; }
    BYTE* At(std::size_t offset) const { return base_ + offset; }
    bool Put(std::size_t offset, const void* data, std::size_t size) {
        return WriteProcessMemory(process_.get(), At(offset), data, size, nullptr) != FALSE;
    }
    bool Get(std::size_t offset, void* data, std::size_t size) {
        return ReadProcessMemory(process_.get(), At(offset), data, size, nullptr) != FALSE;
    }

private:
    OwnedHandle process_;
    BYTE* base_ = nullptr;
};

// The phonebook page's list, read and selected from outside.
class RemoteList {
public:
    RemoteList(HWND list, DWORD processId) : list_(list), block_(processId, kBlockSize) {}

    bool ok() const { return block_.ok(); }
    int Rows() const {
        DWORD_PTR count = 0;
        SendMessageTimeout(list_, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kExchangeWithinMs, &count);
        return static_cast<int>(count);
    }
    tstring Cell(int row, int column) {
        LVITEM item{};
        item.iSubItem = column;
        item.cchTextMax = kTextChars;
        item.pszText = reinterpret_cast<LPTSTR>(block_.At(kTextOffset));
        std::vector<TCHAR> text(kTextChars, TEXT('\0'));
        DWORD_PTR length = 0;
        if (!block_.Put(kTextOffset, text.data(), text.size() * sizeof(TCHAR)) ||
            !block_.Put(0, &item, sizeof item) ||
            !SendMessageTimeout(list_, LVM_GETITEMTEXT, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(block_.At(0)), SMTO_NORMAL,
                                kExchangeWithinMs, &length) ||
            !block_.Get(kTextOffset, text.data(), text.size() * sizeof(TCHAR))) {
            return TEXT("(unreadable)");
        }
        text.back() = TEXT('\0');
        return text.data();
    }
    bool Select(int row) {
        LVITEM item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        DWORD_PTR done = 0;
        return block_.Put(0, &item, sizeof item) &&
               SendMessageTimeout(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                                  reinterpret_cast<LPARAM>(block_.At(0)), SMTO_NORMAL,
                                  kExchangeWithinMs, &done) &&
               done != FALSE;
    }

private:
    static constexpr std::size_t kBlockSize = 4096;
    static constexpr std::size_t kTextOffset = 1024;
    static constexpr int kTextChars = 256;

    HWND list_;
    RemoteBlock block_;
};

class Story {
public:
    explicit Story(const ScratchFolder& scratch) : scratch_(scratch) {}

    // A spreadsheet's file into the page, through the device and out to a file again.
    int TellFiles() {
        std::string error;
        if (!simulator_.Start(TEXT(""), &error)) return Fail("the simulator serves", error);
        if (!PutImportFile()) return Finish();
        if (!OpenPanel()) return Finish();
        if (!ShowPhonebook("first showing of the page reads the device")) return Finish();
        if (!EditEntry()) return Finish();
        if (!ImportFile()) return Finish();
        if (!Exchange(IDC_PB_WRITE, "write button sends the imported phonebook")) return Finish();
        if (!Exchange(IDC_PB_DELETE_ALL, "delete all")) return Finish();
        if (!Exchange(IDC_PB_READ, "read button reads the device")) return Finish();
        ExpectImported("the device holds the imported entries");
        if (!ExportFile()) return Finish();
        ClosePanel();
        const std::string offRoute = simulator_.TrafficOffRoute();
        Expect(offRoute.empty(), "the device heard the panel on the route under test only",
               offRoute);
        return Finish();
    }

    int Tell() {
        std::string error;
        if (!simulator_.Start(TEXT(""), &error)) return Fail("the simulator serves", error);

        if (!OpenPanel()) return Finish();
        if (!ShowPhonebook("first showing of the page reads the device")) return Finish();
        if (!EditEntry()) return Finish();
        if (!Exchange(IDC_PB_WRITE, "write button sends the phonebook")) return Finish();
        if (!SaveFile()) return Finish();
        if (!Exchange(IDC_PB_DELETE_ALL, "delete all")) return Finish();
        Expect(list_->Cell(kEditedRow, 1).empty(), "delete all empties the edited row",
               Utf8FromText(list_->Cell(kEditedRow, 1)));
        if (!OpenFile()) return Finish();
        Expect(list_->Cell(kEditedRow, 1) == kStoredName, "the loaded file brings the entry back",
               Utf8FromText(list_->Cell(kEditedRow, 1)));
        if (!Exchange(IDC_PB_READ, "read button reads the device")) return Finish();
        Expect(list_->Cell(kEditedRow, 1) == kStoredName, "the device holds the written entry",
               Utf8FromText(list_->Cell(kEditedRow, 1)));
        if (!ClosePanel()) return Finish();

        if (!OpenPanel()) return Finish();
        if (!ShowPhonebook("a new panel reads the device at first showing")) return Finish();
        Expect(
            list_->Cell(kEditedRow, 1) == kStoredName && list_->Cell(kEditedRow, 2) == kTypedNumber,
            "the device kept the entry across panels",
            Utf8FromText(list_->Cell(kEditedRow, 1) + TEXT(" / ") + list_->Cell(kEditedRow, 2)));
        ClosePanel();
        const std::string offRoute = simulator_.TrafficOffRoute();
        Expect(offRoute.empty(), "the device heard the panel on the route under test only",
               offRoute);
        return Finish();
    }

private:
    int Fail(const std::string& what, const std::string& why) {
        Report(false, what, why);
        return Finish();
    }
    void Report(bool ok, const std::string& what, const std::string& detail) {
        std::printf("[%s] %s%s%s\n", ok ? "PASS" : "FAIL", what.c_str(), detail.empty() ? "" : ": ",
                    detail.c_str());
        std::fflush(stdout);
        (ok ? passed_ : failed_)++;
    }
    bool Expect(bool ok, const std::string& what, const std::string& detail) {
        Report(ok, what, ok ? "" : detail);
        return ok;
    }
    void Time(const std::string& what, double milliseconds) {
        std::printf("       %-46s %8.0f ms real\n", what.c_str(), milliseconds);
        std::fflush(stdout);
    }
    int Finish() {
        panel_.Kill();
        simulator_.Stop();
        std::printf("%d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 && passed_ > 0 ? 0 : 1;
    }

    // Waits until the panel's window thread takes messages again, that is until whatever it
    // was doing has ended (or a modal loop of its own runs).
    bool WaitIdle(HWND window) {
        DWORD_PTR ignored = 0;
        return SendMessageTimeout(window, WM_NULL, 0, 0, SMTO_NORMAL, kExchangeWithinMs,
                                  &ignored) != 0;
    }

    bool OpenPanel() {
        list_.reset();
        page_ = nullptr;
        std::string error;
        if (!StartPanel(panel_, &error)) {
            return Expect(false, "the panel starts", error);
        }
        main_ = nullptr;
        PollFor(kWindowWithinMs, [&] {
            for (HWND window : WindowsOf(panel_.id())) {
                if (TextOf(window) == kPanelTitle && HasTabs(window)) main_ = window;
            }
            return main_ != nullptr || !BoxText(panel_.id()).empty() || !panel_.running();
        });
        if (main_ == nullptr) {
            return Expect(false, "the panel opens its window", Utf8FromText(BoxText(panel_.id())));
        }
        WaitIdle(main_);
        return Expect(BoxText(panel_.id()).empty(), "the panel opens its window",
                      Utf8FromText(BoxText(panel_.id())));
    }

    bool ClosePanel() {
        PostMessage(main_, WM_CLOSE, 0, 0);
        return Expect(panel_.WaitForExit(kExitWithinMs), "the panel ends when closed",
                      "still running");
    }

    HWND Sheet() const {
        for (HWND child : ChildrenOf(main_)) {
            if (GetParent(child) == main_ && ClassOf(child) == TEXT("#32770")) return child;
        }
        return nullptr;
    }

    bool ShowPhonebook(const std::string& what) {
        HWND sheet = Sheet();
        if (sheet == nullptr) return Expect(false, what, "no property sheet");
        const double start = MillisecondsNow();
        DWORD_PTR ignored = 0;
        const bool returned = SendMessageTimeout(sheet, PSM_SETCURSEL, kPhonebookTab, 0,
                                                 SMTO_NORMAL, kExchangeWithinMs, &ignored);
        const double took = MillisecondsNow() - start;
        if (!returned) return Expect(false, what, "box: " + Utf8FromText(BoxText(panel_.id())));
        DWORD_PTR page = 0;
        SendMessageTimeout(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, kExchangeWithinMs,
                           &page);
        page_ = reinterpret_cast<HWND>(page);
        list_ = std::make_unique<RemoteList>(GetDlgItem(page_, IDC_PB_LIST), panel_.id());
        if (!list_->ok()) return Expect(false, what, "cannot reach the panel's memory");
        const int rows = list_->Rows();
        const bool ok = BoxText(panel_.id()).empty() && rows == kRows &&
                        list_->Cell(0, 0) == TEXT("  1") &&
                        list_->Cell(kRows - 1, 0) == TEXT(" 80");
        Time("first showing (1500 pause + 2000 read)", took);
        const std::string box = Utf8FromText(BoxText(panel_.id()));
        return Expect(ok, what,
                      "rows " + std::to_string(rows) + " from \"" +
                          Utf8FromText(list_->Cell(0, 0)) + "\" to \"" +
                          Utf8FromText(list_->Cell(kRows - 1, 0)) + "\", box \"" + box + "\"");
    }

    // Clicks a page button whose work ends without any window of its own.
    bool Exchange(int button, const std::string& what) {
        const double start = MillisecondsNow();
        DWORD_PTR ignored = 0;
        const bool returned =
            SendMessageTimeout(page_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(page_, button)), SMTO_NORMAL,
                               kExchangeWithinMs, &ignored);
        const double took = MillisecondsNow() - start;
        if (button == IDC_PB_READ) Time("read button (2000 read + 500 settle)", took);
        if (button == IDC_PB_WRITE) Time("write button (1000 write + 500 settle)", took);
        const tstring box = BoxText(panel_.id());
        return Expect(returned && box.empty(), what, "box \"" + Utf8FromText(box) + "\"");
    }

    HWND WaitForWindow(const std::function<bool(HWND)>& wanted) {
        HWND found = nullptr;
        PollFor(kDialogWithinMs, [&] {
            for (HWND window : WindowsOf(panel_.id())) {
                if (window != main_ && wanted(window)) found = window;
            }
            return found != nullptr;
        });
        return found;
    }

    bool WaitGone(HWND window) {
        return PollFor(kDialogWithinMs,
                       [&] { return !IsWindow(window) || !IsWindowVisible(window); });
    }

    void Type(HWND edit, const tstring& text) {
        for (TCHAR c : text) PostMessage(edit, WM_CHAR, CharacterCode(c), 1);
    }

    bool EditEntry() {
        const std::string what = "the editor stores a typed entry in capitals";
        if (!list_->Select(kEditedRow)) return Expect(false, what, "cannot select the row");
        PostMessage(page_, WM_COMMAND, MAKEWPARAM(IDC_PB_EDIT, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(page_, IDC_PB_EDIT)));
        HWND editor = WaitForWindow([](HWND w) { return TextOf(w) == kEditorCaption; });
        if (editor == nullptr) return Expect(false, what, "no editor window");
        HWND name = GetDlgItem(editor, IDC_ENTRY_NAME);
        HWND number = GetDlgItem(editor, IDC_ENTRY_NUMBER);
        Type(name, kTypedName);
        Type(number, kTypedNumber);
        const bool typed = PollFor(kDialogWithinMs, [&] {
            return TextOf(name) == kStoredName && TextOf(number) == kTypedNumber;
        });
        if (!typed) {
            PostMessage(editor, WM_COMMAND, IDCANCEL, 0);
            return Expect(false, what, "the editor shows " + Utf8FromText(TextOf(name)));
        }
        PostMessage(editor, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(editor, IDOK)));
        if (!WaitGone(editor)) return Expect(false, what, "the editor stays open");
        WaitIdle(main_);
        return Expect(
            list_->Cell(kEditedRow, 1) == kStoredName && list_->Cell(kEditedRow, 2) == kTypedNumber,
            what, Utf8FromText(list_->Cell(kEditedRow, 1)));
    }

    // Answers the panel's file dialog with `path`.
    bool AnswerFileDialog(const tstring& path, const std::string& what) {
        HWND dialog = WaitForWindow([](HWND w) {
            return ClassOf(w) == TEXT("#32770") && TextOf(w) != kPanelTitle &&
                   TextOf(w) != kEditorCaption;
        });
        if (dialog == nullptr) return Expect(false, what, "no file dialog");
        HWND field = GetDlgItem(dialog, kFileNameCombo);
        if (field != nullptr && ClassOf(field) != TEXT("Edit")) {
            // The edit sits inside the combo box, which may sit inside an extended one.
            HWND combo = field;
            field = nullptr;
            for (HWND inner : ChildrenOf(combo)) {
                if (field == nullptr && ClassOf(inner) == TEXT("Edit")) field = inner;
            }
        }
        if (field == nullptr) field = GetDlgItem(dialog, kFileNameEdit);
        if (field == nullptr) {
            std::string children;
            for (HWND child : ChildrenOf(dialog)) {
                children +=
                    " " + Utf8FromText(ClassOf(child)) + "#" + std::to_string(GetDlgCtrlID(child));
            }
            PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
            return Expect(false, what, "no name field in the file dialog:" + children);
        }
        DWORD_PTR ignored = 0;
        SendMessageTimeout(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                           SMTO_NORMAL, kExchangeWithinMs, &ignored);
        PostMessage(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        if (!WaitGone(dialog)) return Expect(false, what, "the file dialog stays open");
        WaitIdle(main_);
        return true;
    }

    tstring StoryPath() const { return scratch_.File(TextFromUtf8(kFileName).c_str()); }

    bool SaveFile() {
        const std::string what = "saving writes the phonebook file with the entry";
        PostMessage(main_, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE_PHONEBOOK, 0), 0);
        if (!AnswerFileDialog(StoryPath(), what)) return false;
        const tstring saved = StoryPath() + TEXT(".PBF");
        const OwnedHandle file(CreateFile(saved.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        std::vector<char> bytes(kPhonebookFileSize + 1);
        DWORD got = 0;
        if (!file ||
            !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
            return Expect(false, what,
                          "no file " + Utf8FromText(saved) + "; box \"" +
                              Utf8FromText(BoxText(panel_.id())) + "\"");
        }
        const std::string name(bytes.data() + kFileHeaderSize + kEditedRow * kEntrySize);
        return Expect(got == kPhonebookFileSize && name == Utf8FromText(kStoredName), what,
                      std::to_string(got) + " bytes, entry \"" + name + "\"");
    }

    bool OpenFile() {
        PostMessage(main_, WM_COMMAND, MAKEWPARAM(ID_FILE_OPEN_PHONEBOOK, 0), 0);
        return AnswerFileDialog(StoryPath(), "opening the file");
    }

    tstring ImportPath() const {
        return scratch_.File(ShownText(L"yhteystiedot-\u00e4.csv").c_str());
    }

    bool PutImportFile() {
        const OwnedHandle file(CreateFile(ImportPath().c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        const bool put =
            file && WriteFile(file.get(), kImportFile, sizeof kImportFile - 1, &written, nullptr) &&
            written == sizeof kImportFile - 1;
        return Expect(put, "the spreadsheet's file is there", Utf8FromText(ImportPath()));
    }

    // The summary comes before anything changes; OK takes the file into the page.
    bool ImportFile() {
        const std::string what = "the import's summary counts what the file would do";
        PostMessage(main_, WM_COMMAND, MAKEWPARAM(ID_FILE_IMPORT_PHONEBOOK, 0), 0);
        if (!AnswerFileDialog(ImportPath(), "the import's file dialog")) return false;
        HWND summary = WaitForWindow([](HWND w) { return TextOf(w) == kImportCaption; });
        if (summary == nullptr) {
            return Expect(false, what,
                          "no summary; box \"" + Utf8FromText(BoxText(panel_.id())) + "\"");
        }
        const tstring counts = TextOf(GetDlgItem(summary, IDC_IMPORT_ADDED)) + TEXT("/") +
                               TextOf(GetDlgItem(summary, IDC_IMPORT_CHANGED)) + TEXT("/") +
                               TextOf(GetDlgItem(summary, IDC_IMPORT_REFUSED));
        const bool untouched = list_->Cell(kEditedRow, 1) == kStoredName;
        PostMessage(summary, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(summary, IDOK)));
        if (!WaitGone(summary)) return Expect(false, what, "the summary stays open");
        WaitIdle(main_);
        if (!Expect(counts == TEXT("1/1/1") && untouched, what,
                    "added/changed/refused " + Utf8FromText(counts) +
                        (untouched ? "" : "; the page changed before OK"))) {
            return false;
        }
        return ExpectImported("OK puts the file's entries on the page");
    }

    bool ExpectImported(const std::string& what) {
        const tstring shown = list_->Cell(kEditedRow, 1) + TEXT("|") + list_->Cell(kEditedRow, 2) +
                              TEXT("|") + list_->Cell(kAddedRow, 1) + TEXT("|") +
                              list_->Cell(kAddedRow, 2);
        return Expect(shown == ShownText(kImportedRows), what, Utf8FromText(shown));
    }

    bool ExportFile() {
        const std::string what = "export writes the page as UTF-8 CSV with its mark";
        PostMessage(main_, WM_COMMAND, MAKEWPARAM(ID_FILE_EXPORT_PHONEBOOK, 0), 0);
        const tstring typed = scratch_.File(TEXT("vienti"));
        if (!AnswerFileDialog(typed, what)) return false;
        const tstring written = typed + TEXT(".csv");  // the first pattern's extension
        const OwnedHandle file(CreateFile(written.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        char bytes[512] = {};
        DWORD got = 0;
        if (!file || !ReadFile(file.get(), bytes, sizeof bytes - 1, &got, nullptr)) {
            return Expect(false, what,
                          "no file " + Utf8FromText(written) + "; box \"" +
                              Utf8FromText(BoxText(panel_.id())) + "\"");
        }
        return Expect(std::string(bytes, got) == kExportedFile, what, std::string(bytes, got));
    }

    const ScratchFolder& scratch_;
    Simulator simulator_;
    ChildProcess panel_;
    HWND main_ = nullptr;
    HWND page_ = nullptr;
    std::unique_ptr<RemoteList> list_;
    int passed_ = 0;
    int failed_ = 0;
};

}  // namespace
}  // namespace pd::e2e

int _tmain(int argc, TCHAR** argv) {
    pd::e2e::ScratchFolder scratch;
    if (argc == 2 && pd::tstring(argv[1]) == TEXT("files")) {
        return pd::e2e::Story(scratch).TellFiles();
    }
    return pd::e2e::Story(scratch).Tell();
}
