#include "controls/FilterEdit.h"

#include <string_view>

#include "controls/Ui.h"

namespace pd {

namespace {

constexpr wchar_t kBackspace = 8;
// Characters from here on are not plain ASCII and are never judged.
constexpr wchar_t kFirstNonAscii = 128;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsCapital(wchar_t c) { return c >= L'A' && c <= L'Z'; }
bool IsSmall(wchar_t c) { return c >= L'a' && c <= L'z'; }
bool OneOf(wchar_t c, std::wstring_view set) { return set.find(c) != std::wstring_view::npos; }

}  // namespace

bool CFilterEdit::Accepts(FilterMode mode, wchar_t c) {
    if (c >= kFirstNonAscii || mode == FilterMode::All) return true;
    if (c == kBackspace) return true;
    switch (mode) {
        case FilterMode::DialDigits:
        case FilterMode::PhonebookNumber:
            return IsDigit(c) || OneOf(c, L"#*Pp");
        case FilterMode::Name:
            return IsCapital(c) || IsSmall(c) || IsDigit(c) || OneOf(c, L" +-,.'/*#&");
        case FilterMode::CapitalLetters:
            return IsCapital(c) || OneOf(c, L" +");
        case FilterMode::Digits:
            return IsDigit(c);
        case FilterMode::InternationalNumber:
            return IsDigit(c) || OneOf(c, L" +");
        case FilterMode::FormattedNumber:
            return IsDigit(c) || OneOf(c, L"- +");
        case FilterMode::All:
            return true;
    }
    // A mode outside the table lets nothing through rather than everything.
    return false;
}

CFilterEdit::CFilterEdit(Ui& ui) : ui_(ui) {}

bool CFilterEdit::Attach(HWND dialog, int id) { return Subclass(::GetDlgItem(dialog, id)); }

void CFilterEdit::SetLimit(int characters) {
    if (hwnd() != nullptr) ::SendMessageW(hwnd(), EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

LRESULT CFilterEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        const auto character = static_cast<wchar_t>(wParam);
        lastCharacterNotAscii_ = character >= kFirstNonAscii;
        if (!Accepts(mode_, character)) {
            ui_.Beep();
            return 0;
        }
    }
    return CallPrevious(message, wParam, lParam);
}

}  // namespace pd
