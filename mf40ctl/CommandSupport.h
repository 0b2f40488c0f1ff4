// Small pieces the commands share: the pages' exchange pattern, and the messages for the
// usual ways a command ends.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <utility>

#include "mf40ctl/CommandContext.h"
#include "mf40ctl/DeviceFields.h"
#include "mf40ctl/DeviceSession.h"
#include "mf40ctl/TerminalText.h"
#include "protocol/Waits.h"

namespace pd::ctl {

// Runs one record operation with the pages' settle wait after it.
template <typename Operation>
bool Exchange(DeviceSession& session, Operation&& operation) {
    return ExchangeThenSettle(session.link().os(), std::forward<Operation>(operation));
}

// A message line on standard error; what it quotes from files, the device or the command
// line cannot reach the terminal as control characters.
inline void Say(std::ostream& err, const std::string& message) {
    err << "mf40ctl: " << EscapeForTerminal(message) << "\n";
}

inline int Fail(std::ostream& err, int code, const std::string& message) {
    Say(err, message);
    return code;
}

inline int NoAnswer(std::ostream& err, const char* what) {
    return Fail(err, kExitNoAnswer, std::string("the device did not answer the ") + what);
}

// A device text as data (JSON): trailing spaces dropped, Windows-1252 to UTF-8.
inline std::string FieldText(std::span<const char> field) {
    return Windows1252ToUtf8(StoredText(field));
}

// The same text for a line on the terminal.
inline std::string ShownText(std::span<const char> field) {
    return Windows1252ForTerminal(StoredText(field));
}

// JSON for standard output. The dump escapes the C0 controls itself; DEL and the C1 controls
// (a device byte 81, 8D, 8F, 90 or 9D becomes one) are valid raw in JSON but not on a
// terminal, so they are written as \u escapes too, which any reader takes back.
inline std::string JsonForTerminal(const nlohmann::ordered_json& json) {
    const std::string dumped = json.dump(2);
    std::string out;
    out.reserve(dumped.size() + 1);
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        const auto byte = static_cast<unsigned char>(dumped[i]);
        const auto next = i + 1 < dumped.size() ? static_cast<unsigned char>(dumped[i + 1]) : 0;
        if (byte == 0x7F) {
            out += "\\u007f";
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // C2 only ever leads a two-byte character: U+0080..U+00BF.
            constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[next >> 4];
            out += kHex[next & 0xF];
            ++i;
        } else {
            out += dumped[i];
        }
    }
    return out + "\n";
}

// The device's phonebook, with a word about the records the read passed over: those with an
// entry number outside the table, and entries given by more than one record (the last record
// sent is the one kept, as the panel keeps it).
bool ReadDevicePhonebook(DeviceSession& session, PhonebookTable& table, std::ostream& err);

}  // namespace pd::ctl
