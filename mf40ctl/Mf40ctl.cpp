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

// The command the words chose, and whether it may change the device (a dry run never does).
struct ChosenCommand {
    std::function<int()> action;
    bool changes = false;
};

// The program and the options every command shares.
void AddProgramOptions(CLI::App& app, Choices& choices, const CtlHost& host) {
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
}

// The command words, each with its options and the action it chooses. Lives while the words
// are parsed, as their callbacks refer to it.
class CommandWords {
public:
    CommandWords(Choices& choices, CommandContext& context, ChosenCommand& chosen)
        : choices_(choices), context_(context), chosen_(chosen) {}

    void AddDeviceRecords(CLI::App& app) {
        CLI::App* info = app.add_subcommand(
            "info", "Model, firmware, engine and emulation versions, free memory and counters");
        Json(info);
        Run(info, [this] { return InfoCommand(context_, choices_.json); });

        CLI::App* settings =
            app.add_subcommand("settings", "The 17 fax and paper settings (alone: as get)");
        Json(settings);
        Group(settings, [this] { return SettingsGetCommand(context_, choices_.json); });
        CLI::App* settingsGet = settings->add_subcommand("get", "Show the settings as NAME=VALUE");
        Json(settingsGet);
        Run(settingsGet, [this] { return SettingsGetCommand(context_, choices_.json); });
        CLI::App* settingsSet = settings->add_subcommand(
            "set", "Change the named settings; the device is read, changed, written and read back");
        settingsSet->add_option("NAME=VALUE", choices_.assignments, "Settings to change")
            ->required();
        settingsSet->footer(NamesAndValues(FaxSettingFields(), "Names and values"));
        Run(
            settingsSet, [this] { return SettingsSetCommand(context_, choices_.assignments); },
            true);

        CLI::App* options = app.add_subcommand("options", "The advanced options (alone: as get)");
        Json(options);
        Group(options, [this] { return OptionsGetCommand(context_, choices_.json); });
        CLI::App* optionsGet = options->add_subcommand("get", "Show the options as NAME=VALUE");
        Json(optionsGet);
        Run(optionsGet, [this] { return OptionsGetCommand(context_, choices_.json); });
        CLI::App* optionsSet = options->add_subcommand(
            "set", "Change the named options; texts are turned to capitals as the panel does");
        optionsSet->add_option("NAME=VALUE", choices_.assignments, "Options to change")->required();
        optionsSet->footer(NamesAndValues(AdvancedOptionFields(), "Names and values"));
        Run(
            optionsSet, [this] { return OptionsSetCommand(context_, choices_.assignments); }, true);
    }

