// phonebook list, export and import: the phonebook page's list, read and write, with files
// in the panel's own format and in two that other programs write.
#include <algorithm>
#include <cstdio>
#include <ostream>

#include "mf40ctl/CommandSupport.h"
#include "mf40ctl/Commands.h"
#include "phonebook/PhonebookFile.h"
#include "phonebook/PhonebookText.h"
#include "protocol/PhonebookTransfer.h"

namespace pd::ctl {

namespace {

// A file's kind by its name: the panel's own .pbf, or one of the text formats.
struct Format {
    bool pbf = false;
    std::optional<PhonebookTextFormat> text;

    bool known() const { return pbf || text.has_value(); }
};

Format FormatOf(const std::string& path) {
    std::string end = path.substr(path.size() < 4 ? 0 : path.size() - 4);
    for (char& c : end) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return {end == ".pbf", PhonebookTextFormatOf(path)};
}

int UnknownFormat(std::ostream& err, const std::string& path) {
    return Fail(err, kExitBadInput, "'" + path + "': the file name must end in .pbf, .csv or .vcf");
}

void Report(std::ostream& err, const std::string& path, const std::vector<RowProblem>& problems) {
    for (const RowProblem& problem : problems) {
        const std::string where =
            problem.line > 0 ? path + ":" + std::to_string(problem.line) : path;
        err << EscapeForTerminal(where + ": " + DescribeRowProblem(problem)) << "\n";
    }
}

// The phonebook as lines for the terminal: "Nro  Nimi  Puhelinnumero", the entries that are
// not blank, and a mark before every entry that differs from `before`.
std::string PhonebookListing(const PhonebookTable& table, const PhonebookTable& before) {
    std::string text = "  Nro  Nimi                  Puhelinnumero\n";
    int shown = 0;
    for (int position = 0; position < table.size(); ++position) {
        const bool changed = !SameEntry(table, before, position);
        const bool blank = IsBlankEntry(table, position);
        if (blank && !changed) continue;
        const std::string name = Windows1252ForTerminal(table.Name(position));
        std::string number = table.IsGroupDial(position)
                                 ? kGroupDialText
                                 : Windows1252ForTerminal(table.Number(position));
        if (blank) number = "(cleared)";
        char head[16];
        std::snprintf(head, sizeof head, "%c %3d  ", changed ? '*' : ' ', position + 1);
        std::string padded = name;
        // Padding counts characters, not UTF-8 bytes.
        const auto characters = static_cast<std::size_t>(
            std::count_if(name.begin(), name.end(), [](char c) { return (c & 0xC0) != 0x80; }));
        padded.append(characters < 20 ? 20 - characters : 0, ' ');
        text += head + padded + "  " + number + "\n";
        ++shown;
    }
    if (shown == 0) text += "  (every entry is blank)\n";
    return text;
}

}  // namespace

bool ReadDevicePhonebook(DeviceSession& session, PhonebookTable& table, std::ostream& err) {
    PhonebookReadNotes notes;
    if (!Exchange(session, [&] { return ReadPhonebook(session.link(), table, &notes); })) {
        return false;
    }
    if (notes.skipped > 0) {
        Say(err, "note: the device sent " + std::to_string(notes.skipped) +
                     " phonebook record(s) with entry number 0 or above " +
                     std::to_string(table.size()) + "; they were skipped");
    }
    std::sort(notes.repeated.begin(), notes.repeated.end());
    notes.repeated.erase(std::unique(notes.repeated.begin(), notes.repeated.end()),
                         notes.repeated.end());
    for (const int entry : notes.repeated) {
        Say(err, "note: the device sent entry " + std::to_string(entry) +
                     " more than once; the last record sent is the one taken");
    }
    return true;
}

int PhonebookListCommand(CommandContext& context, bool json) {
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    PhonebookTable& table = session.phonebook();
    if (!ReadDevicePhonebook(session, table, context.err)) {
        return NoAnswer(context.err, "phonebook read");
    }
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
    if (!format.known()) return UnknownFormat(context.err, path);
    if (const int code = CheckOutputFile(context, path)) return code;
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    PhonebookTable& table = session.phonebook();
    if (!ReadDevicePhonebook(session, table, context.err)) {
        return NoAnswer(context.err, "phonebook read");
    }

    FileError error = FileError::None;
    const bool saved = format.text
                           ? SavePhonebookText(context.os, path, *format.text, table, &error)
                           : SavePhonebookFile(context.os, path, table, &error);
    if (!saved) return Fail(context.err, kExitWriteFailed, WriteProblem(path, error));
    Say(context.err, std::to_string(ExportEntries(table).size()) + " entries written to " + path);
    return kExitOk;
}

int PhonebookImportCommand(CommandContext& context, const std::string& path, ImportMode mode,
                           bool dryRun) {
    const Format format = FormatOf(path);
    if (!format.known()) return UnknownFormat(context.err, path);
    std::string problem;
    const std::optional<std::string> text =
        ReadInputFile(context.os, path, kLargestInputFile, &problem);
    if (!text) return Fail(context.err, kExitBadInput, problem);
    PhonebookRows rows;
    if (format.text) {
        if (const std::string encoding = EncodingProblem(path, *text); !encoding.empty()) {
            return Fail(context.err, kExitBadInput, encoding);
        }
        rows = ReadPhonebookText(*format.text, *text);
    }
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text->data()), text->size());
    if (format.pbf) {
        PhonebookTable scratch(kSpeedDialCount, kOneTouchCount);
        if (!ReadPhonebookImage(bytes, scratch)) {
            return Fail(context.err, kExitBadInput, "'" + path + "' is not a phonebook file");
        }
        // The panel loads what a cut file holds over what it had; an import would keep the
        // device's entries that the file never names, so only a whole file is taken.
        if (text->size() != PhonebookFileSize(scratch)) {
            return Fail(context.err, kExitBadInput,
                        "'" + path + "' is " + std::to_string(text->size()) +
                            " bytes, but a phonebook file is " +
                            std::to_string(PhonebookFileSize(scratch)) + " bytes (its header and " +
                            std::to_string(scratch.size()) +
                            " entries): it is cut short or carries more, so it is not read");
        }
    }

    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    PhonebookTable& device = session.phonebook();
    if (!ReadDevicePhonebook(session, device, context.err)) {
        return NoAnswer(context.err, "phonebook read");
    }

    ImportPlan plan{device, {}, 0};
    if (format.pbf) {
        PhonebookTable file = device;
        ReadPhonebookImage(bytes, file);
        plan = PlanTableImport(device, file, mode);
    } else {
        plan = PlanImport(device, rows, mode);
    }
    Report(context.err, path, plan.problems);
    if (dryRun) {
        context.out << PhonebookListing(plan.table, device);
        Say(context.err, "dry run: nothing was written");
    }
    if (!plan.problems.empty()) {
        return Fail(context.err, kExitBadInput,
                    std::to_string(plan.problems.size()) +
                        " problem(s) found; the device's phonebook was not changed");
    }
    if (dryRun) return kExitOk;
    if (SamePhonebook(plan.table, device)) {
        Say(context.err, "the device's phonebook already matches; nothing was written");
        return kExitOk;
    }
    if (!Exchange(session, [&] { return WritePhonebook(session.link(), plan.table); })) {
        return Fail(context.err, kExitWriteFailed, "the device did not take the phonebook");
    }
    PhonebookTable kept(kSpeedDialCount, kOneTouchCount);
    if (!ReadDevicePhonebook(session, kept, context.err)) {
        return NoAnswer(context.err, "read-back of the phonebook");
    }
    if (!SamePhonebook(kept, plan.table)) {
        std::string differing;
        for (int position = 0; position < kept.size(); ++position) {
            if (kept.Name(position) != plan.table.Name(position) ||
                kept.Number(position) != plan.table.Number(position)) {
                differing += (differing.empty() ? "" : ", ") + std::to_string(position + 1);
            }
        }
        return Fail(context.err, kExitWriteFailed,
                    "the device did not keep the phonebook sent (entries " + differing + ")");
    }
    Say(context.err, "phonebook written and confirmed (" + std::to_string(plan.placed) +
                         " entries from " + path + ")");
    return kExitOk;
}

}  // namespace pd::ctl
