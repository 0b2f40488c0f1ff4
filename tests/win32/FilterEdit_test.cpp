// The filtering edit on real edit controls: what each mode lets through when typed, the beep
// for the rest, the control's own upper-casing, and the program-wide last-character flag.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>

#include "controls/FilterEdit.h"
#include "testing/FakeUi.h"
#include "support/UiTest.h"

namespace pd {
namespace {

constexpr wchar_t kBackspace = 8;
constexpr int kPlainEdit = 100;
constexpr int kUpperCaseEdit = 101;

std::wstring Span(wchar_t first, wchar_t last) {
    std::wstring text;
    for (wchar_t c = first; c <= last; ++c) text += c;
    return text;
}

const std::wstring kDigits = Span(L'0', L'9');
const std::wstring kCapitals = Span(L'A', L'Z');
const std::wstring kSmall = Span(L'a', L'z');

class FilterEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200,
                                   nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        MakeEdit(kPlainEdit, 0);
        MakeEdit(kUpperCaseEdit, ES_UPPERCASE);
        ASSERT_TRUE(plain.Attach(parent, kPlainEdit));
        ASSERT_TRUE(upper.Attach(parent, kUpperCaseEdit));
    }
    void TearDown() override { ::DestroyWindow(parent); }

    void MakeEdit(int id, DWORD style) {
        ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | style, 0,
                          0, 300, 20, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          nullptr, nullptr);
    }
    static void Type(const CFilterEdit& edit, std::wstring_view characters) {
        for (wchar_t c : characters) ::SendMessageW(edit.hwnd(), WM_CHAR, c, 1);
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
        std::wstring accepted;  // besides backspace
    } modes[] = {
        {FilterMode::DialDigits, kDigits + L"#*Pp"},
        {FilterMode::Name, kCapitals + kSmall + kDigits + L" +-,.'/*#&"},
        {FilterMode::CapitalLetters, kCapitals + L" +"},
        {FilterMode::Digits, kDigits},
        {FilterMode::InternationalNumber, kDigits + L" +"},
        {FilterMode::PhonebookNumber, kDigits + L"#*pP"},
        {FilterMode::FormattedNumber, kDigits + L"- +"},
    };
    for (const auto& mode : modes) {
        plain.SetFilterMode(mode.mode);
        for (wchar_t c = 1; c < 128; ++c) {
            if (c == kBackspace) continue;
            ::SetWindowTextW(plain.hwnd(), L"");
            const int beepsBefore = Beeps();
            Type(plain, std::wstring(1, c));
            const bool accepted = mode.accepted.find(c) != std::wstring::npos;
            const std::wstring shown = test::Text(plain.hwnd());
            if (accepted) {
                EXPECT_EQ(shown, std::wstring(1, c))
                    << "mode " << static_cast<int>(mode.mode) << " character " << int(c);
                EXPECT_EQ(Beeps(), beepsBefore) << "character " << int(c);
            } else {
                EXPECT_EQ(shown, L"") << "mode " << static_cast<int>(mode.mode)
                                      << " let in character " << int(c);
                EXPECT_EQ(Beeps(), beepsBefore + 1) << "character " << int(c);
            }
        }
    }
}

TEST_F(FilterEditTest, BackspaceWorksInEveryModeAndModeZeroTakesEverything) {
    for (int mode = 0; mode <= 7; ++mode) {
        plain.SetFilterMode(static_cast<FilterMode>(mode));
        ::SetWindowTextW(plain.hwnd(), L"12");
        ::SendMessageW(plain.hwnd(), EM_SETSEL, 2, 2);
        Type(plain, std::wstring(1, kBackspace));
        EXPECT_EQ(test::Text(plain.hwnd()), L"1") << "mode " << mode;
    }
    plain.SetFilterMode(FilterMode::All);
    ::SetWindowTextW(plain.hwnd(), L"");
    Type(plain, L"aZ!~ %");
    EXPECT_EQ(test::Text(plain.hwnd()), L"aZ!~ %");
    EXPECT_EQ(Beeps(), 0);
}