    void AddPhonebook(CLI::App& app) {
        CLI::App* phonebook =
            app.add_subcommand("phonebook", "The 80 speed-dial entries (alone: as list)");
        Json(phonebook);
        Group(phonebook, [this] { return PhonebookListCommand(context_, choices_.json); });
        CLI::App* listBook = phonebook->add_subcommand(
            "list", "Show the entries that are not blank as a table: Nro, Nimi, Puhelinnumero");
        Json(listBook);
        Run(listBook, [this] { return PhonebookListCommand(context_, choices_.json); });
        CLI::App* exportBook = phonebook->add_subcommand(
            "export", "Save the device's phonebook to FILE (.pbf, .csv or .vcf)");
        exportBook->add_option("FILE", choices_.path, "The file to write")->required();
        Run(exportBook, [this] { return PhonebookExportCommand(context_, choices_.path); });
        CLI::App* importBook = phonebook->add_subcommand(
            "import", "Put the entries of FILE (.pbf, .csv or .vcf) into the device's phonebook");
        importBook->add_option("FILE", choices_.path, "The file to read")->required();
        CLI::Option* replace = importBook->add_flag(
            "--replace", choices_.replace, "Clear every entry but the group-dial ones first");
        importBook->add_flag("--merge", choices_.merge, "Keep the other entries (the default)")
            ->excludes(replace);
        importBook->add_flag("--dry-run", choices_.dryRun,
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
        Run(
            importBook,
            [this] {
                return PhonebookImportCommand(
                    context_, choices_.path,
                    choices_.replace ? ImportMode::Replace : ImportMode::Merge, choices_.dryRun);
            },
            true);
    }

    void AddBackup(CLI::App& app) {
        CLI::App* backup = app.add_subcommand(
            "backup", "Save fax settings, advanced options and phonebook to FILE.json");
        backup->add_option("FILE", choices_.path, "The JSON file to write")->required();
        Run(backup, [this] { return BackupCommand(context_, choices_.path); });
        CLI::App* restore = app.add_subcommand(
            "restore", "Write back what differs between FILE.json and the device");
        restore->add_option("FILE", choices_.path, "A backup made by mf40ctl backup")->required();
        restore->add_flag("--dry-run", choices_.dryRun, "Show the differences and write nothing");
        Run(
            restore, [this] { return RestoreCommand(context_, choices_.path, choices_.dryRun); },
            true);
    }

    void AddFirmware(CLI::App& app) {
        CLI::App* firmware = app.add_subcommand("firmware", "Firmware images");
        Group(firmware, nullptr);
        CLI::App* check = firmware->add_subcommand(
            "check", "Check FILE as a firmware image and show the device's current versions");
        check->add_option("FILE", choices_.path, "The image")->required();
        Run(check, [this] { return FirmwareCheckCommand(context_, choices_.path); });
        CLI::App* update = firmware->add_subcommand(
            "update", "Download FILE into the device (about a minute; do not switch it off)");
        update->add_option("FILE", choices_.path, "The image")->required();
        update->add_flag("--yes", choices_.yes, "Do not ask for confirmation");
        Run(
            update, [this] { return FirmwareUpdateCommand(context_, choices_.path, choices_.yes); },
            true);
    }

private:
    void Run(CLI::App* sub, std::function<int()> action, bool changesDevice = false) {
        sub->callback([this, action, changesDevice] {
            chosen_.action = action;
            chosen_.changes = changesDevice;
        });
    }

    // A command with commands of its own that runs `action` when none of them is named. Its
    // commands' callbacks run before its own, so a named one has already chosen.
    void Group(CLI::App* sub, std::function<int()> action) {
        sub->require_subcommand(0, 1);
        if (action) {
            sub->callback([this, action] {
                if (!chosen_.action) chosen_.action = action;
            });
        }
    }

    void Json(CLI::App* sub) {
        sub->add_flag("--json", choices_.json, "Print JSON instead of lines");
    }

    Choices& choices_;
    CommandContext& context_;
    ChosenCommand& chosen_;
};

// Words the parse refused. Bad input: the exit code.
int RefuseArguments(const CLI::App& app, const CLI::ParseError& error, std::ostream& err) {
    // A word where a command was expected is an unknown command; a word after a command that
    // takes no more is only unexpected.
    const std::vector<std::string> extras = app.remaining(true);
    const CLI::App& last = DeepestCommand(app);
    if (dynamic_cast<const CLI::ExtrasError*>(&error) && !extras.empty() &&
        extras.front().rfind('-', 0) != 0 && HasCommands(last)) {
        std::string problem = "unknown command '" + EscapeForTerminal(extras.front()) + "'";
        if (last.get_parent()) problem += " for " + last.get_name();
        return RefuseCommandWord(err, last, problem);
    }
    // The message may quote the arguments, which are the user's and may hold anything.
    err << "mf40ctl: " << EscapeForTerminal(error.what())
        << "\nRun with --help for more information.\n";
    return kExitBadInput;
}

// The chosen command on the chosen route, once the host has had its say.
int RunChosen(const ChosenCommand& chosen, Choices& choices, CommandContext& context,
              const CtlHost& host) {
    context.link = kLinkChoices.at(choices.link);
    if (host.filePath && !choices.path.empty()) choices.path = host.filePath(choices.path);
    if (host.beforeCommand) {
        if (const int code = host.beforeCommand(chosen.changes && !choices.dryRun)) return code;
    }
    return chosen.action();
}

int RunCommandLine(const std::vector<std::string>& arguments, CommandContext& context,
                   const CtlHost& host) {
    Choices choices;
    CLI::App app("mf40ctl " + std::string(PD_VERSION_STRING) +
                     ": the command-line companion of PanelDesk for the Veltra Ostrex MF 40",
                 "mf40ctl");
    AddProgramOptions(app, choices, host);
    ChosenCommand chosen;
    CommandWords words(choices, context, chosen);
    words.AddDeviceRecords(app);
    words.AddPhonebook(app);
    words.AddBackup(app);
    words.AddFirmware(app);

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::Success& success) {
        return app.exit(success, context.out, context.err);
    } catch (const CLI::ParseError& error) {
        return RefuseArguments(app, error, context.err);
    }
    if (!chosen.action) {
        const CLI::App& last = DeepestCommand(app);
        return RefuseCommandWord(
            context.err, last,
            last.get_parent() ? last.get_name() + " needs a command" : "give a command");
    }
    return RunChosen(chosen, choices, context, host);
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
