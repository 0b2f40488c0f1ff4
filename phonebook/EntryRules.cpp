#include "phonebook/EntryRules.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "protocol/FieldRules.h"
#include "protocol/PhonebookTransfer.h"
#include "protocol/Windows1252.h"

namespace pd {

namespace {

bool IsLayout(char c) { return std::strchr(" -.()", c) != nullptr; }

std::string WithoutTrailingSpaces(std::string_view bytes) {
    const auto end = bytes.find_last_not_of(' ');
    return std::string(bytes.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

// One character for a message: as it reads, or as \xNN when it is a control character, which
// would otherwise act instead of showing.
std::string Shown(char byte) {
    const auto code = static_cast<unsigned char>(byte);
    if (IsPrintableWindows1252(code)) return Windows1252ToUtf8(std::string_view(&byte, 1));
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
    return escaped;
}

bool Fail(RowProblem* problem, RowFault fault, std::string text = {}, long long value = 0,
          long long value2 = 0) {
    problem->fault = fault;
    problem->text = std::move(text);
    problem->value = value;
    problem->value2 = value2;
    return false;
}

bool FitsWidth(const std::string& text, const TextRule& rule, RowFault fault, RowProblem* problem) {
    if (text.size() <= static_cast<std::size_t>(rule.width)) return true;
    return Fail(problem, fault, {}, static_cast<long long>(text.size()), rule.width);
}

}  // namespace

std::optional<EntryTexts> ApplyEntryRules(std::string_view name, std::string_view number,
                                          RowProblem* problem) {
    if (name.find(static_cast<char>(kRecordFill)) != std::string_view::npos) {
        Fail(problem, RowFault::NameFillByte);
        return std::nullopt;
    }
    std::string kept = WithoutTrailingSpaces(name);
    for (const char c : kept) {
        if (!IsPrintableWindows1252(static_cast<unsigned char>(c))) {
            Fail(problem, RowFault::NameControlCharacter, Shown(c));
            return std::nullopt;
        }
    }
    if (!FitsWidth(kept, kEntryNameRule, RowFault::NameTooLong, problem)) return std::nullopt;

    std::string dialled(number);
    dialled.erase(std::remove_if(dialled.begin(), dialled.end(), IsLayout), dialled.end());
    if (!dialled.empty() && dialled.front() == '+') {
        Fail(problem, RowFault::NumberPlus);
        return std::nullopt;
    }
    std::replace(dialled.begin(), dialled.end(), 'p', 'P');
    for (const char c : dialled) {
        if (!InCharacterSet(kEntryNumberRule.characters, static_cast<unsigned char>(c))) {
            Fail(problem, RowFault::NumberCharacter, Shown(c));
            problem->text2 = CharacterSetText(kEntryNumberRule.characters);
            return std::nullopt;
        }
    }
    if (!FitsWidth(dialled, kEntryNumberRule, RowFault::NumberTooLong, problem)) {
        return std::nullopt;
    }
    if (!IsDialableNumber(dialled)) {
        Fail(problem, RowFault::NumberNotDialable, dialled);
        return std::nullopt;
    }
    return EntryTexts{std::move(kept), std::move(dialled)};
}

}  // namespace pd
