#include "mf40ctl/Mf40ctl.h"

#include <CLI/CLI.hpp>
#include <map>
#include <ostream>

#include "PanelDeskVersion.h"
#include "mf40ctl/Commands.h"
#include "mf40ctl/DeviceFields.h"
#include "mf40ctl/TerminalText.h"

namespace pd::ctl {

namespace {

const std::map<std::string, LinkChoice> kLinkChoices = {
    {"auto", LinkChoice::Auto}, {"usb", LinkChoice::Usb},   {"lpt1", LinkChoice::Lpt1},
    {"lpt2", LinkChoice::Lpt2}, {"lpt3", LinkChoice::Lpt3}, {"ecp1", LinkChoice::Ecp1},
    {"ecp2", LinkChoice::Ecp2}, {"ecp3", LinkChoice::Ecp3},
};

constexpr const char* kExitCodes =
    "Exit codes: 0 ok, 1 the device did not answer, 2 bad input (nothing was written),\n"
    "3 the port is reserved by another program, 4 writing failed (device, file or standard\n"
    "output), 5 gave up waiting for another run that uses the same device. Messages go to\n"
    "standard error, data to standard output.";

template <typename Fields>
std::string NamesAndValues(const Fields& fields, const char* title) {
    std::string text = std::string(title) + ":\n";
    for (const auto& field : fields) {
        std::string name = std::string("  ") + field.rule.name;
        name.resize(std::max<std::size_t>(name.size() + 1, 22), ' ');
        text += name + AllowedValues(field.rule) + "\n";
    }
    return text;
}

// The commands of `group` (the program or a command with commands of its own), one a line
// with what it does, after `problem`. Bad input: the exit code.
int RefuseCommandWord(std::ostream& err, const CLI::App& group, const std::string& problem) {
    const auto commands = group.get_subcommands([](const CLI::App*) { return true; });
    std::size_t width = 0;
    for (const CLI::App* command : commands) width = std::max(width, command->get_name().size());
    err << "mf40ctl: " << problem << "\n"
        << (group.get_parent() ? "Commands of " + group.get_name() + ":\n" : "Commands:\n");
    for (const CLI::App* command : commands) {
        std::string name = command->get_name();
        name.resize(width + 2, ' ');
        err << "  " << name << command->get_description() << "\n";
    }
    err << "Run with --help for more information.\n";
    return kExitBadInput;
}

// The last command word the parse took: the program itself when it took none.
const CLI::App& DeepestCommand(const CLI::App& app) {
    const CLI::App* at = &app;
    while (!at->get_subcommands().empty()) at = at->get_subcommands().front();
    return *at;
}

bool HasCommands(const CLI::App& app) {
    return !app.get_subcommands([](const CLI::App*) { return true; }).empty();
}

struct Choices {
    std::string link = "auto";
    bool json = false;
    std::vector<std::string> assignments;
    std::string path;
    bool replace = false;
    bool merge = false;
    bool dryRun = false;
    bool yes = false;
};

int RunCommandLine(const std::vector<std::string>& arguments, CommandContext& context,
                   const CtlHost& host) {
    Choices choices;
    CLI::App app("mf40ctl " + std::string(PD_VERSION_STRING) +
                     ": the command-line companion of PanelDesk for the Veltra Ostrex MF 40",
                 "mf40ctl");
    app.fallthrough();
    // At most one command; none is told with the list of commands, as is an unknown word.
    app.require_subcommand(0, 1);
    // The product's version, set once for the whole tree.
    app.set_version_flag("--version", PD_VERSION_STRING);
    app.add_option("--link", choices.link,
                   "Route to the device: auto (the panel's own choice, USB with the parallel "
                   "port as fallback), usb, lpt1..lpt3 or ecp1..ecp3")
        ->check(CLI::IsMember({"auto", "usb", "lpt1", "lpt2", "lpt3", "ecp1", "ecp2", "ecp3"}));
    if (host.addOptions) host.addOptions(app);
    app.footer(host.about.empty() ? kExitCodes : host.about + "\n\n" + kExitCodes);

    std::function<int()> command;
    // Whether the chosen command may change the device (a dry run never does).
    bool changes = false;
    const auto run = [&](CLI::App* sub, std::function<int()> action, bool changesDevice = false) {
        sub->callback([&command, &changes, action, changesDevice] {
            command = action;
            changes = changesDevice;
        });
    };
    // A command with commands of its own that runs `action` when none of them is named. Its
    // commands' callbacks run before its own, so a named one has already chosen.
    const auto group = [&](CLI::App* sub, std::function<int()> action) {
        sub->require_subcommand(0, 1);
        if (action) {
            sub->callback([&command, action] {
                if (!command) command = action;
            });
        }
    };
    const auto json = [&](CLI::App* sub) {
        sub->add_flag("--json", choices.json, "Print JSON instead of lines");
    };

    CLI::App* info = app.add_subcommand(
        "info", "Model, firmware, engine and emulation versions, free memory and counters");
    json(info);
    run(info, [&] { return InfoCommand(context, choices.json); });

    CLI::App* settings =
        app.add_subcommand("settings", "The 17 fax and paper settings (alone: as get)");
    json(settings);
    group(settings, [&] { return SettingsGetCommand(context, choices.json); });
    CLI::App* settingsGet = settings->add_subcommand("get", "Show the settings as NAME=VALUE");
    json(settingsGet);
    run(settingsGet, [&] { return SettingsGetCommand(context, choices.json); });
    CLI::App* settingsSet = settings->add_subcommand(
        "set", "Change the named settings; the device is read, changed, written and read back");
    settingsSet->add_option("NAME=VALUE", choices.assignments, "Settings to change")->required();
    settingsSet->footer(NamesAndValues(FaxSettingFields(), "Names and values"));
    run(settingsSet, [&] { return SettingsSetCommand(context, choices.assignments); }, true);

    CLI::App* options = app.add_subcommand("options", "The advanced options (alone: as get)");
    json(options);
    group(options, [&] { return OptionsGetCommand(context, choices.json); });
    CLI::App* optionsGet = options->add_subcommand("get", "Show the options as NAME=VALUE");
    json(optionsGet);
    run(optionsGet, [&] { return OptionsGetCommand(context, choices.json); });
    CLI::App* optionsSet = options->add_subcommand(
        "set", "Change the named options; texts are turned to capitals as the panel does");
    optionsSet->add_option("NAME=VALUE", choices.assignments, "Options to change")->required();
    optionsSet->footer(NamesAndValues(AdvancedOptionFields(), "Names and values"));
    run(optionsSet, [&] { return OptionsSetCommand(context, choices.assignments); }, true);

    CLI::App* phonebook =
        app.add_subcommand("phonebook", "The 80 speed-dial entries (alone: as list)");
    json(phonebook);
    group(phonebook, [&] { return PhonebookListCommand(context, choices.json); });
    CLI::App* listBook = phonebook->add_subcommand(
        "list", "Show the entries that are not blank as a table: Nro, Nimi, Puhelinnumero");
    json(listBook);
    run(listBook, [&] { return PhonebookListCommand(context, choices.json); });
    CLI::App* exportBook = phonebook->add_subcommand(
        "export", "Save the device's phonebook to FILE (.pbf, .csv or .vcf)");
    exportBook->add_option("FILE", choices.path, "The file to write")->required();
    run(exportBook, [&] { return PhonebookExportCommand(context, choices.path); });
    CLI::App* importBook = phonebook->add_subcommand(
        "import", "Put the entries of FILE (.pbf, .csv or .vcf) into the device's phonebook");
    importBook->add_option("FILE", choices.path, "The file to read")->required();
    CLI::Option* replace = importBook->add_flag(
        "--replace", choices.replace, "Clear every entry but the group-dial ones first");
    importBook->add_flag("--merge", choices.merge, "Keep the other entries (the default)")
        ->excludes(replace);
    importBook->add_flag("--dry-run", choices.dryRun,
                         "Show the phonebook the import would make, and write nothing");
    importBook->footer(
        "Every entry a file changes must be one the device can hold and show, whatever the\n"
        "format: names of printable characters (Windows-1252, no control characters, no ÿ;\n"
        "at most 20, trailing spaces dropped), numbers of digits, # * P (spaces, - . ( ) are\n"
        "dropped; at most 46, more than 2 characters, at least one digit). An entry given\n"
        "exactly as the device holds it comes back as it is. A .csv row goes into the entry\n"
        "its Nro names, a vCard into the one its X-PANELDESK-NRO names or else into a free\n"
        "entry. Group-dial entries are never overwritten. Files over 1 MiB are not read. If\n"
        "any row is refused, nothing is written, and --dry-run says so too.");
    run(
        importBook,
        [&] {
            return PhonebookImportCommand(context, choices.path,
                                          choices.replace ? ImportMode::Replace : ImportMode::Merge,
                                          choices.dryRun);
        },
        true);

    CLI::App* backup = app.add_subcommand(
        "backup", "Save fax settings, advanced options and phonebook to FILE.json");
    backup->add_option("FILE", choices.path, "The JSON file to write")->required();
    run(backup, [&] { return BackupCommand(context, choices.path); });
    CLI::App* restore = app.add_subcommand(
        "restore", "Write back what differs between FILE.json and the device");
    restore->add_option("FILE", choices.path, "A backup made by mf40ctl backup")->required();
    restore->add_flag("--dry-run", choices.dryRun, "Show the differences and write nothing");
    run(restore, [&] { return RestoreCommand(context, choices.path, choices.dryRun); }, true);

    CLI::App* firmware = app.add_subcommand("firmware", "Firmware images");
    group(firmware, nullptr);
    CLI::App* check = firmware->add_subcommand(
        "check", "Check FILE as a firmware image and show the device's current versions");
    check->add_option("FILE", choices.path, "The image")->required();
    run(check, [&] { return FirmwareCheckCommand(context, choices.path); });
    CLI::App* update = firmware->add_subcommand(
        "update", "Download FILE into the device (about a minute; do not switch it off)");
    update->add_option("FILE", choices.path, "The image")->required();
    update->add_flag("--yes", choices.yes, "Do not ask for confirmation");
    run(update, [&] { return FirmwareUpdateCommand(context, choices.path, choices.yes); }, true);

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::Success& success) {
        return app.exit(success, context.out, context.err);
    } catch (const CLI::ParseError& error) {
        // A word where a command was expected is an unknown command; a word after a command
        // that takes no more is only unexpected.
        const std::vector<std::string> extras = app.remaining(true);
        const CLI::App& last = DeepestCommand(app);
        if (dynamic_cast<const CLI::ExtrasError*>(&error) && !extras.empty() &&
            extras.front().rfind('-', 0) != 0 && HasCommands(last)) {
            std::string problem = "unknown command '" + EscapeForTerminal(extras.front()) + "'";
            if (last.get_parent()) problem += " for " + last.get_name();
            return RefuseCommandWord(context.err, last, problem);
        }
        // The message may quote the arguments, which are the user's and may hold anything.
        context.err << "mf40ctl: " << EscapeForTerminal(error.what())
                    << "\nRun with --help for more information.\n";
        return kExitBadInput;
    }
    if (!command) {
        const CLI::App& last = DeepestCommand(app);
        return RefuseCommandWord(context.err, last,
                                 last.get_parent() ? last.get_name() + " needs a command"
                                                   : "give a command");
    }
    context.link = kLinkChoices.at(choices.link);
    if (host.filePath && !choices.path.empty()) choices.path = host.filePath(choices.path);
    if (host.beforeCommand) {
        if (const int code = host.beforeCommand(changes && !choices.dryRun)) return code;
    }
    return command();
}

}  // namespace

int RunMf40ctl(const std::vector<std::string>& arguments, CommandContext& context,
               const CtlHost& host) {
    const int code = RunCommandLine(arguments, context, host);
    // Data that never arrived is a failed write like any other, even when the command itself
    // went well: a script must not take a cut-off listing or JSON text for the whole.
    context.out.flush();
    if (context.out) return code;
    context.err << "mf40ctl: writing to standard output failed; what it shows is incomplete\n";
    return code == kExitOk ? kExitWriteFailed : code;
}

}  // namespace pd::ctl