// The filter judges the character as typed; turning it into a capital is the edit's own
// style.
TEST_F(FilterEditTest, UpperCasingIsTheEditsOwnStyle) {
    const struct {
        FilterMode mode;
        bool upperCaseEdit;
        std::wstring typed;
        std::wstring shown;
        int beeps;
    } cases[] = {
        {FilterMode::Name, true, L"ab c", L"AB C", 0},
        {FilterMode::Name, false, L"ab c", L"ab c", 0},
        {FilterMode::DialDigits, true, L"a", L"", 1},
        {FilterMode::DialDigits, false, L"pP1", L"pP1", 0},
        {FilterMode::DialDigits, true, L"pP1", L"PP1", 0},
        {FilterMode::CapitalLetters, true, L"a", L"", 1},
    };
    for (const auto& c : cases) {
        CFilterEdit& edit = c.upperCaseEdit ? upper : plain;
        edit.SetFilterMode(c.mode);
        ::SetWindowTextW(edit.hwnd(), L"");
        ui.Clear();
        Type(edit, c.typed);
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
        {&plain, L'1', false, 0},      {&plain, L'\u00E4', true, 0},  {&plain, L'x', false, 1},
        {&upper, L'\u20AC', true, 1},  {&plain, L'2', false, 1},      {&upper, L'\u00E9', true, 1},
        {&plain, L'\u00C5', true, 1},  {&upper, L'!', false, 2},
    };
    for (const auto& step : steps) {
        Type(*step.edit, std::wstring(1, step.typed));
        EXPECT_EQ(CFilterEdit::LastCharacterNotAscii(), step.flag) << "after " << int(step.typed);
        EXPECT_EQ(Beeps(), step.beeps) << "after " << int(step.typed);
    }
    EXPECT_EQ(test::Text(plain.hwnd()), L"1\u00E42\u00C5");
    EXPECT_EQ(test::Text(upper.hwnd()), L"\u20AC\u00C9") << "the edit upper-cases e-acute";
}

// Only typed characters are judged: text that arrives through the clipboard is left to the
// edit, which still applies its limit.
TEST_F(FilterEditTest, PastedTextIsNotFilteredButKeepsTheLimit) {
    plain.SetFilterMode(FilterMode::Digits);
    plain.SetLimit(5);
    ASSERT_TRUE(::OpenClipboard(parent));
    ::EmptyClipboard();
    const std::wstring pasted = L"ab-cdefg";
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(memory, nullptr);
    std::memcpy(::GlobalLock(memory), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ASSERT_NE(::SetClipboardData(CF_UNICODETEXT, memory), nullptr);
    ::CloseClipboard();

    ::SendMessageW(plain.hwnd(), WM_PASTE, 0, 0);
    EXPECT_EQ(test::Text(plain.hwnd()), L"ab-cd");
    EXPECT_EQ(Beeps(), 0);

    // The keyboard's paste is a typed control character, and refused like any other.
    ::SetWindowTextW(plain.hwnd(), L"");
    Type(plain, L"\x16");
    EXPECT_EQ(test::Text(plain.hwnd()), L"");
    EXPECT_EQ(Beeps(), 1);
}

// Another procedure put over the filter's, as another program's hook might: the filter lets go
// and takes the edit over again beneath it, and that procedure sees every character throughout.
WNDPROC procedureBelowHook = nullptr;
int charactersSeenByHook = 0;

LRESULT CALLBACK CountingHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) ++charactersSeenByHook;
    return ::CallWindowProcW(procedureBelowHook, window, message, wParam, lParam);
}

TEST_F(FilterEditTest, FilterLetsGoAndReturnsBeneathAnotherProcedure) {
    const HWND edit = plain.hwnd();
    plain.SetFilterMode(FilterMode::Digits);
    charactersSeenByHook = 0;
    procedureBelowHook = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingHook)));

    Type(plain, L"1a");
    EXPECT_EQ(test::Text(edit), L"1");
    plain.Detach();
    ::SendMessageW(edit, WM_CHAR, L'b', 1);
    EXPECT_EQ(test::Text(edit), L"1b") << "a filter that let go refuses nothing";
    ASSERT_TRUE(plain.Attach(parent, kPlainEdit));
    ::SendMessageW(edit, WM_CHAR, L'c', 1);
    EXPECT_EQ(test::Text(edit), L"1b") << "the filter is back";
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
