// The companion's commands, each a function of the context it runs in. Each returns its exit
// code and leaves the device untouched whenever it refuses its input.
#pragma once

#include <string>
#include <vector>

#include "mf40ctl/CommandContext.h"
#include "phonebook/PhonebookImport.h"

namespace pd::ctl {

int InfoCommand(CommandContext& context, bool json);

int SettingsGetCommand(CommandContext& context, bool json);
int SettingsSetCommand(CommandContext& context, const std::vector<std::string>& assignments);
int OptionsGetCommand(CommandContext& context, bool json);
int OptionsSetCommand(CommandContext& context, const std::vector<std::string>& assignments);

int PhonebookListCommand(CommandContext& context, bool json);
int PhonebookExportCommand(CommandContext& context, const std::string& path);
int PhonebookImportCommand(CommandContext& context, const std::string& path, ImportMode mode,
                           bool dryRun);

int BackupCommand(CommandContext& context, const std::string& path);
int RestoreCommand(CommandContext& context, const std::string& path, bool dryRun);

int FirmwareCheckCommand(CommandContext& context, const std::string& path);
int FirmwareUpdateCommand(CommandContext& context, const std::string& path, bool assumeYes);

}  // namespace pd::ctl
