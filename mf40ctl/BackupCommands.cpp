// backup and restore: everything writable in one file, and back only where it differs.
#include <ostream>

#include "mf40ctl/BackupDocument.h"
#include "mf40ctl/CommandSupport.h"
#include "mf40ctl/Commands.h"
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
        if (field.text) SetAdvancedText(field, snapshot.system, AdvancedText(field, snapshot.system));
    }
    if (!Exchange(session, [&] { return ReadFaxSettings(link, snapshot.faxSettings); })) {
        return NoAnswer(err, "fax settings read");
    }
    if (!Exchange(session, [&] { return ReadPhonebook(link, snapshot.phonebook); })) {
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
    bool settingsDiffer = false;
    bool optionsDiffer = false;
    bool phonebookDiffers = false;
};

RestorePlan PlanRestore(const DeviceSnapshot& device, const DeviceSnapshot& backup) {
    RestorePlan plan{device, {}, {}, false, false, false};
    for (const auto& field : FaxSettingFields()) {
        const std::uint8_t was = device.faxSettings.*field.member;
        const std::uint8_t wanted = backup.faxSettings.*field.member;
        if (was == wanted) continue;
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
            SetAdvancedText(field, plan.target.system, wanted);
            was = Quote(was);
            wanted = Quote(wanted);
        } else {
            const std::uint8_t from = device.system.*field.byte;
            const std::uint8_t to = backup.system.*field.byte;
            if (from == to) continue;
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
        if (from.Name(position) == to.Name(position) && from.Number(position) == to.Number(position)) {
            continue;
        }
        const std::string where = "phonebook " + std::to_string(position + 1) + ": ";
        if (from.IsGroupDial(position) || to.IsGroupDial(position)) {
            plan.notes.push_back(where + "group-dial entries are the device's own; " +
                                 EntryText(from, position) + " is kept");
            continue;
        }
        plan.target.phonebook.SetEntry(position, to.Name(position), to.Number(position));
        plan.differences.push_back(where + EntryText(from, position) + " -> " +
                                   EntryText(to, position));
        plan.phonebookDiffers = true;
    }
    return plan;
}

}  // namespace

int BackupCommand(CommandContext& context, const std::string& path) {
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    DeviceSnapshot snapshot;
    if (const int code = ReadSnapshot(session, snapshot, context.err)) return code;
    if (!WriteWholeFile(context.os, path, WriteBackupDocument(snapshot))) {
        return Fail(context.err, kExitWriteFailed, "could not write '" + path + "'");
    }
    context.err << "mf40ctl: settings, advanced options and phonebook of "
                << Windows1252ForTerminal(snapshot.model) << " (firmware "
                << Windows1252ForTerminal(snapshot.firmwareVersion) << ") saved to " << path
                << "\n";
    return kExitOk;
}

int RestoreCommand(CommandContext& context, const std::string& path, bool dryRun) {
    const std::optional<std::string> text = ReadWholeFile(context.os, path);
    if (!text) return Fail(context.err, kExitBadInput, "cannot read '" + path + "'");
    BackupReading reading = ReadBackupDocument(*text);
    if (!reading.snapshot) {
        for (const std::string& problem : reading.problems) {
            context.err << path << ": " << problem << "\n";
        }
        return Fail(context.err, kExitBadInput, "'" + path + "' is not a usable backup; nothing "
                                                "was written");
    }
    const DeviceSnapshot& backup = *reading.snapshot;

    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    DeviceSnapshot device;
    if (const int code = ReadSnapshot(session, device, context.err)) return code;
    if (device.model != backup.model) {
        return Fail(context.err, kExitBadInput,
                    "'" + path + "' is a backup of " + Quote(backup.model) + ", but the device is " +
                        Quote(device.model) + "; nothing was written");
    }
    if (device.firmwareVersion != backup.firmwareVersion) {
        context.err << "mf40ctl: note: the backup was made with firmware "
                    << Windows1252ForTerminal(backup.firmwareVersion) << "; the device now has "
                    << Windows1252ForTerminal(device.firmwareVersion) << "\n";
    }

    const RestorePlan plan = PlanRestore(device, backup);
    for (const std::string& note : plan.notes) context.err << "mf40ctl: note: " << note << "\n";
    for (const std::string& difference : plan.differences) context.out << difference << "\n";
    if (plan.differences.empty()) {
        context.err << "mf40ctl: the device already matches " << path << "; nothing was written\n";
        return kExitOk;
    }
    if (dryRun) {
        context.err << "mf40ctl: dry run: nothing was written\n";
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
    const RestorePlan left = PlanRestore(kept, target);
    if (!left.differences.empty()) {
        for (const std::string& difference : left.differences) {
            context.err << "mf40ctl: not kept: " << difference << "\n";
        }
        return Fail(context.err, kExitWriteFailed, "the device did not keep everything restored");
    }
    context.err << "mf40ctl: " << plan.differences.size() << " difference(s) restored from "
                << path << " and confirmed\n";
    return kExitOk;
}

}  // namespace pd::ctl
