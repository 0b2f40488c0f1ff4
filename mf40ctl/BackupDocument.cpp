#include "mf40ctl/BackupDocument.h"

#include <cstdio>
#include <set>
#include <tuple>

#include <nlohmann/json.hpp>

#include "mf40ctl/DeviceFields.h"
#include "mf40ctl/TerminalText.h"

namespace pd::ctl {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kFormatKey = "format";
constexpr const char* kVersionKey = "formatVersion";
constexpr const char* kModelKey = "model";
constexpr const char* kFirmwareKey = "firmwareVersion";
constexpr const char* kSettingsKey = "faxSettings";
constexpr const char* kOptionsKey = "advancedOptions";
constexpr const char* kPhonebookKey = "phonebook";
constexpr const char* kEntryNumberKey = "nro";
constexpr const char* kEntryNameKey = "name";
constexpr const char* kEntryNumberTextKey = "number";
constexpr const char* kEntryGroupKey = "groupDial";

std::string Hex(const std::string& bytes) {
    std::string text;
    for (const char byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(byte));
        text += pair;
    }
    return text;
}

std::optional<std::string> FromHex(const std::string& text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        for (std::size_t j = i; j < i + 2; ++j) {
            const char c = text[j];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        bytes += static_cast<char>(value);
    }
    return bytes;
}

class Reader {
public:
    std::vector<std::string> problems;

    void Problem(const std::string& where, const std::string& what) {
        problems.push_back(where + ": " + what);
    }

    std::optional<std::string> Text(const Json& object, const char* key, bool required) {
        const auto found = object.find(key);
        if (found == object.end()) {
            if (required) Problem(key, "is missing");
            return std::nullopt;
        }
        if (!found->is_string()) {
            Problem(key, "must be a text");
            return std::nullopt;
        }
        return found->get<std::string>();
    }

    const Json* Object(const Json& document, const char* key) {
        const auto found = document.find(key);
        if (found == document.end() || !found->is_object()) {
            Problem(key, found == document.end() ? "is missing" : "must be an object");
            return nullptr;
        }
        return &*found;
    }

    // Every field must be there, and nothing else.
    template <typename FieldList, typename Take>
    void Fields(const Json& section, const char* sectionName, const FieldList& fields,
                const Take& take) {
        std::set<std::string> known;
        for (const auto& field : fields) {
            known.insert(field.rule.name);
            const std::string where = std::string(sectionName) + "." + field.rule.name;
            const auto found = section.find(field.rule.name);
            if (found == section.end()) {
                Problem(where, "is missing");
                continue;
            }
            std::string error;
            if (!take(field, *found, &error)) Problem(where, error);
        }
        for (const auto& item : section.items()) {
            if (known.count(item.key()) == 0) {
                Problem(std::string(sectionName) + "." + item.key(), "is not a known name");
            }
        }
    }

    void Phonebook(const Json& list, PhonebookTable& table) {
        std::set<int> given;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Json& entry = list[i];
            const std::string where = std::string(kPhonebookKey) + "[" + std::to_string(i) + "]";
            if (!entry.is_object()) {
                Problem(where, "must be an object");
                continue;
            }
            const auto nro = entry.find(kEntryNumberKey);
            const std::optional<std::int64_t> number =
                nro == entry.end() ? std::nullopt : WholeNumberIn(*nro, 1, table.size());
            if (!number) {
                Problem(where, std::string(kEntryNumberKey) + " must be a number 1.." +
                                   std::to_string(table.size()));
                continue;
            }
            const int slot = static_cast<int>(*number);
            if (!given.insert(slot).second) {
                Problem(where, "entry " + std::to_string(slot) + " is given twice");
                continue;
            }
            Entry(entry, where, slot - 1, table);
        }
    }

