// phonebook list, export and import: the phonebook page's list, read and write, with files
// in the panel's own format and in two that other programs write.
#include <ostream>

#include "mf40ctl/CommandSupport.h"
#include "mf40ctl/Commands.h"
#include "mf40ctl/PhonebookCsv.h"
#include "mf40ctl/PhonebookVcard.h"
#include "phonebook/PhonebookFile.h"
#include "protocol/PhonebookTransfer.h"

namespace pd::ctl {

namespace {

enum class Format { Pbf, Csv, Vcard, Unknown };

Format FormatOf(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return Format::Unknown;
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == "pbf") return Format::Pbf;
    if (extension == "csv") return Format::Csv;
    if (extension == "vcf") return Format::Vcard;
    return Format::Unknown;
}

int UnknownFormat(std::ostream& err, const std::string& path) {
    return Fail(err, kExitBadInput,
                "'" + path + "': the file name must end in .pbf, .csv or .vcf");
}

bool ReadDevicePhonebook(DeviceSession& session, PhonebookTable& table) {
    return Exchange(session, [&] { return ReadPhonebook(session.link(), table); });
}

void Report(std::ostream& err, const std::string& path, const std::vector<RowProblem>& problems) {
    for (const RowProblem& problem : problems) {
        err << path;
        if (problem.line > 0) err << ":" << problem.line;
        err << ": " << problem.reason << "\n";
    }
}

}  // namespace

int PhonebookListCommand(CommandContext& context, bool json) {
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    PhonebookTable& table = session.phonebook();
    if (!ReadDevicePhonebook(session, table)) return NoAnswer(context.err, "phonebook read");
    if (!json) {
        context.out << PhonebookListing(table, table);
        return kExitOk;
    }
    // The rows of a .csv export, as a list of objects.
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const ExportEntry& entry : ExportEntries(table)) {
        entries.push_back({{"nro", entry.slot}, {"name", entry.name}, {"number", entry.number}});
    }
    context.out << JsonForTerminal(entries);
    return kExitOk;
}

int PhonebookExportCommand(CommandContext& context, const std::string& path) {
    const Format format = FormatOf(path);
    if (format == Format::Unknown) return UnknownFormat(context.err, path);
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    PhonebookTable& table = session.phonebook();
    if (!ReadDevicePhonebook(session, table)) return NoAnswer(context.err, "phonebook read");

    const std::vector<ExportEntry> entries = ExportEntries(table);
    bool saved = false;
    switch (format) {
        case Format::Pbf:
            saved = SavePhonebookFile(context.os, path, table);
            break;
        case Format::Csv:
            saved = WriteWholeFile(context.os, path, WritePhonebookCsv(entries));
            break;
        case Format::Vcard:
            saved = WriteWholeFile(context.os, path, WritePhonebookVcard(entries));
            break;
        case Format::Unknown:
            break;
    }
    if (!saved) return Fail(context.err, kExitWriteFailed, "could not write '" + path + "'");
    context.err << "mf40ctl: " << entries.size() << " entries written to " << path << "\n";
    return kExitOk;
}

int PhonebookImportCommand(CommandContext& context, const std::string& path, ImportMode mode,
                           bool dryRun) {
    const Format format = FormatOf(path);
    if (format == Format::Unknown) return UnknownFormat(context.err, path);
    const std::optional<std::string> text = ReadWholeFile(context.os, path);
    if (!text) return Fail(context.err, kExitBadInput, "cannot read '" + path + "'");
    PhonebookRows rows;
    if (format == Format::Csv) rows = ReadPhonebookCsv(*text);
    if (format == Format::Vcard) rows = ReadPhonebookVcard(*text);
    if (format == Format::Pbf) {
        PhonebookTable scratch(kSpeedDialCount, kOneTouchCount);
        if (!LoadPhonebookFile(context.os, path, scratch)) {
            return Fail(context.err, kExitBadInput, "'" + path + "' is not a phonebook file");
        }
    }

    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    PhonebookTable& device = session.phonebook();
    if (!ReadDevicePhonebook(session, device)) return NoAnswer(context.err, "phonebook read");

    ImportPlan plan{device, {}, 0};
    if (format == Format::Pbf) {
        PhonebookTable file = device;
        if (!LoadPhonebookFile(context.os, path, file)) {
            return Fail(context.err, kExitBadInput, "'" + path + "' is not a phonebook file");
        }
        plan = PlanTableImport(device, file, mode);
    } else {
        plan = PlanImport(device, rows, mode);
    }
    Report(context.err, path, plan.problems);
    if (dryRun) {
        context.out << PhonebookListing(plan.table, device);
        context.err << "mf40ctl: dry run: nothing was written\n";
    }
    if (!plan.problems.empty()) {
        return Fail(context.err, kExitBadInput,
                    std::to_string(plan.problems.size()) +
                        " problem(s) found; the device's phonebook was not changed");
    }
    if (dryRun) return kExitOk;
    if (SamePhonebook(plan.table, device)) {
        context.err << "mf40ctl: the device's phonebook already matches; nothing was written\n";
        return kExitOk;
    }
    if (!Exchange(session, [&] { return WritePhonebook(session.link(), plan.table); })) {
        return Fail(context.err, kExitWriteFailed, "the device did not take the phonebook");
    }
    PhonebookTable kept(kSpeedDialCount, kOneTouchCount);
    if (!ReadDevicePhonebook(session, kept)) {
        return NoAnswer(context.err, "read-back of the phonebook");
    }
    if (!SamePhonebook(kept, plan.table)) {
        return Fail(context.err, kExitWriteFailed, "the device did not keep the phonebook sent");
    }
    context.err << "mf40ctl: phonebook written and confirmed (" << plan.placed
                << " entries from " << path << ")\n";
    return kExitOk;
}

}  // namespace pd::ctl
