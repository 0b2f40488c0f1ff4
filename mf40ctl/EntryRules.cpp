#include "mf40ctl/EntryRules.h"

#include <algorithm>
#include <cstring>

#include "mf40ctl/DeviceFields.h"
#include "protocol/PhonebookTable.h"
#include "protocol/FieldRules.h"
#include "protocol/PhonebookTransfer.h"

namespace pd::ctl {

namespace {

const FieldSpec kNameSpec{"name", FieldKind::Text, {}, 0, 0, kNameWidth, CharacterSet::Name};
const FieldSpec kNumberSpec{"number", FieldKind::Text, {}, 0, 0, kNumberWidth,
                            CharacterSet::Dial};

bool IsLayout(char c) { return std::strchr(" -.()", c) != nullptr; }

}  // namespace

std::optional<EntryTexts> ApplyEntryRules(std::string_view name, std::string_view number,
                                          std::string* reason) {
    std::string problem;
    if (name.find(static_cast<char>(kRecordFill)) != std::string_view::npos) {
        *reason = "name: 'ÿ' cannot be kept: the device fills the unused places of an entry "
                  "with its byte";
        return std::nullopt;
    }
    std::optional<std::string> kept = CheckDeviceText(kNameSpec, name, &problem);
    if (!kept) {
        *reason = "name " + problem;
        return std::nullopt;
    }
    std::string written(number);
    written.erase(std::remove_if(written.begin(), written.end(), IsLayout), written.end());
    if (!written.empty() && written.front() == '+') {
        *reason = "number: '+' cannot be dialled; write the international prefix (for "
                  "example 00) instead";
        return std::nullopt;
    }
    std::replace(written.begin(), written.end(), 'p', 'P');
    std::optional<std::string> dialled = CheckDeviceText(kNumberSpec, written, &problem);
    if (!dialled) {
        *reason = "number " + problem;
        return std::nullopt;
    }
    if (!IsDialableNumber(*dialled)) {
        *reason = "number '" + *dialled + "' must have more than 2 characters and at least one "
                  "digit";
        return std::nullopt;
    }
    return EntryTexts{std::move(*kept), std::move(*dialled)};
}

}  // namespace pd::ctl
