// An edit control that lets only the characters of its filter mode be typed: any other
// character below 128 is dropped with the system's beep. Characters of 128 and above always
// go through, and the last typed character's kind is remembered for the whole program (the
// phonebook entry editor takes such characters out again itself).
//
// Only typed characters are judged: text that arrives by pasting or by the program setting
// it is left to the edit's own character limit.
#pragma once

#include <windows.h>

#include "controls/Subclass.h"
#include "protocol/FieldRules.h"

namespace pd {

class Ui;

// The filter modes, by number: which characters below 128 an edit takes.
// Small letters pass where the mode's set keeps their capitals (the edits upper-case them).
enum class FilterMode : int {
    All = 0,                  // every character
    DialDigits = 1,           // CharacterSet::Dial
    Name = 2,                 // CharacterSet::Name
    CapitalLetters = 3,       // CharacterSet::Capitals
    Digits = 4,               // CharacterSet::Digits
    InternationalNumber = 5,  // CharacterSet::IdNumber
    PhonebookNumber = 6,      // CharacterSet::Dial, as DialDigits
    FormattedNumber = 7,      // CharacterSet::FormattedNumber
};

// The first mode that takes just `characters`.
FilterMode FilterModeFor(CharacterSet characters);

class CFilterEdit : public CSubclassedControl {
public:
    explicit CFilterEdit(Ui& ui);

    // Takes over edit `id` of `dialog`; false when there is no such control or this object
    // already filters one.
    bool Attach(HWND dialog, int id);
    void Detach() { Unsubclass(); }

    void SetFilterMode(FilterMode mode) { mode_ = mode; }
    FilterMode filterMode() const { return mode_; }
    // The most characters the edit holds (typed or pasted).
    void SetLimit(int characters);

    // Whether `character` may be typed in `mode`. Backspace (8) is the only control character
    // any restricting mode takes.
    static bool Accepts(FilterMode mode, TCHAR character);

    // True when the last character typed into any filtering edit of the program was 128 or
    // above. The edits' window procedure is the only place that sees every typed character,
    // so the answer has to live beside it rather than in any one edit or dialog.
    static bool LastCharacterNotAscii() { return lastCharacterNotAscii_; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    static inline bool lastCharacterNotAscii_ = false;

    Ui& ui_;
    FilterMode mode_ = FilterMode::All;
};

}  // namespace pd
