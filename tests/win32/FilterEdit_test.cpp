// The filtering edit on real edit controls: what each mode lets through when typed, the beep
// for the rest, the control's own upper-casing, and the program-wide last-character flag.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>

#include "controls/FilterEdit.h"
#include "support/UiTest.h"
#include "testing/FakeUi.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

constexpr TCHAR kBackspace = 8;
constexpr int kPlainEdit = 100;
constexpr int kUpperCaseEdit = 101;

tstring Span(TCHAR first, TCHAR last) {
    tstring text;
    for (TCHAR c = first; c <= last; ++c) text += c;
    return text;
}

const tstring kDigits = Span(TEXT('0'), TEXT('9'));
const tstring kCapitals = Span(TEXT('A'), TEXT('Z'));
const tstring kSmall = Span(TEXT('a'), TEXT('z'));

class FilterEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = ::CreateWindowEx(0, TEXT("STATIC"), TEXT("host"), WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                  200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        MakeEdit(kPlainEdit, 0);
        MakeEdit(kUpperCaseEdit, ES_UPPERCASE);
        ASSERT_TRUE(plain.Attach(parent, kPlainEdit));
        ASSERT_TRUE(upper.Attach(parent, kUpperCaseEdit));
    }
    void TearDown() override { ::DestroyWindow(parent); }

    void MakeEdit(int id, DWORD style) {
        ::CreateWindowEx(0, TEXT("EDIT"), TEXT(""), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | style,
                         0, 0, 300, 20, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         nullptr, nullptr);
    }
    int Beeps() const { return ui.Count(UiEvent::Kind::Beep); }

    FakeUi ui;
    HWND parent = nullptr;
    CFilterEdit plain{ui};
    CFilterEdit upper{ui};
};

// Every character below 128, typed alone into an empty edit of each mode: the mode's own
// characters get in as typed, every other one beeps and leaves the edit empty.
TEST_F(FilterEditTest, EachModeLetsInExactlyItsCharactersAndBeepsForTheRest) {
    const struct {
        FilterMode mode;
        tstring accepted;  // besides backspace
    } modes[] = {
        {FilterMode::DialDigits, kDigits + TEXT("#*Pp")},
        {FilterMode::Name, kCapitals + kSmall + kDigits + TEXT(" +-,.'/*#&")},
        {FilterMode::CapitalLetters, kCapitals + TEXT(" +")},
        {FilterMode::Digits, kDigits},
        {FilterMode::InternationalNumber, kDigits + TEXT(" +")},
        {FilterMode::PhonebookNumber, kDigits + TEXT("#*pP")},
        {FilterMode::FormattedNumber, kDigits + TEXT("- +")},
    };
    for (const auto& mode : modes) {
        plain.SetFilterMode(mode.mode);
        for (int code = 1; code < 128; ++code) {
            const auto c = static_cast<TCHAR>(code);
            if (c == kBackspace) continue;
            ::SetWindowText(plain.hwnd(), TEXT(""));
            const int beepsBefore = Beeps();
            test::Type(plain.hwnd(), tstring(1, c));
            const bool accepted = mode.accepted.find(c) != tstring::npos;
            const tstring shown = test::Text(plain.hwnd());
            if (accepted) {
                EXPECT_EQ(shown, tstring(1, c))
                    << "mode " << static_cast<int>(mode.mode) << " character " << int(c);
                EXPECT_EQ(Beeps(), beepsBefore) << "character " << int(c);
            } else {
                EXPECT_EQ(shown, TEXT(""))
                    << "mode " << static_cast<int>(mode.mode) << " let in character " << int(c);
                EXPECT_EQ(Beeps(), beepsBefore + 1) << "character " << int(c);
            }
        }
    }
}

TEST_F(FilterEditTest, BackspaceWorksInEveryModeAndModeZeroTakesEverything) {
    for (int mode = 0; mode <= 7; ++mode) {
        plain.SetFilterMode(static_cast<FilterMode>(mode));
        ::SetWindowText(plain.hwnd(), TEXT("12"));
        ::SendMessage(plain.hwnd(), EM_SETSEL, 2, 2);
        test::Type(plain.hwnd(), tstring(1, kBackspace));
        EXPECT_EQ(test::Text(plain.hwnd()), TEXT("1")) << "mode " << mode;
    }
    plain.SetFilterMode(FilterMode::All);
    ::SetWindowText(plain.hwnd(), TEXT(""));
    test::Type(plain.hwnd(), TEXT("aZ!~ %"));
    EXPECT_EQ(test::Text(plain.hwnd()), TEXT("aZ!~ %"));
    EXPECT_EQ(Beeps(), 0);
}

// The filter judges the character as typed; turning it into a capital is the edit's own
// style.
TEST_F(FilterEditTest, UpperCasingIsTheEditsOwnStyle) {
    const struct {
        FilterMode mode;
        bool upperCaseEdit;
        tstring typed;
        tstring shown;
        int beeps;
    } cases[] = {
        {FilterMode::Name, true, TEXT("ab c"), TEXT("AB C"), 0},
        {FilterMode::Name, false, TEXT("ab c"), TEXT("ab c"), 0},
        {FilterMode::DialDigits, true, TEXT("a"), TEXT(""), 1},
        {FilterMode::DialDigits, false, TEXT("pP1"), TEXT("pP1"), 0},
        {FilterMode::DialDigits, true, TEXT("pP1"), TEXT("PP1"), 0},
        {FilterMode::CapitalLetters, true, TEXT("a"), TEXT(""), 1},
    };
    for (const auto& c : cases) {
        CFilterEdit& edit = c.upperCaseEdit ? upper : plain;
        edit.SetFilterMode(c.mode);
        ::SetWindowText(edit.hwnd(), TEXT(""));
        ui.Clear();
        test::Type(edit.hwnd(), c.typed);
        EXPECT_EQ(test::Text(edit.hwnd()), c.shown) << "mode " << static_cast<int>(c.mode);
        EXPECT_EQ(Beeps(), c.beeps);
    }
}

