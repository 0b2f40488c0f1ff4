// backup and restore: everything writable in one file, and back only where it differs.
#include <ostream>

#include "mf40ctl/BackupDocument.h"
#include "mf40ctl/CommandSupport.h"
#include "mf40ctl/Commands.h"
#include "phonebook/EntryRules.h"
#include "phonebook/PhonebookImport.h"
#include "protocol/PhonebookTransfer.h"

namespace pd::ctl {

namespace {

// Reads the three blocks into `snapshot`; the exit code when one does not come.
int ReadSnapshot(DeviceSession& session, DeviceSnapshot& snapshot, std::ostream& err) {
    DeviceLink& link = session.link();
    if (!Exchange(session, [&] { return ReadSystemRecord(link, snapshot.system); })) {
        return NoAnswer(err, "system data read");
    }
    snapshot.model = StoredText(snapshot.system.modelName);
    snapshot.firmwareVersion = StoredText(snapshot.system.firmwareVersion);
    for (const auto& field : AdvancedOptionFields()) {
        if (field.text)
            SetAdvancedText(field, snapshot.system, AdvancedText(field, snapshot.system));
    }
    if (!Exchange(session, [&] { return ReadFaxSettings(link, snapshot.faxSettings); })) {
        return NoAnswer(err, "fax settings read");
    }
    if (!ReadDevicePhonebook(session, snapshot.phonebook, err)) {
        return NoAnswer(err, "phonebook read");
    }
    return kExitOk;
}

std::string Quote(const std::string& bytes) { return "\"" + Windows1252ForTerminal(bytes) + "\""; }

std::string EntryText(const PhonebookTable& table, int position) {
    if (table.IsGroupDial(position)) return Quote(table.Name(position)) + " " + kGroupDialText;
    if (IsBlankEntry(table, position)) return "(blank)";
    return Quote(table.Name(position)) + " " + Windows1252ForTerminal(table.Number(position));
}

struct RestorePlan {
    DeviceSnapshot target;  // the device as it will be
    std::vector<std::string> differences;
    std::vector<std::string> notes;  // what is left as the device has it, and why
    // Values the device may not be given: option texts outside their edit's characters
    // (CheckEditText), bytes that no page offers, entries the import rule refuses
    // (EntryRules.h); with any of them nothing is written.
    std::vector<std::string> problems;
    bool settingsDiffer = false;
    bool optionsDiffer = false;
    bool phonebookDiffers = false;
};

// A byte that no page offers goes back only where the device holds it already: a backup keeps
// it so that nothing is lost, not so that a file can make what no page can.
std::optional<std::string> ByteProblem(const FieldSpec& rule, std::uint8_t wanted) {
    if (FormatByte(rule, wanted)) return std::nullopt;
    return "device byte " + std::to_string(wanted) + " is not one of " + AllowedValues(rule) +
           "; a byte that no page offers is restored only where the device holds it already";
}

// Only what differs from the device is judged by the rules: what the device holds already
// comes back as it is. Everything else keeps the rules of the pages: the option texts their
// edit's characters, as options set and the Advanced page have them.
RestorePlan PlanRestore(const DeviceSnapshot& device, const DeviceSnapshot& backup) {
    RestorePlan plan{device, {}, {}, {}, false, false, false};
    for (const auto& field : FaxSettingFields()) {
        const std::uint8_t was = device.faxSettings.*field.member;
        const std::uint8_t wanted = backup.faxSettings.*field.member;
        if (was == wanted) continue;
        if (const auto problem = ByteProblem(field.rule, wanted)) {
            plan.problems.push_back(std::string("faxSettings.") + field.rule.name + ": " +
                                    *problem);
            continue;
        }
        plan.target.faxSettings.*field.member = wanted;
        plan.differences.push_back(std::string("faxSettings.") + field.rule.name + ": " +
                                   DescribeByte(field.rule, was) + " -> " +
                                   DescribeByte(field.rule, wanted));
        plan.settingsDiffer = true;
    }
    for (const auto& field : AdvancedOptionFields()) {
        std::string was, wanted;
        if (field.text) {
            was = AdvancedText(field, device.system);
            wanted = AdvancedText(field, backup.system);
            if (was == wanted) continue;
            std::string error;
            const std::optional<std::string> kept = CheckEditText(field.rule, wanted, &error);
            if (!kept) {
                plan.problems.push_back(std::string("advancedOptions.") + field.rule.name + ": " +
                                        error);
                continue;
            }
            SetAdvancedText(field, plan.target.system, wanted);
            was = Quote(was);
            wanted = Quote(wanted);
        } else {
            const std::uint8_t from = device.system.*field.byte;
            const std::uint8_t to = backup.system.*field.byte;
            if (from == to) continue;
            if (const auto problem = ByteProblem(field.rule, to)) {
                plan.problems.push_back(std::string("advancedOptions.") + field.rule.name + ": " +
                                        *problem);
                continue;
            }
            plan.target.system.*field.byte = to;
            was = DescribeByte(field.rule, from);
            wanted = DescribeByte(field.rule, to);
        }
        plan.differences.push_back(std::string("advancedOptions.") + field.rule.name + ": " + was +
                                   " -> " + wanted);
        plan.optionsDiffer = true;
    }
    const PhonebookTable& from = device.phonebook;
    const PhonebookTable& to = backup.phonebook;
    for (int position = 0; position < from.size(); ++position) {
        if (from.Name(position) == to.Name(position) &&
            from.Number(position) == to.Number(position)) {
            continue;
        }
        const std::string where = "phonebook " + std::to_string(position + 1) + ": ";
        if (from.IsGroupDial(position) || to.IsGroupDial(position)) {
            plan.notes.push_back(where + "group-dial entries are the device's own; " +
                                 EntryText(from, position) + " is kept");
            continue;
        }
        EntryTexts texts;  // a blank entry in the backup clears the device's
        if (!IsBlankEntry(to, position)) {
            RowProblem problem;
            std::optional<EntryTexts> kept =
                ApplyEntryRules(to.Name(position), to.Number(position), &problem);
            if (!kept) {
                plan.problems.push_back(where + DescribeRowProblem(problem));
                continue;
            }
            texts = std::move(*kept);
        }
        if (texts.name == from.Name(position) && texts.number == from.Number(position)) continue;
        plan.target.phonebook.SetEntry(position, texts.name, texts.number);
        plan.differences.push_back(where + EntryText(from, position) + " -> " +
                                   EntryText(plan.target.phonebook, position));
        plan.phonebookDiffers = true;
    }
    return plan;
}

}  // namespace

int BackupCommand(CommandContext& context, const std::string& path) {
    if (const int code = CheckOutputFile(context, path)) return code;
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    DeviceSnapshot snapshot;
    if (const int code = ReadSnapshot(session, snapshot, context.err)) return code;
    std::string problem;
    if (!WriteWholeFile(context.os, path, WriteBackupDocument(snapshot), &problem)) {
        return Fail(context.err, kExitWriteFailed, problem);
    }
    Say(context.err, "settings, advanced options and phonebook of " +
                         Windows1252ToUtf8(snapshot.model) + " (firmware " +
                         Windows1252ToUtf8(snapshot.firmwareVersion) + ") saved to " + path);
    return kExitOk;
}

int RestoreCommand(CommandContext& context, const std::string& path, bool dryRun) {
    std::string problem;
    const std::optional<std::string> text =
        ReadInputFile(context.os, path, kLargestInputFile, &problem);
    if (!text) return Fail(context.err, kExitBadInput, problem);
    if (const std::string encoding = EncodingProblem(path, *text); !encoding.empty()) {
        return Fail(context.err, kExitBadInput, encoding);
    }
    BackupReading reading = ReadBackupDocument(*text);
    if (!reading.snapshot) {
        for (const std::string& fault : reading.problems) {
            context.err << EscapeForTerminal(path + ": " + fault) << "\n";
        }
        return Fail(context.err, kExitBadInput,
                    "'" + path +
                        "' is not a usable backup; nothing "
                        "was written");
    }
    const DeviceSnapshot& backup = *reading.snapshot;

    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    DeviceSnapshot device;
    if (const int code = ReadSnapshot(session, device, context.err)) return code;
    if (device.model != backup.model) {
        return Fail(context.err, kExitBadInput,
                    "'" + path + "' is a backup of " + Quote(backup.model) +
                        ", but the device is " + Quote(device.model) + "; nothing was written");
    }
    if (device.firmwareVersion != backup.firmwareVersion) {
        Say(context.err, "note: the backup was made with firmware " +
                             Windows1252ToUtf8(backup.firmwareVersion) + "; the device now has " +
                             Windows1252ToUtf8(device.firmwareVersion));
    }

    const RestorePlan plan = PlanRestore(device, backup);
    for (const std::string& fault : plan.problems) {
        context.err << EscapeForTerminal(path + ": " + fault) << "\n";
    }
    if (!plan.problems.empty()) {
        return Fail(context.err, kExitBadInput,
                    std::to_string(plan.problems.size()) +
                        " value(s) the device cannot take; nothing was written");
    }
    for (const std::string& note : plan.notes) Say(context.err, "note: " + note);
    for (const std::string& difference : plan.differences) {
        context.out << EscapeForTerminal(difference) << "\n";
    }
    if (plan.differences.empty()) {
        Say(context.err,
            plan.notes.empty()
                ? "the device already matches " + path + "; nothing was written"
                : "nothing was written: the device matches " + path + " except for " +
                      std::to_string(plan.notes.size()) +
                      (plan.notes.size() == 1 ? " group-dial entry, which is the device's own"
                                              : " group-dial entries, which are the device's own"));
        return kExitOk;
    }
    if (dryRun) {
        Say(context.err, "dry run: nothing was written");
        return kExitOk;
    }

    DeviceLink& link = session.link();
    const DeviceSnapshot& target = plan.target;
    if (plan.settingsDiffer &&
        !Exchange(session, [&] { return WriteFaxSettings(link, target.faxSettings); })) {
        return Fail(context.err, kExitWriteFailed, "the device did not take the fax settings");
    }
    if (plan.optionsDiffer &&
        !Exchange(session, [&] { return WriteAdvancedOptions(link, target.system); })) {
        return Fail(context.err, kExitWriteFailed, "the device did not take the advanced options");
    }
    if (plan.phonebookDiffers &&
        !Exchange(session, [&] { return WritePhonebook(link, target.phonebook); })) {
        return Fail(context.err, kExitWriteFailed, "the device did not take the phonebook");
    }

    DeviceSnapshot kept;
    if (const int code = ReadSnapshot(session, kept, context.err)) return code;
    // Anything that differs is a failure, whatever the rules would make of it.
    const RestorePlan left = PlanRestore(kept, target);
    if (!left.differences.empty() || !left.problems.empty()) {
        for (const std::string& difference : left.differences) {
            Say(context.err, "not kept: " + difference);
        }
        for (const std::string& difference : left.problems) {
            Say(context.err, "not kept: " + difference);
        }
        return Fail(context.err, kExitWriteFailed, "the device did not keep everything restored");
    }
    Say(context.err, std::to_string(plan.differences.size()) + " difference(s) restored from " +
                         path + " and confirmed");
    return kExitOk;
}

}  // namespace pd::ctl
