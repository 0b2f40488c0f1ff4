// The entry editor, made from its real template and fed with typed characters: what it
// shows, what it lets in, how it keeps capitals, and when it closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "controls/Strings.h"
#include "phonebook/EntryDlg.h"
#include "protocol/PhonebookTable.h"
#include "resources/resource.h"
#include "support/PhonebookUi.h"
#include "testing/FakeUi.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using Kind = UiEvent::Kind;
using test::CaretOf;
using test::Pump;
using test::PutCaretAt;
using test::Type;

// A visible top-level window for the editor to sit over.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height) {
        window_ =
            ::CreateWindowEx(0, TEXT("STATIC"), TEXT("owner"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, x,
                             y, width, height, nullptr, nullptr, nullptr, nullptr);
    }
    ~OwnerWindow() { ::DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

POINT CentreOf(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class EntryEditor : public ::testing::Test {
protected:
    void TearDown() override {
        if (editor) editor->Destroy();
    }

    void Open(int position, HWND ownerWindow) {
        editor = std::make_unique<CEntryDlg>(table, position, ui);
        ASSERT_TRUE(editor->Create(ownerWindow));
        Pump(editor.get());
    }
    void Open(int position = 0) { Open(position, owner.get()); }
    void OpenWith(const std::string& name, const std::string& number) {
        table.SetEntry(0, name, number);
        Open(0);
    }

    HWND Name() const { return editor->Item(IDC_ENTRY_NAME); }
    HWND Number() const { return editor->Item(IDC_ENTRY_NUMBER); }
    tstring Shown(HWND edit) const { return test::Text(edit); }
    void Command(int id) {
        ::SendMessage(editor->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(editor->Item(id)));
    }
    void Key(HWND target, WPARAM key) {
        ::PostMessage(target, WM_KEYDOWN, key, 1);
        ::PostMessage(target, WM_KEYUP, key, 0xC0000001);
        Pump(editor.get());
    }
    int Beeps() const { return ui.Count(Kind::Beep); }

    FakeUi ui;
    PhonebookTable table{80, 0};
    OwnerWindow owner{100, 80, 700, 560};
    std::unique_ptr<CEntryDlg> editor;
};

TEST_F(EntryEditor, OpensWithTheEntrysTextsAsTheyAreUnderItsCaption) {
    OpenWith("\xE4iti m", "0401*");  // äiti m: lower case from the device stays as it came
    EXPECT_EQ(test::Text(editor->hwnd()), TEXT("Muokkaa"));
    EXPECT_EQ(Shown(Name()), ShownText(L"\u00E4iti m"));
    EXPECT_EQ(Shown(Number()), TEXT("0401*"));
    EXPECT_EQ(editor->nameText(), "\xE4iti m");
    EXPECT_EQ(Beeps(), 0) << "its own filling is not a change by the user";
    EXPECT_EQ(::GetFocus(), Name());

    EXPECT_EQ(::SendMessage(Name(), EM_GETLIMITTEXT, 0, 0), 20);
    EXPECT_EQ(::SendMessage(Number(), EM_GETLIMITTEXT, 0, 0), 46);
    EXPECT_EQ(editor->nameEdit().hwnd(), Name());
    EXPECT_EQ(editor->nameEdit().filterMode(), FilterMode::Name);
    EXPECT_EQ(editor->numberEdit().hwnd(), Number());
    EXPECT_EQ(editor->numberEdit().filterMode(), FilterMode::PhonebookNumber);
}

TEST_F(EntryEditor, OkAndCancelAreFlatHoverButtonsWithIconsAndFocusRectangle) {
    Open();
    for (CHoverButton* button : {&editor->okButton(), &editor->cancelButton()}) {
        ASSERT_NE(button->hwnd(), nullptr);
        EXPECT_TRUE(button->flat());
        EXPECT_TRUE(button->flatFocus());
        EXPECT_NE(button->icon(), nullptr);
        EXPECT_EQ(button->hoverIcon(), button->icon()) << "no second icon";
        EXPECT_EQ(button->iconWidth(), 32);
        EXPECT_EQ(::GetWindowLong(button->hwnd(), GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    }
    EXPECT_EQ(editor->okButton().hwnd(), editor->Item(IDOK));
    EXPECT_EQ(editor->cancelButton().hwnd(), editor->Item(IDCANCEL));
}

TEST_F(EntryEditor, SitsInTheMiddleOfItsOwnerOrOfTheMainWindow) {
    Open(0, owner.get());
    POINT centre = CentreOf(editor->hwnd());
    POINT expected = CentreOf(owner.get());
    EXPECT_NEAR(centre.x, expected.x, 1);
    EXPECT_NEAR(centre.y, expected.y, 1);
    editor->Destroy();

    OwnerWindow main(40, 30, 600, 500);
    ui.SetMainWindow(main.get());
    Open(0, nullptr);
    centre = CentreOf(editor->hwnd());
    expected = CentreOf(main.get());
    EXPECT_NEAR(centre.x, expected.x, 1);
    EXPECT_NEAR(centre.y, expected.y, 1);
}

TEST_F(EntryEditor, TypedTextTurnsToCapitalsWithTheCaretAfterTheTypedCharacter) {
    const struct {
        const char* what;
        std::string name, number;  // the entry
        bool inName;               // where the typing goes
        int caret;
        tstring typed;
        tstring shownName, shownNumber;
        int caretAfter;
    } cases[] = {
        {"abc into an empty name", "", "", true, 0, TEXT("abc"), TEXT("ABC"), TEXT(""), 3},
        {"p into the number", "", "12", false, 2, TEXT("p"), TEXT(""), TEXT("12P"), 3},
        {"a letter in the middle", "ABCD", "", true, 2, TEXT("x"), TEXT("ABXCD"), TEXT(""), 3},
        {"backspace", "ABC", "", true, 3, TEXT("\b"), TEXT("AB"), TEXT(""), 2},
        {"device's small letters follow the first keystroke", "\xE4iti", "1", true, 4, TEXT("s"),
         ShownText(L"\u00C4ITIS"), TEXT("1"), 5},
        {"typing in the number leaves the name's case", "\xE4iti", "1", false, 1, TEXT("2"),
         ShownText(L"\u00E4iti"), TEXT("12"), 2},
    };
    for (const auto& c : cases) {
        if (editor) editor->Destroy();
        ui.Clear();
        OpenWith(c.name, c.number);
        HWND field = c.inName ? Name() : Number();
        ::SetFocus(field);
        PutCaretAt(field, c.caret);
        Type(field, c.typed);
        EXPECT_EQ(Shown(Name()), c.shownName) << c.what;
        EXPECT_EQ(Shown(Number()), c.shownNumber) << c.what;
        EXPECT_EQ(CaretOf(field), c.caretAfter) << c.what;
        EXPECT_EQ(Beeps(), 0) << c.what;
    }
}

TEST_F(EntryEditor, FieldsTakeNoMoreThanTheEntryHolds) {
    Open();
    Type(Name(), tstring(20, TEXT('a')));
    Type(Name(), TEXT("b"));
    EXPECT_EQ(Shown(Name()), tstring(20, TEXT('A')));
    EXPECT_EQ(editor->nameText(), std::string(20, 'A'));

    Type(Number(), tstring(46, TEXT('7')));
    Type(Number(), TEXT("8"));
    EXPECT_EQ(Shown(Number()), tstring(46, TEXT('7')));
}

TEST_F(EntryEditor, CharacterOutsideTheFieldsSetIsRefusedWithABeep) {
    Open();
    Type(Name(), TEXT("a!"));
    Type(Number(), TEXT("1a"));
    EXPECT_EQ(Shown(Name()), TEXT("A"));
    EXPECT_EQ(Shown(Number()), TEXT("1"));
    EXPECT_EQ(Beeps(), 2);
}

TEST_F(EntryEditor, CharacterOf128OrAboveIsTakenOutAgainWithABeep) {
    const struct {
        const char* what;
        std::string name;
        int caret;
        wchar_t typed;
        tstring shown;
        std::string kept;
        int caretAfter;  // the caret as it was, less the characters taken out
    } cases[] = {
        {"e acute at the end", "AB", 2, L'\u00E9', TEXT("AB"), "AB", 2},
        {"euro sign in the middle", "ABCD", 2, L'\u20AC', TEXT("ABCD"), "ABCD", 3},
        {"the field's own such characters go too",
         "\xC4"
         "BC",
         3, L'\u00E9', TEXT("BC"), "BC", 2},
    };
    for (const auto& c : cases) {
        if (editor) editor->Destroy();
        ui.Clear();
        OpenWith(c.name, "");
        ::SetFocus(Name());
        PutCaretAt(Name(), c.caret);
        Type(Name(), ShownText(std::wstring(1, c.typed)));
        EXPECT_EQ(Shown(Name()), c.shown) << c.what;
        EXPECT_EQ(editor->nameText(), c.kept) << c.what;
        EXPECT_EQ(CaretOf(Name()), c.caretAfter) << c.what;
        EXPECT_EQ(Beeps(), 1) << c.what;
    }
}

TEST_F(EntryEditor, FieldChangedAfterARefusedWideCharacterComesBackToItsLastText) {
    OpenWith("AB", "");
    Type(Name(), ShownText(L"\u00E9"));
    ASSERT_EQ(Beeps(), 1);
    // The next typed character is plain again and is taken as usual.
    PutCaretAt(Name(), 2);
    Type(Name(), TEXT("c"));
    EXPECT_EQ(Shown(Name()), TEXT("ABC"));
    EXPECT_EQ(Beeps(), 1);
}

TEST_F(EntryEditor, OkClosesOnlyWhenTheNumberHasMoreThanTwoCharactersWithADigit) {
    const struct {
        tstring name;
        tstring number;
        bool closes;
    } cases[] = {
        {TEXT("ab"), TEXT("12"), false},  {TEXT("ab"), TEXT("123"), true},
        {TEXT("ab"), TEXT("*#P"), false}, {TEXT("ab"), TEXT("P12"), true},
        {TEXT(""), TEXT("555"), true},    {TEXT("ab"), TEXT(""), false},
        {TEXT(""), TEXT(""), false},      {TEXT("ab"), TEXT("PPP1"), true},
    };
    for (const auto& c : cases) {
        if (editor) editor->Destroy();
        ui.Clear();
        Open(1);
        Type(Name(), c.name);
        Type(Number(), c.number);
        Command(IDOK);
        const std::string what = "number \"" + std::string(c.number.begin(), c.number.end()) + "\"";
        EXPECT_EQ(editor->ended(), c.closes) << what;
        EXPECT_EQ(Beeps(), c.closes ? 0 : 1) << what;
        if (c.closes) {
            EXPECT_EQ(editor->result(), IDOK) << what;
            EXPECT_EQ(editor->numberText(), std::string(c.number.begin(), c.number.end()));
            EXPECT_EQ(editor->nameText(), c.name == TEXT("ab") ? "AB" : "") << what;
        }
    }
    EXPECT_EQ(table.Name(1), "") << "the editor never writes the table";
}

TEST_F(EntryEditor, EnterIsOkAndEscapeOrCloseIsCancel) {
    OpenWith("", "123");
    Key(Number(), VK_RETURN);
    EXPECT_TRUE(editor->ended());
    EXPECT_EQ(editor->result(), IDOK);

    const struct {
        const char* what;
        std::function<void()> act;
    } cancels[] = {
        {"cancel button", [this] { ::SendMessage(editor->Item(IDCANCEL), BM_CLICK, 0, 0); }},
        {"escape", [this] { Key(Name(), VK_ESCAPE); }},
        {"close box", [this] { ::SendMessage(editor->hwnd(), WM_CLOSE, 0, 0); }},
    };
    for (const auto& c : cancels) {
        editor->Destroy();
        ui.Clear();
        OpenWith("", "123");
        Type(Name(), TEXT("x"));
        c.act();
        Pump(editor.get());
        EXPECT_TRUE(editor->ended()) << c.what;
        EXPECT_EQ(editor->result(), IDCANCEL) << c.what;
        EXPECT_EQ(Beeps(), 0) << c.what;
    }
    EXPECT_EQ(table.Name(0), "");
}

TEST_F(EntryEditor, EntryTextsAreWindows1252BothWays) {
    OpenWith("", "");
    Type(Name(), TEXT("a"));
    ::SendMessage(Name(), EM_SETSEL, 0, -1);
    // Text that reaches the edit without being typed (pasted, say) keeps 1252's characters
    // and their capitals.
    const tstring pasted = ShownText(L"\u00E5s\u00FF");
    ::SendMessage(Name(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));
    EXPECT_EQ(Shown(Name()), ShownText(L"\u00C5S\u0178"));
    EXPECT_EQ(editor->nameText(), "\xC5S\x9F");
}

}  // namespace
}  // namespace pd
