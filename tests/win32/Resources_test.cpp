// The program's resources as the windows load them: pictures, menu and version.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "PanelDeskVersion.h"

#include "controls/Strings.h"
#include "phonebook/RowProblem.h"
#include "resources/resource.h"
#include "support/UiTest.h"
#include "win32/Handles.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd {
namespace {

TEST(Resources, IconsAre32By32) {
    for (int id : {IDI_APP, IDI_EXIT, IDI_HELP, IDI_OK, IDI_CANCEL}) {
        ScopedIcon icon(static_cast<HICON>(
            ::LoadImage(ResourceModule(), MAKEINTRESOURCE(id), IMAGE_ICON, 0, 0, 0)));
        ASSERT_TRUE(icon) << "icon " << id;
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
        ScopedBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bits{};
        ::GetObject(info.hbmColor, sizeof bits, &bits);
        EXPECT_EQ(bits.bmWidth, 32) << "icon " << id;
        EXPECT_EQ(bits.bmHeight, 32) << "icon " << id;
    }
}

TEST(Resources, TabStripHoldsFiveImagesOnTransparentBlue) {
    ScopedBitmap strip(static_cast<HBITMAP>(
        ::LoadImage(ResourceModule(), MAKEINTRESOURCE(IDB_TAB_IMAGES), IMAGE_BITMAP, 0, 0, 0)));
    ASSERT_TRUE(strip);
    BITMAP bits{};
    ::GetObject(strip.get(), sizeof bits, &bits);
    EXPECT_EQ(bits.bmWidth, 100);
    EXPECT_EQ(bits.bmHeight, 20);
    MemoryDc dc(::CreateCompatibleDC(nullptr));
    SelectGuard selected(dc.get(), strip.get());
    for (int image = 0; image < 5; ++image) {
        int blue = 0, drawn = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = image * 20; x < image * 20 + 20; ++x) {
                (::GetPixel(dc.get(), x, y) == RGB(0, 0, 255) ? blue : drawn)++;
            }
        }
        EXPECT_GT(blue, 20) << "image " << image << " has a transparent background";
        EXPECT_GT(drawn, 100) << "image " << image << " has a glyph";
    }
}

