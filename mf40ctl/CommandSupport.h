// Small pieces the commands share: the pages' exchange pattern, and the messages for the
// usual ways a command ends.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "mf40ctl/CommandContext.h"
#include "mf40ctl/DeviceFields.h"
#include "mf40ctl/DeviceSession.h"
#include "mf40ctl/Windows1252.h"
#include "protocol/Waits.h"

namespace pd::ctl {

// Runs one record operation and the pages' settle wait after it, whatever it returned.
template <typename Operation>
bool Exchange(DeviceSession& session, Operation&& operation) {
    const bool ok = operation();
    SettleWait(session.link().os(), kSettleMs);
    return ok;
}

// A message line on standard error; what it quotes from files, the device or the command
// line cannot reach the terminal as control characters.
inline void Say(std::ostream& err, const std::string& message) {
    err << "mf40ctl: " << TerminalText(message) << "\n";
}

inline int Fail(std::ostream& err, int code, const std::string& message) {
    Say(err, message);
    return code;
}

inline int NoAnswer(std::ostream& err, const char* what) {
    return Fail(err, kExitNoAnswer, std::string("the device did not answer the ") + what);
}

// A device text for people: trailing spaces dropped, Windows-1252 to UTF-8, fit for the
// terminal.
inline std::string ShownText(std::span<const char> field) {
    return TerminalText(Windows1252ToUtf8(StoredText(field)));
}

// The device's phonebook, with a word about the records the read passed over: those with an
// entry number outside the table, and entries given by more than one record (the last record
// sent is the one kept, as the panel keeps it).
bool ReadDevicePhonebook(DeviceSession& session, PhonebookTable& table, std::ostream& err);

}  // namespace pd::ctl
