// The fax settings and advanced options by their field names, with the lists, ranges,
// character sets and limits of the Settings and Advanced pages. Values are read and shown as
// the pages show them ("A4", 15 minutes or "off", "PUH/FAKSI"); anything a page could not
// show or make is refused here, before the device is touched.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "protocol/FaxSettings.h"
#include "protocol/FieldRules.h"
#include "protocol/SystemRecord.h"

namespace pd::ctl {

enum class FieldKind {
    List,       // the byte is the position of an item in the page's list
    Number,     // a number field or a list of numbers: the byte is the number
    Switch,     // a check box: 0 off, 1 on
    PowerSave,  // 0 off, else 1 + the position in the minutes list
    Text,       // an edit: Windows-1252 characters of the edit's set, up to its limit
};

struct FieldSpec {
    const char* name;
    FieldKind kind;
    std::span<const char* const> items = {};  // List and PowerSave
    int minimum = 0;                          // Number
    int maximum = 0;
    int width = 0;  // Text: the field's width in bytes
    CharacterSet characters = CharacterSet::Name;
};

// A byte field of a record, or a text field of the system record.
struct FaxSettingField {
    FieldSpec rule;
    std::uint8_t FaxSettingsRecord::*member;
};
struct AdvancedOptionField {
    FieldSpec rule;
    std::uint8_t SystemRecord::*byte = nullptr;        // byte fields
    std::span<char> (*text)(SystemRecord&) = nullptr;  // text fields (capacity = width + 1)
};

std::span<const FaxSettingField> FaxSettingFields();
std::span<const AdvancedOptionField> AdvancedOptionFields();
const FaxSettingField* FindFaxSetting(std::string_view name);
const AdvancedOptionField* FindAdvancedOption(std::string_view name);

// A stored text of the system record, without its trailing spaces, in Windows-1252.
std::string StoredText(std::span<const char> field);
std::string AdvancedText(const AdvancedOptionField& field, const SystemRecord& record);
void SetAdvancedText(const AdvancedOptionField& field, SystemRecord& record,
                     const std::string& bytes);

// --- Byte fields --------------------------------------------------------------------------

// The value as the page shows it; nothing when the page could not show this byte.
std::optional<std::string> FormatByte(const FieldSpec& rule, std::uint8_t byte);
// How a byte is written for people: its page form, or a note that the page cannot show it.
std::string DescribeByte(const FieldSpec& rule, std::uint8_t byte);
// The byte for a value given as the page shows it; nothing, with `error` set, when the page
// offers no such value.
std::optional<std::uint8_t> ParseByte(const FieldSpec& rule, std::string_view value,
                                      std::string* error);

// JSON: lists and power save as their texts, numbers as numbers, switches as true/false. A
// byte the page cannot show is kept as {"deviceByte": n}, so that a backup loses nothing.
nlohmann::ordered_json ByteToJson(const FieldSpec& rule, std::uint8_t byte);
std::optional<std::uint8_t> ByteFromJson(const FieldSpec& rule, const nlohmann::ordered_json& value,
                                         std::string* error);
// A JSON whole number from `minimum` to `maximum`; nothing for a fraction, a text or a number
// outside the range, however large: no number is ever cut down into the range.
std::optional<std::int64_t> WholeNumberIn(const nlohmann::ordered_json& value, std::int64_t minimum,
                                          std::int64_t maximum);

// --- Text fields --------------------------------------------------------------------------

// A value for an Advanced-page edit, as typed: letters become capitals, then every character
// must be in the edit's set and the text within its limit. Returns Windows-1252 bytes.
std::optional<std::string> ParseEditText(const FieldSpec& rule, std::string_view utf8,
                                         std::string* error);
// The same rule for a text that is given as the device is to keep it (a backup's): every
// character in the edit's set as it stands (a small letter is refused, not turned), within
// the limit. `bytes` and the result are Windows-1252.
std::optional<std::string> CheckEditText(const FieldSpec& rule, std::string bytes,
                                         std::string* error);
// A text read from a file (a backup), in the form the device keeps it: Windows-1252 without
// its trailing spaces, within the field's width. Whether the device may be given it is
// CheckDeviceText's to say.
std::optional<std::string> ParseStoredText(const FieldSpec& rule, std::string_view utf8,
                                           std::string* error);
// The allowed values of a field, for messages and --help.
std::string AllowedValues(const FieldSpec& rule);

}  // namespace pd::ctl