TEST(Resources, MainMenuHasTheFileAndHelpCommandsWithThePhonebookOnesGrayed) {
    HMENU menu = ::LoadMenu(ResourceModule(), MAKEINTRESOURCE(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    const struct {
        int id;
        bool grayed;
    } items[] = {{ID_FILE_OPEN_PHONEBOOK, true},
                 {ID_FILE_SAVE_PHONEBOOK, true},
                 {ID_FILE_IMPORT_PHONEBOOK, true},
                 {ID_FILE_EXPORT_PHONEBOOK, true},
                 {ID_FILE_EXIT, false},
                 {ID_HELP_CONTENTS, false},
                 {ID_HELP_ABOUT, false}};
    for (const auto& item : items) {
        const UINT state = ::GetMenuState(menu, item.id, MF_BYCOMMAND);
        ASSERT_NE(state, static_cast<UINT>(-1)) << item.id;
        EXPECT_EQ((state & MF_GRAYED) != 0, item.grayed) << item.id;
    }
    TCHAR text[64] = {};
    ::GetMenuString(menu, ID_HELP_CONTENTS, text, 64, MF_BYCOMMAND);
    EXPECT_EQ(tstring(text), ShownText(L"&Sisällys"));
    ::DestroyMenu(menu);
}

// What Explorer's properties sheet and the About box show, and what the installers say: all
// the same version, 1.05, whose numbers are 1 and 5 (not 1 and 05 read as text).
TEST(Resources, VersionBlockAndAboutTextSayVersion105) {
    const tstring program = ModulePath();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSize(program.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(::GetFileVersionInfo(program.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        ::VerQueryValue(block.data(), TEXT("\\"), reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(5, 1));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(5, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    const auto text = [&](const TCHAR* name) -> tstring {
        const tstring key = tstring(TEXT("\\StringFileInfo\\040B04B0\\")) + name;
        TCHAR* value = nullptr;
        UINT chars = 0;
        const bool found =
            ::VerQueryValue(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars);
        return found ? tstring(value) : TEXT("(missing)");
    };
    EXPECT_EQ(text(TEXT("FileVersion")), TEXT("1.05"));
    EXPECT_EQ(text(TEXT("ProductVersion")), TEXT("1.05"));
    EXPECT_EQ(text(TEXT("ProductName")), TEXT("Ostrex MF 40 PanelDesk"));
    EXPECT_EQ(text(TEXT("CompanyName")), TEXT("Veltra"));

    EXPECT_EQ(LoadResString(IDS_ABOUT_VERSION), TEXT("Versio 1.05"));
    EXPECT_EQ(LoadResString(IDS_ABOUT_VERSION), TEXT("Versio ") + TextFromUtf8(PD_VERSION_STRING));
}

// Every id the panel's code and templates share, against the number the device's users and
// the help file know it by: a wrong number in the header would pass every other test, since
// the templates and the code would still agree with each other.
TEST(Resources, EveryIdHasItsOwnNumber) {
#define PD_ID(name, number) \
    { #name, name, number }
    const struct {
        const char* name;
        int id;
        int number;
    } ids[] = {
        // Icons and pictures.
        PD_ID(IDI_APP, 101),
        PD_ID(IDI_EXIT, 121),
        PD_ID(IDI_HELP, 122),
        PD_ID(IDB_TAB_IMAGES, 124),
        PD_ID(IDI_OK, 130),
        PD_ID(IDI_CANCEL, 131),
        PD_ID(IDB_ABOUT_PICTURE, 139),
        // Strings.
        PD_ID(IDS_TITLE, 1),
        PD_ID(IDS_NO_RESPONSE, 10),
        PD_ID(IDS_EDIT_CAPTION, 11),
        PD_ID(IDS_ONE_TOUCH_DIAL, 12),
        PD_ID(IDS_SPEED_DIAL, 13),
        PD_ID(IDS_COLUMN_NAME, 14),
        PD_ID(IDS_COLUMN_NUMBER, 16),
        PD_ID(IDS_COLUMN_ENTRY, 17),
        PD_ID(IDS_ABOUT_MODEL, 51),
        PD_ID(IDS_ABOUT_VERSION, 52),
        PD_ID(IDS_ABOUT_COPYRIGHT, 53),
        PD_ID(IDS_ABOUT_RIGHTS, 54),
        PD_ID(IDS_CHOOSE_FIRMWARE, 100),
        PD_ID(IDS_INVALID_FIRMWARE, 101),
        PD_ID(IDS_WRITE_FAILED, 102),
        PD_ID(IDS_READ_FAILED, 103),
        PD_ID(IDS_BYTES_TRANSFERRED, 104),
        PD_ID(IDS_DATA_WRITTEN, 105),
        PD_ID(IDS_UPDATE_COMPLETE, 106),
        PD_ID(IDS_PORT_RESERVED, 107),
        PD_ID(IDS_TEXT_FILE_FILTER, 110),
        PD_ID(IDS_FILE_NOT_READ, 111),
        PD_ID(IDS_FILE_TOO_LARGE, 112),
        PD_ID(IDS_FILE_EXISTS, 113),
        PD_ID(IDS_COLUMN_LINE, 114),
        PD_ID(IDS_COLUMN_REASON, 115),
        PD_ID(IDS_ROW_FAULT_FIRST, 300),
        PD_ID(IDS_PERCENT_SUFFIX, 109),
        PD_ID(IDS_GROUP_DIAL, 18),
        PD_ID(IDS_SECTION_CAPTION, 19),
        PD_ID(IDS_PHONEBOOK_FILE_FILTER, 116),
        PD_ID(IDS_FIRMWARE_FILE_FILTER, 108),
        // Main window, its menu and the About box.
        PD_ID(IDD_MAIN, 102),
        PD_ID(IDR_MAIN_MENU, 129),
        PD_ID(IDC_MAIN_EXIT, 1006),
        PD_ID(IDC_MAIN_HELP, 1042),
        PD_ID(ID_FILE_OPEN_PHONEBOOK, 40008),
        PD_ID(ID_FILE_SAVE_PHONEBOOK, 40009),
        PD_ID(ID_FILE_EXIT, 32771),
        PD_ID(ID_HELP_CONTENTS, 32772),
        PD_ID(ID_HELP_ABOUT, 40010),
        PD_ID(ID_HELP_STANDARD, 57670),
        PD_ID(IDD_ABOUT, 110),
        PD_ID(ID_FILE_IMPORT_PHONEBOOK, 40011),
        PD_ID(ID_FILE_EXPORT_PHONEBOOK, 40012),
        // Import summary.
        PD_ID(IDD_IMPORT, 141),
        PD_ID(IDC_IMPORT_FILE, 1101),
        PD_ID(IDC_IMPORT_ADDED, 1102),
        PD_ID(IDC_IMPORT_CHANGED, 1103),
        PD_ID(IDC_IMPORT_REFUSED, 1104),
        PD_ID(IDC_IMPORT_PROBLEMS, 1105),
        // Entry editor.
        PD_ID(IDD_ENTRY, 112),
        PD_ID(IDC_ENTRY_NUMBER, 1001),
        PD_ID(IDC_ENTRY_NAME, 1002),
        // Settings page.
        PD_ID(IDD_SETTINGS, 106),
        PD_ID(IDC_SET_POWER_SAVE_MINUTES, 1000),
        PD_ID(IDC_SET_POWER_SAVE_OFF, 1002),
        PD_ID(IDC_SET_POWER_SAVE_ON, 1003),
        PD_ID(IDC_SET_TRAY_PAPER_SIZE, 1017),
        PD_ID(IDC_SET_SEND_CONFIRMATION, 1018),
        PD_ID(IDC_SET_BYPASS_PAPER_SIZE, 1019),
        PD_ID(IDC_SET_BYPASS_PAPER_TYPE, 1020),
        PD_ID(IDC_SET_DISCARD_LENGTH, 1021),
        PD_ID(IDC_SET_ANSWER_DELAY, 1023),
        PD_ID(IDC_SET_REMOTE_RECEIVE_CODE, 1024),
        PD_ID(IDC_SET_REDIAL_ATTEMPTS, 1025),
        PD_ID(IDC_SET_REDIAL_INTERVAL, 1026),
        PD_ID(IDC_SET_ECM_MODE, 1028),
        PD_ID(IDC_SET_SEND_FROM_MEMORY, 1029),
        PD_ID(IDC_SET_CLOCK_FORMAT, 1053),
        PD_ID(IDC_SET_AUTO_JOURNAL, 1056),
        PD_ID(IDC_SET_DEVICE_ID, 1057),
        PD_ID(IDC_SET_RECEIVE_REDUCTION, 1058),
        PD_ID(IDC_SET_HORIZONTAL_REDUCTION, 1059),
        PD_ID(IDC_SET_REFRESH, 1060),
        PD_ID(IDC_SET_APPLY, 1063),
        PD_ID(IDC_SET_DISCARD_ARROWS, 1096),
        PD_ID(IDC_SET_ANSWER_DELAY_ARROWS, 1097),
        PD_ID(IDC_SET_REDIAL_ATTEMPTS_ARROWS, 1098),
        PD_ID(IDC_SET_REDIAL_INTERVAL_ARROWS, 1099),
        // Advanced page.
        PD_ID(IDD_ADVANCED, 123),
        PD_ID(IDC_ADV_NUMBER_PREFIX, 1001),
        PD_ID(IDC_ADV_RECEIVE_MODE, 1022),
        PD_ID(IDC_ADV_DEVICE_ID_NUMBER, 1037),
        PD_ID(IDC_ADV_DEVICE_ID_NAME, 1038),
        PD_ID(IDC_ADV_CUSTOMER_NAME, 1039),
        PD_ID(IDC_ADV_CUSTOMER_NUMBER, 1040),
        PD_ID(IDC_ADV_SERVICE_NUMBER, 1041),
        PD_ID(IDC_ADV_SERIAL_NUMBER, 1042),
        PD_ID(IDC_ADV_DUPLEX_FAX, 1050),
        PD_ID(IDC_ADV_ALARM_SOUND, 1051),
        PD_ID(IDC_ADV_KEY_SOUND, 1052),
        PD_ID(IDC_ADV_TONER_SAVE, 1054),
        PD_ID(IDC_ADV_TONER_NOTICE, 1055),
        PD_ID(IDC_ADV_USB_MODE, 1057),
        PD_ID(IDC_ADV_LANGUAGE, 1058),
        PD_ID(IDC_ADV_REFRESH, 1060),
        PD_ID(IDC_ADV_SPEAKER_MODE, 1061),
        PD_ID(IDC_ADV_RING_VOLUME, 1062),
        PD_ID(IDC_ADV_APPLY, 1063),
        PD_ID(IDC_ADV_IMAGE_QUALITY, 1064),
        // Phonebook page.
        PD_ID(IDD_PHONEBOOK, 115),
        PD_ID(IDC_PB_WRITE, 1024),
        PD_ID(IDC_PB_EDIT, 1025),
        PD_ID(IDC_PB_DELETE, 1026),
        PD_ID(IDC_PB_LIST, 1027),
        PD_ID(IDC_PB_DELETE_ALL, 1031),
        PD_ID(IDC_PB_READ, 1032),
        PD_ID(IDC_PB_ONE_TOUCH, 1034),
        PD_ID(IDC_PB_SPEED_DIAL, 1035),
        // Information page.
        PD_ID(IDD_INFO, 104),
        PD_ID(IDC_INFO_MODEL, 1003),
        PD_ID(IDC_INFO_REFRESH, 1060),
        PD_ID(IDC_INFO_FIRMWARE_VERSION, 1065),
        PD_ID(IDC_INFO_ENGINE_VERSION, 1066),
        PD_ID(IDC_INFO_EMULATION1_VERSION, 1067),
        PD_ID(IDC_INFO_EMULATION2_VERSION, 1068),
        PD_ID(IDC_INFO_PLATEN_SCANS, 1069),
        PD_ID(IDC_INFO_FEEDER_SCANS, 1070),
        PD_ID(IDC_INFO_PRINTS, 1071),
        PD_ID(IDC_INFO_DRUM_COUNT, 1072),
        PD_ID(IDC_INFO_DOCUMENT_JAMS, 1073),
        PD_ID(IDC_INFO_PAPER_JAMS, 1074),
        PD_ID(IDC_INFO_FREE_MEMORY, 1075),
        // Firmware update page.
        PD_ID(IDD_FIRMWARE, 101),
        PD_ID(IDC_FW_UPDATE, 1000),
        PD_ID(IDC_FW_MODEL, 1003),
        PD_ID(IDC_FW_FILE_NAME, 1004),
        PD_ID(IDC_FW_FILE_SIZE, 1007),
        PD_ID(IDC_FW_PROGRESS, 1009),
        PD_ID(IDC_FW_BROWSE, 1023),
        PD_ID(IDC_FW_REFRESH, 1060),
        PD_ID(IDC_FW_FIRMWARE_VERSION, 1065),
        PD_ID(IDC_FW_EMULATION1_VERSION, 1067),
        PD_ID(IDC_FW_EMULATION2_VERSION, 1068),
        PD_ID(IDC_FW_MESSAGE, 1075),
        PD_ID(IDC_FW_PERCENT, 1076),
    };
#undef PD_ID
    for (const auto& id : ids) EXPECT_EQ(id.id, id.number) << id.name;

    // The texts share one table: no two on one number, none among the row faults' texts.
    std::map<int, std::string> texts;
    for (const auto& id : ids) {
        if (std::string_view(id.name).substr(0, 4) != "IDS_") continue;
        const auto [held, added] = texts.emplace(id.id, id.name);
        EXPECT_TRUE(added) << id.name << " and " << held->second << " share " << id.id;
        const bool amongFaults =
            id.id >= IDS_ROW_FAULT_FIRST && id.id < IDS_ROW_FAULT_FIRST + kRowFaultCount;
        EXPECT_TRUE(id.id == IDS_ROW_FAULT_FIRST || !amongFaults) << id.name;
    }
}

// The texts of one dialog template as its controls hold them once created: every text, and
// each numbered control's own.
struct TemplateTexts {
    explicit TemplateTexts(int dialog) {
        // Pages are child templates, so every template gets a hidden owner to live in.
        HWND owner = ::CreateWindowEx(0, TEXT("STATIC"), TEXT(""), WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, nullptr, nullptr);
        HWND window =
            ::CreateDialogParam(ResourceModule(), MAKEINTRESOURCE(dialog), owner, Plain, 0);
        for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            const tstring text = test::Text(child);
            all.push_back(text);
            byId[::GetDlgCtrlID(child)] = text;
        }
        created = window != nullptr;
        if (window != nullptr) ::DestroyWindow(window);
        ::DestroyWindow(owner);
    }

    static INT_PTR CALLBACK Plain(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

    bool created = false;
    std::vector<tstring> all;
    std::map<int, tstring> byId;
};

// Texts that only a look at the screen would otherwise catch: the port box's text, the
// menu's captions, the main window's buttons and the labels beside the pages' values.
TEST(Resources, TextsTheUserReadsAreTheProgramsOwn) {
    TCHAR portReserved[64] = {};
    ::LoadString(ResourceModule(), 107, portReserved, 64);
    EXPECT_STREQ(portReserved, TEXT("Portti on varattu"));

    HMENU menu = ::LoadMenu(ResourceModule(), MAKEINTRESOURCE(129));
    ASSERT_NE(menu, nullptr);
    const auto caption = [&](UINT item, UINT by) {
        TCHAR text[64] = {};
        ::GetMenuString(menu, item, text, 64, by);
        return tstring(text);
    };
    EXPECT_EQ(caption(0, MF_BYPOSITION), TEXT("&Tiedosto"));
    EXPECT_EQ(caption(1, MF_BYPOSITION), TEXT(" O&hje"));
    const std::pair<UINT, tstring> items[] = {
        {40008, TEXT("&Avaa puhelinmuistio")},
        {40009, TEXT("Tallenna &puhelinmuistio")},
        {40011, TEXT("&Tuo CSV- tai vCard-tiedostosta")},
        {40012, TEXT("&Vie CSV- tai vCard-tiedostoon")},
        {32771, TEXT("&Lopeta")},
        {32772, ShownText(L"&Sisällys")},
        {40010, TEXT("Tietoja")},
    };
    for (const auto& [id, text] : items) EXPECT_EQ(caption(id, MF_BYCOMMAND), text) << id;
    ::DestroyMenu(menu);

    const TemplateTexts main(102);
    ASSERT_TRUE(main.created);
    EXPECT_EQ(main.byId.at(1006), TEXT("  &Lopeta"));
    EXPECT_EQ(main.byId.at(1042), TEXT("  O&hje"));

    const struct {
        int dialog;
        std::vector<tstring> labels;
    } pages[] = {
        {106,
         {TEXT("Paperialustan paperikoko:"), ShownText(L"Ohisyöttöalustan paperikoko:"),
          ShownText(L"Ohisyöttöalustan paperin tyyppi:"), ShownText(L"Hylkää ylijäämä: "),
          TEXT("mm"), TEXT("Vastausviive: "), TEXT("soittoa"), ShownText(L"Toistoväli:"),
          TEXT("minuuttia"), TEXT("Toistoyritykset:"), TEXT("kertaa"), ShownText(L"Virransäästö"),
          ShownText(L"Lähetysvahvistus:"), ShownText(L"Vastaanoton etäkäynnistyskoodi:"),
          ShownText(L"Ajannäyttö: ")}},
        {123,
         {TEXT("Laitteen ID"), TEXT("Asiakas"), TEXT("Nimi:"), TEXT("Numero:"),
          TEXT("Palvelunumero:"), TEXT("Sarjanumero:"), TEXT("Vastaanottotila: "),
          TEXT("Kaiutin: "), ShownText(L"Soittoääni: "), TEXT("USB-tila: "),
          TEXT("2-puolinen faksi: "), TEXT("Kieli:"), TEXT("Numeron etuliite:"),
          TEXT("Kuvalaatu:")}},
        {115, {TEXT(" Tyyppi")}},
        {104,
         {TEXT("Konemalli :"), TEXT("Laiteohjelmisto, versio :"), TEXT("Koneisto, versio :"),
          TEXT("Emulointi 1, versio :"), TEXT("Emulointi 2, versio :"), TEXT("Vapaa muisti:"),
          TEXT("Skannatut sivut yht. (valotuslasi):"),
          ShownText(L"Skannatut sivut yht. (syöttölaite):"), ShownText(L"Tulosteita yhteensä:"),
          TEXT("Rumpulaskuri:"), TEXT("Originaalitukoksia:"), TEXT("Paperitukoksia:")}},
        {101,
         {TEXT("Nykyinen versio"), TEXT("Konemalli :"), TEXT("Laiteohjelmisto, versio :"),
          TEXT("Emulointi 1, versio :"), TEXT("Emulointi 2, versio :"), TEXT("Tiedostotietoja"),
          TEXT("Tiedoston nimi:"), TEXT("Tiedoston koko:"), TEXT("Tila"), TEXT("Viesti:")}},
        {112, {TEXT("Nimi:"), TEXT("Puhelinnumero:")}},
        {141,
         {TEXT("Tiedosto:"), ShownText(L"Lis\u00e4tt\u00e4v\u00e4t merkinn\u00e4t:"),
          ShownText(L"Muuttuvat merkinn\u00e4t:"), ShownText(L"Hyl\u00e4tyt rivit:"), TEXT("OK"),
          TEXT("Peruuta")}},
    };
    for (const auto& page : pages) {
        const TemplateTexts texts(page.dialog);
        ASSERT_TRUE(texts.created) << "dialog " << page.dialog;
        for (const tstring& label : page.labels) {
            EXPECT_NE(std::ranges::find(texts.all, label), texts.all.end())
                << "dialog " << page.dialog << " lacks the label \"" << Utf8FromText(label) << "\"";
        }
    }
}

// Each reason a file's row is refused for has its Finnish text, which quotes nothing the
// fault does not give: the placeholders it uses are among the English text's.
TEST(Resources, EveryRowFaultHasItsTextWithTheFaultsValues) {
    const auto placeholders = [](std::string_view text) {
        std::string used;
        for (std::size_t at = text.find('%'); at != std::string_view::npos && at + 1 < text.size();
             at = text.find('%', at + 2)) {
            used += text[at + 1];
        }
        return used;
    };
    for (int fault = 0; fault < kRowFaultCount; ++fault) {
        const std::string finnish = Utf8FromText(LoadResString(IDS_ROW_FAULT_FIRST + fault));
        EXPECT_FALSE(finnish.empty()) << "fault " << fault;
        for (const char used : placeholders(finnish)) {
            EXPECT_NE(placeholders(EnglishRowFault(static_cast<RowFault>(fault))).find(used),
                      std::string::npos)
                << "fault " << fault << ": " << finnish;
        }
    }
    EXPECT_TRUE(LoadResString(IDS_ROW_FAULT_FIRST + kRowFaultCount).empty());
}

}  // namespace
}  // namespace pd
