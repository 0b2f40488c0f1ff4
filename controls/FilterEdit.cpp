#include "controls/FilterEdit.h"

#include <commctrl.h>

#include <string_view>

#include "platform/Ui.h"

namespace pd {

namespace {

constexpr UINT_PTR kSubclassId = 1;
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

CFilterEdit::~CFilterEdit() { Detach(); }

bool CFilterEdit::Attach(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    if (control == nullptr || hwnd_ != nullptr) return false;
    if (!::SetWindowSubclass(control, SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this))) {
        return false;
    }
    hwnd_ = control;
    return true;
}

void CFilterEdit::Detach() {
    if (hwnd_ == nullptr) return;
    ::RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    hwnd_ = nullptr;
}

void CFilterEdit::SetLimit(int characters) {
    if (hwnd_ != nullptr) ::SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

LRESULT CALLBACK CFilterEdit::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* edit = reinterpret_cast<CFilterEdit*>(self);
    if (edit == nullptr || edit->hwnd_ != window) {
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    try {
        return edit->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
}

LRESULT CFilterEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = hwnd_;
    switch (message) {
        case WM_CHAR: {
            const auto character = static_cast<wchar_t>(wParam);
            lastCharacterNotAscii_ = character >= kFirstNonAscii;
            if (!Accepts(mode_, character)) {
                ui_.Beep();
                return 0;
            }
            return ::DefSubclassProc(window, message, wParam, lParam);
        }

        case WM_NCDESTROY: {
            const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
            Detach();
            return result;
        }

        default:
            return ::DefSubclassProc(window, message, wParam, lParam);
    }
}

}  // namespace pd
