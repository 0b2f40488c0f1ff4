#include "mf40ctl/DeviceFields.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "mf40ctl/TerminalText.h"

namespace pd::ctl {

namespace {

using Items = std::span<const char* const>;

constexpr const char* kOff = "off";
constexpr const char* kOn = "on";

constexpr FieldSpec List(const char* name, Items items) { return {name, FieldKind::List, items}; }
constexpr FieldSpec Number(const char* name, NumberRange range) {
    return {name, FieldKind::Number, {}, range.lowest, range.highest};
}
constexpr FieldSpec Switch(const char* name) { return {name, FieldKind::Switch}; }
constexpr FieldSpec Text(const char* name, TextRule rule) {
    return {name, FieldKind::Text, {}, 0, 0, rule.width, rule.characters};
}

using F = FaxSettingsRecord;
// The field tables are built at compile time: initialised at run time, a member pointer to
// offset 0 was lost under clang's alignment instrumentation (the fuzz build), so that
// trayPaperSize was never read or written there.
constexpr FaxSettingField kFaxSettingFields[] = {
    {List("trayPaperSize", kPaperSizeItems), &F::trayPaperSize},
    {List("bypassPaperSize", kPaperSizeItems), &F::bypassPaperSize},
    {List("bypassPaperType", kPaperTypeItems), &F::bypassPaperType},
    {List("sendConfirmation", kSendConfirmationItems), &F::sendConfirmation},
    {Switch("autoJournal"), &F::autoJournal},
    {List("remoteReceiveCode", kRemoteReceiveCodeItems), &F::remoteReceiveCode},
    {{"powerSave", FieldKind::PowerSave, kPowerSaveMinuteItems}, &F::powerSave},
    {Switch("ecmMode"), &F::ecmMode},
    {Switch("receiveReduction"), &F::receiveReduction},
    {Switch("horizontalReduction"), &F::horizontalReduction},
    {Number("discardLength", kDiscardLengthRange), &F::discardLength},
    {Number("redialInterval", kRedialIntervalRange), &F::redialInterval},
    {Number("redialAttempts", kRedialAttemptsRange), &F::redialAttempts},
    {Number("answerDelay", kAnswerDelayRange), &F::answerDelay},
    {Switch("sendFromMemory"), &F::sendFromMemory},
    {Switch("deviceIdEnabled"), &F::deviceIdEnabled},
    {List("clockFormat", kClockFormatItems), &F::clockFormat},
};
static_assert(std::size(kFaxSettingFields) == kFaxSettingsCount);

template <std::size_t Capacity>
std::span<char> Span(char (&field)[Capacity]) {
    return {field, Capacity};
}

using S = SystemRecord;
constexpr AdvancedOptionField kAdvancedOptionFields[] = {
    {Text("deviceIdNumber", kDeviceIdNumberRule), nullptr,
     [](S& r) { return Span(r.deviceIdNumber); }},
    {Text("deviceIdName", kDeviceIdNameRule), nullptr, [](S& r) { return Span(r.deviceIdName); }},
    {List("receiveMode", kReceiveModeItems), &S::receiveMode},
    {Text("numberPrefix", kNumberPrefixRule), nullptr, [](S& r) { return Span(r.numberPrefix); }},
    {Number("ringVolume", kRingVolumeRange), &S::ringVolume},
    {Switch("alarmSound"), &S::alarmSound},
    {Switch("keySound"), &S::keySound},
    {List("speakerMode", kSpeakerModeItems), &S::speakerMode},
    {List("language", kLanguageItems), &S::language},
    {Switch("tonerSave"), &S::tonerSave},
    {List("usbMode", kUsbModeItems), &S::usbMode},
    {List("duplexFax", kDuplexFaxItems), &S::duplexFax},
    {List("imageQuality", kImageQualityItems), &S::imageQuality},
    {Switch("tonerNotice"), &S::tonerNotice},
    {Text("customerName", kCustomerNameRule), nullptr, [](S& r) { return Span(r.customerName); }},
    {Text("customerNumber", kCustomerNumberRule), nullptr,
     [](S& r) { return Span(r.customerNumber); }},
    {Text("serviceNumber", kServiceNumberRule), nullptr,
     [](S& r) { return Span(r.serviceNumber); }},
    {Text("serialNumber", kSerialNumberRule), nullptr, [](S& r) { return Span(r.serialNumber); }},
};

// Item and switch words are matched without regard to the case of ASCII letters.
bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

std::optional<int> ItemPosition(Items items, std::string_view value) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SameWord(items[i], value)) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// One Windows-1252 character of a text, for a message.
std::string QuotedCharacter(char byte) {
    return Quoted(Windows1252ForTerminal(std::string_view(&byte, 1)));
}

std::string WithoutTrailingSpaces(std::string_view bytes) {
    const auto end = bytes.find_last_not_of(' ');
    return std::string(bytes.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

bool InSet(CharacterSet set, char c) { return InCharacterSet(set, static_cast<unsigned char>(c)); }

std::optional<std::string> FitsWidth(const FieldSpec& rule, std::string bytes, std::string* error) {
    if (bytes.size() > static_cast<std::size_t>(rule.width)) {
        *error = "is " + std::to_string(bytes.size()) + " characters long; at most " +
                 std::to_string(rule.width) + " fit";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::span<const FaxSettingField> FaxSettingFields() { return kFaxSettingFields; }
std::span<const AdvancedOptionField> AdvancedOptionFields() { return kAdvancedOptionFields; }

const FaxSettingField* FindFaxSetting(std::string_view name) {
    for (const auto& field : kFaxSettingFields) {
        if (name == field.rule.name) return &field;
    }
    return nullptr;
}

const AdvancedOptionField* FindAdvancedOption(std::string_view name) {
    for (const auto& field : kAdvancedOptionFields) {
        if (name == field.rule.name) return &field;
    }
    return nullptr;
}

std::string StoredText(std::span<const char> field) {
    std::string text(field.data(), strnlen(field.data(), field.size()));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string AdvancedText(const AdvancedOptionField& field, const SystemRecord& record) {
    return StoredText(field.text(const_cast<SystemRecord&>(record)));
}

void SetAdvancedText(const AdvancedOptionField& field, SystemRecord& record,
                     const std::string& bytes) {
    const std::span<char> target = field.text(record);
    std::fill(target.begin(), target.end(), '\0');
    std::copy_n(bytes.begin(), std::min(bytes.size(), target.size() - 1), target.begin());
}

std::optional<std::string> FormatByte(const FieldSpec& rule, std::uint8_t byte) {
    switch (rule.kind) {
        case FieldKind::List:
            if (byte < rule.items.size()) return rule.items[byte];
            return std::nullopt;
        case FieldKind::Number:
            if (byte >= rule.minimum && byte <= rule.maximum) return std::to_string(byte);
            return std::nullopt;
        case FieldKind::Switch:
            if (byte <= 1) return byte == 1 ? kOn : kOff;
            return std::nullopt;
        case FieldKind::PowerSave:
            if (byte == 0) return kOff;
            if (byte <= rule.items.size()) return rule.items[byte - 1u];
            return std::nullopt;
        case FieldKind::Text:
            break;
    }
    return std::nullopt;
}

std::string DescribeByte(const FieldSpec& rule, std::uint8_t byte) {
    if (auto shown = FormatByte(rule, byte)) return *shown;
    return "(device byte " + std::to_string(byte) + ", not a value the page offers)";
}

std::optional<std::uint8_t> ParseByte(const FieldSpec& rule, std::string_view value,
                                      std::string* error) {
    switch (rule.kind) {
        case FieldKind::List:
            if (auto position = ItemPosition(rule.items, value)) {
                return static_cast<std::uint8_t>(*position);
            }
            break;
        case FieldKind::Number:
            if (auto number = DecimalDigits(value, 3)) {
                if (*number >= rule.minimum && *number <= rule.maximum) {
                    return static_cast<std::uint8_t>(*number);
                }
            }
            break;
        case FieldKind::Switch:
            for (const char* word : {kOn, "yes", "true", "1"}) {
                if (SameWord(value, word)) return std::uint8_t{1};
            }
            for (const char* word : {kOff, "no", "false", "0"}) {
                if (SameWord(value, word)) return std::uint8_t{0};
            }
            break;
        case FieldKind::PowerSave:
            if (SameWord(value, kOff)) return std::uint8_t{0};
            if (auto position = ItemPosition(rule.items, value)) {
                return static_cast<std::uint8_t>(*position + 1);
            }
            break;
        case FieldKind::Text:
            break;
    }
    *error = Quoted(value) + " is not one of " + AllowedValues(rule);
    return std::nullopt;
}

nlohmann::ordered_json ByteToJson(const FieldSpec& rule, std::uint8_t byte) {
    const std::optional<std::string> shown = FormatByte(rule, byte);
    if (!shown) return nlohmann::ordered_json{{"deviceByte", byte}};
    switch (rule.kind) {
        case FieldKind::Number:
            return byte;
        case FieldKind::Switch:
            return byte == 1;
        default:
            return *shown;
    }
}

std::optional<std::uint8_t> ByteFromJson(const FieldSpec& rule, const nlohmann::ordered_json& value,
                                         std::string* error) {
    if (value.is_object()) {
        const auto raw = value.find("deviceByte");
        if (value.size() == 1 && raw != value.end() && raw->is_number_unsigned() &&
            raw->get<std::uint64_t>() <= 255) {
            return static_cast<std::uint8_t>(raw->get<std::uint64_t>());
        }
        *error = "an object here must be {\"deviceByte\": 0..255}";
        return std::nullopt;
    }
    switch (rule.kind) {
        case FieldKind::Number:
            if (value.is_number_integer()) {
                if (const auto number = WholeNumberIn(value, rule.minimum, rule.maximum)) {
                    return static_cast<std::uint8_t>(*number);
                }
                *error = value.dump() + " is not one of " + AllowedValues(rule);
                return std::nullopt;
            }
            *error = "must be a whole number, " + AllowedValues(rule);
            return std::nullopt;
        case FieldKind::Switch:
            if (value.is_boolean()) return static_cast<std::uint8_t>(value.get<bool>() ? 1 : 0);
            *error = "must be true or false";
            return std::nullopt;
        default:
            if (value.is_string()) return ParseByte(rule, value.get<std::string>(), error);
            *error = "must be a text, one of " + AllowedValues(rule);
            return std::nullopt;
    }
}

std::optional<std::int64_t> WholeNumberIn(const nlohmann::ordered_json& value, std::int64_t minimum,
                                          std::int64_t maximum) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (maximum < 0 || number > static_cast<std::uint64_t>(maximum)) return std::nullopt;
        const auto inRange = static_cast<std::int64_t>(number);
        if (inRange < minimum) return std::nullopt;
        return inRange;
    }
    if (!value.is_number_integer()) return std::nullopt;
    const auto number = value.get<std::int64_t>();
    if (number < minimum || number > maximum) return std::nullopt;
    return number;
}

std::optional<std::string> ParseEditText(const FieldSpec& rule, std::string_view utf8,
                                         std::string* error) {
    Windows1252Text converted = Utf8ToWindows1252(utf8);
    if (!converted.ok) {
        *error = converted.error;
        return std::nullopt;
    }
    std::string bytes = std::move(converted.bytes);
    for (char& c : bytes) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return CheckEditText(rule, std::move(bytes), error);
}

std::optional<std::string> CheckEditText(const FieldSpec& rule, std::string bytes,
                                         std::string* error) {
    for (const char c : bytes) {
        if (!InSet(rule.characters, c)) {
            *error = QuotedCharacter(c) + " is not allowed here (" +
                     CharacterSetText(rule.characters) + ")";
            return std::nullopt;
        }
    }
    return FitsWidth(rule, std::move(bytes), error);
}

std::optional<std::string> ParseStoredText(const FieldSpec& rule, std::string_view utf8,
                                           std::string* error) {
    Windows1252Text converted = Utf8ToWindows1252(utf8);
    if (!converted.ok) {
        *error = EscapeForTerminal(converted.error);
        return std::nullopt;
    }
    return FitsWidth(rule, WithoutTrailingSpaces(converted.bytes), error);
}

std::string AllowedValues(const FieldSpec& rule) {
    std::string text;
    const auto list = [&](Items items, const char* first) {
        text = first;
        for (const char* item : items) {
            if (!text.empty()) text += ", ";
            text += item;
        }
    };
    switch (rule.kind) {
        case FieldKind::List:
            list(rule.items, "");
            break;
        case FieldKind::Number:
            text = std::to_string(rule.minimum) + ".." + std::to_string(rule.maximum);
            break;
        case FieldKind::Switch:
            text = "on, off";
            break;
        case FieldKind::PowerSave:
            list(rule.items, kOff);
            text += " (minutes)";
            break;
        case FieldKind::Text:
            text = std::string("up to ") + std::to_string(rule.width) + " of " +
                   CharacterSetText(rule.characters);
            break;
    }
    return text;
}

}  // namespace pd::ctl
