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

inline int Fail(std::ostream& err, int code, const std::string& message) {
    err << "mf40ctl: " << message << "\n";
    return code;
}

inline int NoAnswer(std::ostream& err, const char* what) {
    return Fail(err, kExitNoAnswer, std::string("the device did not answer the ") + what);
}

// A device text for people: trailing spaces dropped, Windows-1252 to UTF-8.
inline std::string ShownText(std::span<const char> field) {
    return Windows1252ToUtf8(StoredText(field));
}

}  // namespace pd::ctl