// Characters of 128 and above always get in and raise the flag; any character below 128
// lowers it before it is judged, even one that is refused. The flag is one for the program,
// not one per edit.
TEST_F(FilterEditTest, LastCharacterFlagFollowsEveryTypedCharacterInAnyEdit) {
    plain.SetFilterMode(FilterMode::Digits);
    upper.SetFilterMode(FilterMode::Name);
    const struct {
        CFilterEdit* edit;
        wchar_t typed;
        bool flag;
        int beeps;  // so far
    } steps[] = {
        {&plain, L'1', false, 0},     {&plain, L'\u00E4', true, 0}, {&plain, L'x', false, 1},
        {&upper, L'\u20AC', true, 1}, {&plain, L'2', false, 1},     {&upper, L'\u00E9', true, 1},
        {&plain, L'\u00C5', true, 1}, {&upper, L'!', false, 2},
    };
    for (const auto& step : steps) {
        test::Type(step.edit->hwnd(), ShownText(std::wstring(1, step.typed)));
        EXPECT_EQ(CFilterEdit::LastCharacterNotAscii(), step.flag) << "after " << int(step.typed);
        EXPECT_EQ(Beeps(), step.beeps) << "after " << int(step.typed);
    }
    EXPECT_EQ(test::Text(plain.hwnd()), ShownText(L"1\u00E42\u00C5"));
    EXPECT_EQ(test::Text(upper.hwnd()), ShownText(L"\u20AC\u00C9"))
        << "the edit upper-cases e-acute";
}

// Only typed characters are judged: text that arrives through the clipboard is left to the
// edit, which still applies its limit.
TEST_F(FilterEditTest, PastedTextIsNotFilteredButKeepsTheLimit) {
    plain.SetFilterMode(FilterMode::Digits);
    plain.SetLimit(5);
    ASSERT_TRUE(::OpenClipboard(parent));
    ::EmptyClipboard();
    const std::wstring pasted = L"ab-cdefg";  // what other programs put there
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(memory, nullptr);
    std::memcpy(::GlobalLock(memory), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ASSERT_NE(::SetClipboardData(CF_UNICODETEXT, memory), nullptr);
    ::CloseClipboard();

    ::SendMessage(plain.hwnd(), WM_PASTE, 0, 0);
    EXPECT_EQ(test::Text(plain.hwnd()), TEXT("ab-cd"));
    EXPECT_EQ(Beeps(), 0);

    // The keyboard's paste is a typed control character, and refused like any other.
    ::SetWindowText(plain.hwnd(), TEXT(""));
    test::Type(plain.hwnd(), TEXT("\x16"));
    EXPECT_EQ(test::Text(plain.hwnd()), TEXT(""));
    EXPECT_EQ(Beeps(), 1);
}

// Another procedure put over the filter's, as another program's hook might: the filter lets go
// and takes the edit over again beneath it, and that procedure sees every character throughout.
WNDPROC procedureBelowHook = nullptr;
int charactersSeenByHook = 0;

LRESULT CALLBACK CountingHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) ++charactersSeenByHook;
    return ::CallWindowProc(procedureBelowHook, window, message, wParam, lParam);
}

TEST_F(FilterEditTest, FilterLetsGoAndReturnsBeneathAnotherProcedure) {
    const HWND edit = plain.hwnd();
    plain.SetFilterMode(FilterMode::Digits);
    charactersSeenByHook = 0;
    procedureBelowHook = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingHook)));

    test::Type(plain.hwnd(), TEXT("1a"));
    EXPECT_EQ(test::Text(edit), TEXT("1"));
    plain.Detach();
    ::SendMessage(edit, WM_CHAR, TEXT('b'), 1);
    EXPECT_EQ(test::Text(edit), TEXT("1b")) << "a filter that let go refuses nothing";
    ASSERT_TRUE(plain.Attach(parent, kPlainEdit));
    ::SendMessage(edit, WM_CHAR, TEXT('c'), 1);
    EXPECT_EQ(test::Text(edit), TEXT("1b")) << "the filter is back";
    EXPECT_EQ(Beeps(), 2);
    EXPECT_EQ(charactersSeenByHook, 4);
}

TEST_F(FilterEditTest, EditMayGoBeforeItsFilterAndOneFilterTakesOneEdit) {
    EXPECT_FALSE(plain.Attach(parent, kUpperCaseEdit)) << "already filtering an edit";
    ::DestroyWindow(plain.hwnd());
    EXPECT_EQ(plain.hwnd(), nullptr) << "the filter lets go of a destroyed edit";
    EXPECT_FALSE(plain.Attach(parent, kPlainEdit)) << "no such control any more";
}

}  // namespace
}  // namespace pd