private:
    void Entry(const Json& entry, const std::string& where, int position, PhonebookTable& table) {
        for (const auto& item : entry.items()) {
            const std::string& key = item.key();
            if (key != kEntryNumberKey && key != kEntryNameKey && key != kEntryNumberTextKey &&
                key != kEntryGroupKey) {
                Problem(where + "." + key, "is not a known name");
                return;
            }
        }
        const std::optional<std::string> name = Stored(entry, where, kEntryNameKey, kNameWidth);
        const bool hasNumber = entry.contains(kEntryNumberTextKey);
        if (hasNumber == entry.contains(kEntryGroupKey)) {
            Problem(where, "needs either \"number\" or \"groupDial\"");
            return;
        }
        std::optional<std::string> number;
        if (hasNumber) {
            number = Stored(entry, where, kEntryNumberTextKey, kNumberWidth);
            if (number && !number->empty() &&
                static_cast<std::uint8_t>(number->front()) == kGroupDialMarker) {
                Problem(where + ".number", "must not begin with the group-dial marker");
                return;
            }
        } else {
            const auto& group = entry[kEntryGroupKey];
            number = group.is_string() ? FromHex(group.get<std::string>()) : std::nullopt;
            const bool sound = number && !number->empty() && number->size() <= kNumberWidth &&
                               static_cast<std::uint8_t>(number->front()) == kGroupDialMarker &&
                               number->find('\0') == std::string::npos;
            if (!sound) {
                Problem(where + ".groupDial",
                        "must be hexadecimal bytes beginning with E0, "
                        "without 00, at most 46");
                return;
            }
        }
        if (name && number) table.SetEntry(position, *name, *number);
    }

    std::optional<std::string> Stored(const Json& entry, const std::string& where, const char* key,
                                      int width) {
        const auto found = entry.find(key);
        if (found == entry.end() || !found->is_string()) {
            Problem(where + "." + key, "must be a text");
            return std::nullopt;
        }
        const FieldSpec rule{key, FieldKind::Text, {}, 0, 0, width};
        std::string error;
        std::optional<std::string> bytes = ParseStoredText(rule, found->get<std::string>(), &error);
        if (!bytes) Problem(where + "." + key, error);
        return bytes;
    }
};

}  // namespace

std::string WriteBackupDocument(const DeviceSnapshot& snapshot) {
    Json document;
    document[kFormatKey] = kBackupFormat;
    document[kVersionKey] = kBackupFormatVersion;
    document[kModelKey] = Windows1252ToUtf8(snapshot.model);
    document[kFirmwareKey] = Windows1252ToUtf8(snapshot.firmwareVersion);
    Json& settings = document[kSettingsKey] = Json::object();
    for (const auto& field : FaxSettingFields()) {
        settings[field.rule.name] = ByteToJson(field.rule, snapshot.faxSettings.*field.member);
    }
    Json& options = document[kOptionsKey] = Json::object();
    for (const auto& field : AdvancedOptionFields()) {
        options[field.rule.name] =
            field.text ? Json(Windows1252ToUtf8(AdvancedText(field, snapshot.system)))
                       : ByteToJson(field.rule, snapshot.system.*field.byte);
    }
    Json& phonebook = document[kPhonebookKey] = Json::array();
    const PhonebookTable& table = snapshot.phonebook;
    for (int position = 0; position < table.size(); ++position) {
        if (table.Name(position).empty() && table.Number(position).empty()) continue;
        Json entry;
        entry[kEntryNumberKey] = position + 1;
        entry[kEntryNameKey] = Windows1252ToUtf8(table.Name(position));
        if (table.IsGroupDial(position)) {
            entry[kEntryGroupKey] = Hex(table.Number(position));
        } else {
            entry[kEntryNumberTextKey] = Windows1252ToUtf8(table.Number(position));
        }
        phonebook.push_back(std::move(entry));
    }
    return document.dump(2) + "\n";
}

