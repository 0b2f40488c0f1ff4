// info, settings and options: the Information, Settings and Advanced pages as commands.
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "mf40ctl/CommandSupport.h"
#include "mf40ctl/Commands.h"

namespace pd::ctl {

namespace {

using Json = nlohmann::ordered_json;

struct Assignment {
    std::string name;
    std::string value;
};

// NAME=VALUE arguments with known names, each name once. Every fault is reported and clears
// `*sound`; the values of the known names are checked after, so that all faults show at once.
template <typename Find>
std::vector<Assignment> SplitAssignments(const std::vector<std::string>& arguments,
                                         const Find& find, const char* kind,
                                         const char* otherCommand, const Find& findOther,
                                         std::ostream& err, bool* sound) {
    std::vector<Assignment> assignments;
    std::map<std::string, bool> seen;
    *sound = !arguments.empty();
    if (arguments.empty()) Say(err, "give at least one NAME=VALUE");
    for (const std::string& argument : arguments) {
        const auto equals = argument.find('=');
        if (equals == std::string::npos || equals == 0) {
            Say(err, "'" + argument + "' is not NAME=VALUE");
            *sound = false;
            continue;
        }
        Assignment assignment{argument.substr(0, equals), argument.substr(equals + 1)};
        if (!find(assignment.name)) {
            Say(err, "'" + assignment.name + "' is not " + kind +
                         (findOther(assignment.name)
                              ? std::string(" (it is one of ") + otherCommand + ")"
                              : std::string()) +
                         "; see --help for the names");
            *sound = false;
            continue;
        }
        if (seen[assignment.name]) {
            Say(err, assignment.name + " is given more than once");
            *sound = false;
            continue;
        }
        seen[assignment.name] = true;
        assignments.push_back(std::move(assignment));
    }
    return assignments;
}

bool IsFaxSetting(const std::string& name) { return FindFaxSetting(name) != nullptr; }
bool IsAdvancedOption(const std::string& name) { return FindAdvancedOption(name) != nullptr; }

std::string OptionValue(const AdvancedOptionField& field, const SystemRecord& record) {
    if (field.text) return Windows1252ForTerminal(AdvancedText(field, record));
    return DescribeByte(field.rule, record.*field.byte);
}

Json OptionJson(const AdvancedOptionField& field, const SystemRecord& record) {
    if (field.text) return Windows1252ToUtf8(AdvancedText(field, record));
    return ByteToJson(field.rule, record.*field.byte);
}

// The writable part of the record as the Advanced page holds it after a refresh: the texts
// without their trailing spaces.
void TrimTexts(SystemRecord& record) {
    for (const auto& field : AdvancedOptionFields()) {
        if (field.text) SetAdvancedText(field, record, AdvancedText(field, record));
    }
}

bool SameOptions(const SystemRecord& a, const SystemRecord& b, std::string* differing) {
    for (const auto& field : AdvancedOptionFields()) {
        const bool same = field.text ? AdvancedText(field, a) == AdvancedText(field, b)
                                     : a.*field.byte == b.*field.byte;
        if (!same) {
            *differing += (differing->empty() ? "" : ", ") + std::string(field.rule.name);
        }
    }
    return differing->empty();
}

}  // namespace

int InfoCommand(CommandContext& context, bool json) {
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    SystemRecord& record = session.panel().store.system;
    if (!Exchange(session, [&] { return ReadSystemRecord(session.link(), record); })) {
        return NoAnswer(context.err, "system data read");
    }
    const std::pair<const char*, std::uint32_t> counters[] = {
        {"platenScanCount", record.platenScanCount},
        {"feederScanCount", record.feederScanCount},
        {"printCount", record.printCount},
        {"drumCount", record.drumCount},
        {"documentJamCount", record.documentJamCount},
        {"paperJamCount", record.paperJamCount},
    };
    if (json) {
        Json info;
        info["model"] = FieldText(record.modelName);
        info["firmwareVersion"] = FieldText(record.firmwareVersion);
        info["engineVersion"] = FieldText(record.engineVersion);
        info["emulation1Version"] = FieldText(record.emulation1Version);
        info["emulation2Version"] = FieldText(record.emulation2Version);
        info["freeMemoryPercent"] = record.freeMemoryPercent;
        for (const auto& [name, value] : counters) info[name] = value;
        context.out << JsonForTerminal(info);
        return kExitOk;
    }
    const char* const counterLabels[] = {
        "Pages scanned (platen)", "Pages scanned (feeder)", "Printouts",
        "Drum counter",           "Document jams",          "Paper jams"};
    const auto line = [&](const char* label, const std::string& value) {
        std::string padded = std::string(label) + ":";
        padded.resize(std::max<std::size_t>(padded.size() + 1, 25), ' ');
        context.out << padded << value << "\n";
    };
    line("Model", ShownText(record.modelName));
    line("Firmware version", ShownText(record.firmwareVersion));
    line("Engine version", ShownText(record.engineVersion));
    line("Emulation 1 version", ShownText(record.emulation1Version));
    line("Emulation 2 version", ShownText(record.emulation2Version));
    line("Free memory", std::to_string(record.freeMemoryPercent) + " %");
    for (std::size_t i = 0; i < std::size(counters); ++i) {
        line(counterLabels[i], std::to_string(counters[i].second));
    }
    return kExitOk;
}

int SettingsGetCommand(CommandContext& context, bool json) {
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    FaxSettingsRecord& record = session.panel().store.faxSettings;
    if (!Exchange(session, [&] { return ReadFaxSettings(session.link(), record); })) {
        return NoAnswer(context.err, "fax settings read");
    }
    Json settings = Json::object();
    for (const auto& field : FaxSettingFields()) {
        if (json) {
            settings[field.rule.name] = ByteToJson(field.rule, record.*field.member);
        } else {
            context.out << field.rule.name << "=" << DescribeByte(field.rule, record.*field.member)
                        << "\n";
        }
    }
    if (json) context.out << JsonForTerminal(settings);
    return kExitOk;
}

int SettingsSetCommand(CommandContext& context, const std::vector<std::string>& arguments) {
    bool sound = true;
    const auto assignments =
        SplitAssignments(arguments, IsFaxSetting, "a fax setting", "the advanced options",
                         IsAdvancedOption, context.err, &sound);
    std::vector<std::pair<const FaxSettingField*, std::uint8_t>> changes;
    for (const Assignment& assignment : assignments) {
        const FaxSettingField* field = FindFaxSetting(assignment.name);
        std::string error;
        const auto byte = ParseByte(field->rule, assignment.value, &error);
        if (!byte) {
            Say(context.err, assignment.name + ": " + error);
            sound = false;
            continue;
        }
        changes.emplace_back(field, *byte);
    }
    if (!sound) return kExitBadInput;

    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    FaxSettingsRecord& record = session.panel().store.faxSettings;
    if (!Exchange(session, [&] { return ReadFaxSettings(session.link(), record); })) {
        return NoAnswer(context.err, "fax settings read");
    }
    FaxSettingsRecord wanted = record;
    for (const auto& [field, byte] : changes) wanted.*field->member = byte;
    if (wanted == record) {
        Say(context.err, "the device already has these settings; nothing was written");
        return kExitOk;
    }
    if (!Exchange(session, [&] { return WriteFaxSettings(session.link(), wanted); })) {
        return Fail(context.err, kExitWriteFailed, "the device did not take the fax settings");
    }
    FaxSettingsRecord kept;
    if (!Exchange(session, [&] { return ReadFaxSettings(session.link(), kept); })) {
        return NoAnswer(context.err, "read-back of the fax settings");
    }
    std::string differing;
    for (const auto& field : FaxSettingFields()) {
        if (kept.*field.member != wanted.*field.member) {
            differing += (differing.empty() ? "" : ", ") + std::string(field.rule.name);
        }
    }
    if (!differing.empty()) {
        return Fail(context.err, kExitWriteFailed, "the device did not keep: " + differing);
    }
    Say(context.err, "fax settings written and confirmed");
    return kExitOk;
}

int OptionsGetCommand(CommandContext& context, bool json) {
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    SystemRecord& record = session.panel().store.system;
    if (!Exchange(session, [&] { return ReadSystemRecord(session.link(), record); })) {
        return NoAnswer(context.err, "system data read");
    }
    Json options = Json::object();
    for (const auto& field : AdvancedOptionFields()) {
        if (json) {
            options[field.rule.name] = OptionJson(field, record);
        } else {
            context.out << field.rule.name << "=" << OptionValue(field, record) << "\n";
        }
    }
    if (json) context.out << JsonForTerminal(options);
    return kExitOk;
}

int OptionsSetCommand(CommandContext& context, const std::vector<std::string>& arguments) {
    bool sound = true;
    const auto assignments =
        SplitAssignments(arguments, IsAdvancedOption, "an advanced option", "the fax settings",
                         IsFaxSetting, context.err, &sound);
    struct Change {
        const AdvancedOptionField* field;
        std::uint8_t byte = 0;
        std::string text;
    };
    std::vector<Change> changes;
    for (const Assignment& assignment : assignments) {
        const AdvancedOptionField* field = FindAdvancedOption(assignment.name);
        std::string error;
        Change change{field, 0, {}};
        if (field->text) {
            const auto text = ParseEditText(field->rule, assignment.value, &error);
            if (text) change.text = *text;
            sound = sound && text.has_value();
        } else {
            const auto byte = ParseByte(field->rule, assignment.value, &error);
            if (byte) change.byte = *byte;
            sound = sound && byte.has_value();
        }
        if (!error.empty()) {
            Say(context.err, assignment.name + ": " + error);
            continue;
        }
        changes.push_back(std::move(change));
    }
    if (!sound) return kExitBadInput;

    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    SystemRecord& record = session.panel().store.system;
    if (!Exchange(session, [&] { return ReadSystemRecord(session.link(), record); })) {
        return NoAnswer(context.err, "system data read");
    }
    TrimTexts(record);
    SystemRecord wanted = record;
    for (const Change& change : changes) {
        if (change.field->text) {
            SetAdvancedText(*change.field, wanted, change.text);
        } else {
            wanted.*change.field->byte = change.byte;
        }
    }
    std::string differing;
    if (SameOptions(wanted, record, &differing)) {
        Say(context.err, "the device already has these options; nothing was written");
        return kExitOk;
    }
    if (!Exchange(session, [&] { return WriteAdvancedOptions(session.link(), wanted); })) {
        return Fail(context.err, kExitWriteFailed, "the device did not take the advanced options");
    }
    SystemRecord kept;
    if (!Exchange(session, [&] { return ReadSystemRecord(session.link(), kept); })) {
        return NoAnswer(context.err, "read-back of the advanced options");
    }
    differing.clear();
    if (!SameOptions(kept, wanted, &differing)) {
        return Fail(context.err, kExitWriteFailed, "the device did not keep: " + differing);
    }
    Say(context.err, "advanced options written and confirmed");
    return kExitOk;
}

}  // namespace pd::ctl
