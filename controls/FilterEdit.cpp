#include "controls/FilterEdit.h"

#include <string_view>

#include "controls/Ui.h"

namespace pd {

namespace {

constexpr TCHAR kBackspace = 8;

// The characters each restricting mode takes, from the one table of field rules.
constexpr struct {
    FilterMode mode;
    CharacterSet characters;
} kModeSets[] = {
    {FilterMode::DialDigits, CharacterSet::Dial},
    {FilterMode::Name, CharacterSet::Name},
    {FilterMode::CapitalLetters, CharacterSet::Capitals},
    {FilterMode::Digits, CharacterSet::Digits},
    {FilterMode::InternationalNumber, CharacterSet::IdNumber},
    {FilterMode::PhonebookNumber, CharacterSet::Dial},
    {FilterMode::FormattedNumber, CharacterSet::FormattedNumber},
};

}  // namespace

bool CFilterEdit::Accepts(FilterMode mode, TCHAR c) {
    if (CharacterCode(c) >= kFirstNonAscii || mode == FilterMode::All) return true;
    if (c == kBackspace) return true;
    for (const auto& row : kModeSets) {
        if (row.mode == mode) return TypedInCharacterSet(row.characters, CharacterCode(c));
    }
    // A mode outside the table lets nothing through rather than everything.
    return false;
}

FilterMode FilterModeFor(CharacterSet characters) {
    for (const auto& row : kModeSets) {
        if (row.characters == characters) return row.mode;
    }
    return FilterMode::All;
}

CFilterEdit::CFilterEdit(Ui& ui) : ui_(ui) {}

bool CFilterEdit::Attach(HWND dialog, int id) { return Subclass(::GetDlgItem(dialog, id)); }

void CFilterEdit::SetLimit(int characters) {
    if (hwnd() != nullptr) ::SendMessage(hwnd(), EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

LRESULT CFilterEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        const auto character = static_cast<TCHAR>(wParam);
        lastCharacterNotAscii_ = CharacterCode(character) >= kFirstNonAscii;
        if (!Accepts(mode_, character)) {
            ui_.Beep();
            return 0;
        }
    }
    return CallPrevious(message, wParam, lParam);
}

}  // namespace pd