BackupReading ReadBackupDocument(std::string_view text) {
    BackupReading reading;
    Json document;
    // A name given twice in one object would leave the value to whichever came last: refused.
    struct Level {
        std::string where;  // "faxSettings", "phonebook[]", ... ("" for the document)
        bool list = false;
        std::set<std::string> names;
        std::string lastName;
    };
    std::vector<Level> levels;
    std::vector<std::string> repeated;
    const auto nested = [&](bool list) {
        std::string where;
        if (!levels.empty()) {
            const Level& outer = levels.back();
            where = outer.list ? outer.where + "[]"
                               : (outer.where.empty() ? "" : outer.where + ".") + outer.lastName;
        }
        levels.push_back({where, list, {}, {}});
    };
    const Json::parser_callback_t watch = [&](int, Json::parse_event_t event, Json& parsed) {
        switch (event) {
            case Json::parse_event_t::object_start:
                nested(false);
                break;
            case Json::parse_event_t::array_start:
                nested(true);
                break;
            case Json::parse_event_t::object_end:
            case Json::parse_event_t::array_end:
                levels.pop_back();
                break;
            case Json::parse_event_t::key: {
                Level& level = levels.back();
                level.lastName = parsed.get<std::string>();
                if (!level.names.insert(level.lastName).second) {
                    repeated.push_back((level.where.empty() ? "" : level.where + ".") +
                                       level.lastName);
                }
                break;
            }
            case Json::parse_event_t::value:
                break;
        }
        return true;
    };
    try {
        document = Json::parse(text.begin(), text.end(), watch);
    } catch (const Json::exception& error) {  // a syntax fault, or a number out of range
        reading.problems.push_back(std::string("not valid JSON: ") + error.what());
        return reading;
    }
    for (const std::string& where : repeated) {
        reading.problems.push_back(where +
                                   ": is given more than once; a name may stand only "
                                   "once in its object");
    }
    if (!reading.problems.empty()) return reading;
    Reader reader;
    if (!document.is_object()) {
        reading.problems.push_back("the document must be a JSON object");
        return reading;
    }
    const auto format = reader.Text(document, kFormatKey, true);
    if (format && *format != kBackupFormat) {
        reader.Problem(kFormatKey, "is not \"" + std::string(kBackupFormat) + "\"");
    }
    const auto version = document.find(kVersionKey);
    if (version == document.end() ||
        !WholeNumberIn(*version, kBackupFormatVersion, kBackupFormatVersion)) {
        reader.Problem(kVersionKey, "must be " + std::to_string(kBackupFormatVersion));
    }
    if (!reader.problems.empty()) {
        reading.problems = std::move(reader.problems);
        return reading;
    }

    DeviceSnapshot snapshot;
    const auto model = reader.Text(document, kModelKey, true);
    const auto firmware = reader.Text(document, kFirmwareKey, true);
    for (const auto& [key, given, target] :
         {std::tuple{kModelKey, &model, &snapshot.model},
          std::tuple{kFirmwareKey, &firmware, &snapshot.firmwareVersion}}) {
        if (!*given) continue;
        Windows1252Text converted = Utf8ToWindows1252(**given);
        if (converted.ok) {
            *target = std::move(converted.bytes);
        } else {
            reader.Problem(key, converted.error);
        }
    }

    if (const Json* settings = reader.Object(document, kSettingsKey)) {
        reader.Fields(*settings, kSettingsKey, FaxSettingFields(),
                      [&](const FaxSettingField& field, const Json& value, std::string* error) {
                          const auto byte = ByteFromJson(field.rule, value, error);
                          if (byte) snapshot.faxSettings.*field.member = *byte;
                          return byte.has_value();
                      });
    }
    if (const Json* options = reader.Object(document, kOptionsKey)) {
        reader.Fields(*options, kOptionsKey, AdvancedOptionFields(),
                      [&](const AdvancedOptionField& field, const Json& value, std::string* error) {
                          if (!field.text) {
                              const auto byte = ByteFromJson(field.rule, value, error);
                              if (byte) snapshot.system.*field.byte = *byte;
                              return byte.has_value();
                          }
                          if (!value.is_string()) {
                              *error = "must be a text";
                              return false;
                          }
                          const auto bytes =
                              ParseStoredText(field.rule, value.get<std::string>(), error);
                          if (bytes) SetAdvancedText(field, snapshot.system, *bytes);
                          return bytes.has_value();
                      });
    }
    const auto phonebook = document.find(kPhonebookKey);
    if (phonebook == document.end() || !phonebook->is_array()) {
        reader.Problem(kPhonebookKey,
                       phonebook == document.end() ? "is missing" : "must be a list");
    } else {
        reader.Phonebook(*phonebook, snapshot.phonebook);
    }
    reading.problems = std::move(reader.problems);
    if (reading.problems.empty()) reading.snapshot = std::move(snapshot);
    return reading;
}

}  // namespace pd::ctl
