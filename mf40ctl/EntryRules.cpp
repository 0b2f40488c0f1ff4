#include "mf40ctl/EntryRules.h"

#include <algorithm>
#include <cstring>

#include "mf40ctl/DeviceFields.h"
#include "phonebook/PhonebookTable.h"

namespace pd::ctl {

namespace {

// The editor's two edits have the same sets and limits as these Advanced-page edits.
const FieldSpec kNameSpec{"name", FieldKind::Text, {}, 0, 0, kNameWidth,
                          CharacterSet::NameCharacters};
const FieldSpec kNumberSpec{"number", FieldKind::Text, {}, 0, 0, kNumberWidth,
                            CharacterSet::DialCharacters};

bool IsLayout(char c) { return std::strchr(" -.()", c) != nullptr; }

}  // namespace

std::optional<EntryTexts> ApplyEntryRules(std::string_view nameUtf8, std::string_view numberUtf8,
                                          std::string* reason) {
    std::string problem;
    std::optional<std::string> name = ParseEditText(kNameSpec, nameUtf8, &problem);
    if (!name) {
        *reason = "name " + problem;
        return std::nullopt;
    }
    std::string written(numberUtf8);
    written.erase(std::remove_if(written.begin(), written.end(), IsLayout), written.end());
    if (!written.empty() && written.front() == '+') {
        *reason = "number: '+' cannot be dialled; write the international prefix (for "
                  "example 00) instead";
        return std::nullopt;
    }
    std::optional<std::string> number = ParseEditText(kNumberSpec, written, &problem);
    if (!number) {
        *reason = "number " + problem;
        return std::nullopt;
    }
    const bool hasDigit = std::any_of(number->begin(), number->end(),
                                      [](char c) { return c >= '0' && c <= '9'; });
    if (number->size() <= 2 || !hasDigit) {
        *reason = "number '" + std::string(numberUtf8) +
                  "' must have more than 2 characters and at least one digit";
        return std::nullopt;
    }
    return EntryTexts{std::move(*name), std::move(*number)};
}

}  // namespace pd::ctl
