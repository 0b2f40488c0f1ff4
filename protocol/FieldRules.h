// The rules of every field the panel lets a user or a file set: the items of its lists, the
// ranges of its numbers, the characters and widths of its texts, and what makes a phonebook
// number dialable. The pages, the filtering edit, the entry editor and the companion all
// read them here; the dialog templates carry the same list items, held to these by a test.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "protocol/PhonebookTable.h"
#include "protocol/SystemRecord.h"

namespace pd {

// --- Lists: a list's byte is the position of its item (UTF-8, as the pages show them) ------

inline constexpr const char* kPaperSizeItems[] = {"Letter", "A4", "Legal"};
inline constexpr const char* kPaperTypeItems[] = {
    "Tavallinen", "Bond", "Kalvo", "Kartonki", "Tarrat", "Esipainettu", "Värillinen", "Kirjekuori"};
inline constexpr const char* kSendConfirmationItems[] = {"Ei", "On", "Kun virhe"};
inline constexpr const char* kRemoteReceiveCodeItems[] = {"*0*", "*1*", "*2*", "*3*", "*4*",
                                                          "*5*", "*6*", "*7*", "*8*", "*9*"};
// Power save's delay; the byte is 0 for off, else 1 + the position here.
inline constexpr const char* kPowerSaveMinuteItems[] = {"5", "10", "15", "30", "45"};
inline constexpr const char* kClockFormatItems[] = {"12 t", "24 t"};
inline constexpr const char* kReceiveModeItems[] = {"PUH", "FAKSI", "PUH/FAKSI", "VAST/FAKSI"};
inline constexpr const char* kSpeakerModeItems[] = {"Ei", "On", "YHTEYS"};
inline constexpr const char* kUsbModeItems[] = {"Hidas", "Nopea"};
inline constexpr const char* kDuplexFaxItems[] = {"Ei", "Pitkä reuna", "Lyhyt reuna"};
inline constexpr const char* kLanguageItems[] = {"English", "Francais", "Espanol",    "Portugues",
                                                 "Deutsch", "Italiano", "Nederlands", "Dansk",
                                                 "Svenska", "Suomi",    "Norsk"};
inline constexpr const char* kImageQualityItems[] = {"Normaali", "Tekstin parannus",
                                                     "Kuvan parannus"};

// --- Numbers ---------------------------------------------------------------------------------

struct NumberRange {
    int lowest;
    int highest;
};

inline constexpr NumberRange kDiscardLengthRange{0, 30};
inline constexpr NumberRange kRedialIntervalRange{1, 15};
inline constexpr NumberRange kAnswerDelayRange{1, 7};
inline constexpr NumberRange kRedialAttemptsRange{0, 13};
// The Advanced page offers it as a list of its numbers, "0" to "10".
inline constexpr NumberRange kRingVolumeRange{0, 10};

// A number written as 1 to `most` decimal digits and nothing else (no sign, no space).
std::optional<int> DecimalDigits(std::string_view text, std::size_t most);

// --- Texts -----------------------------------------------------------------------------------

// The characters a text field keeps. Letters are kept as capitals: the edits turn small ones
// into capitals as they are typed, and so does the companion with what it is given.
enum class CharacterSet {
    Name,             // letters, digits, space and + - , . ' / * # &
    Dial,             // digits, # * P
    IdNumber,         // digits, space, +
    Capitals,         // A-Z, space, + (small letters are refused, not turned)
    Digits,           // digits
    FormattedNumber,  // digits, -, space, +
};

// Whether the set keeps `c`.
bool InCharacterSet(CharacterSet set, char32_t c);
// Whether `c` may be typed into an edit of the set: what it keeps, and the small letters
// whose capitals it keeps where its edit turns them.
bool TypedInCharacterSet(CharacterSet set, char32_t c);
// The set in words, for messages.
const char* CharacterSetText(CharacterSet set);

// Characters from here on are the code page's own, outside every set: the edits let them
// through untouched, and the entry editor takes them out of a typed name or number again.
inline constexpr char32_t kFirstNonAscii = 0x80;

struct TextRule {
    int width;  // the most bytes the device keeps
    CharacterSet characters;
};

// The Advanced page's texts: each as wide as its field, less the terminator.
inline constexpr TextRule kDeviceIdNameRule{sizeof(SystemRecord::deviceIdName) - 1,
                                            CharacterSet::Name};
inline constexpr TextRule kDeviceIdNumberRule{sizeof(SystemRecord::deviceIdNumber) - 1,
                                              CharacterSet::IdNumber};
inline constexpr TextRule kCustomerNameRule{sizeof(SystemRecord::customerName) - 1,
                                            CharacterSet::Name};
inline constexpr TextRule kCustomerNumberRule{sizeof(SystemRecord::customerNumber) - 1,
                                              CharacterSet::Dial};
inline constexpr TextRule kServiceNumberRule{sizeof(SystemRecord::serviceNumber) - 1,
                                             CharacterSet::Dial};
inline constexpr TextRule kSerialNumberRule{sizeof(SystemRecord::serialNumber) - 1,
                                            CharacterSet::Name};
inline constexpr TextRule kNumberPrefixRule{sizeof(SystemRecord::numberPrefix) - 1,
                                            CharacterSet::Dial};

// --- Phonebook entries -----------------------------------------------------------------------

// The entry editor's two fields, as wide as the entry's. A name that a file brings may hold
// any printable character of the code page (the set is what the editor lets a user type).
inline constexpr TextRule kEntryNameRule{kNameWidth, CharacterSet::Name};
inline constexpr TextRule kEntryNumberRule{kNumberWidth, CharacterSet::Dial};

// The entry editor's OK rule, which every import and restore keeps as well: at least this
// many characters, one of them a digit.
inline constexpr std::size_t kShortestDialableNumber = 3;
bool IsDialableNumber(std::string_view number);

}  // namespace pd
