#include "phonebook/PhonebookVcard.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "protocol/Windows1252.h"

namespace pd {

namespace {

constexpr const char* kLineEnd = "\r\n";
// Our own property: the entry number, so that a card goes back where it came from.
constexpr const char* kEntryNumberProperty = "X-PANELDESK-NRO";

struct ContentLine {
    int line = 0;
    std::string text;
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool IsQuotedPrintable(const std::string& line) {
    return Lower(line.substr(0, line.find(':'))).find("quoted-printable") != std::string::npos;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// Physical lines joined where a line that starts with a space or tab continues the one
// before it, and where a quoted-printable value ends in "=", its soft line break.
std::vector<ContentLine> Unfold(std::string_view text) {
    std::vector<ContentLine> lines;
    int number = 0;
    std::size_t at = 0;
    bool softBreak = false;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++number;
        at = end + 1;
        if (softBreak) {
            lines.back().text += line;
        } else if (!line.empty() && (line.front() == ' ' || line.front() == '\t') &&
                   !lines.empty()) {
            lines.back().text += line.substr(1);
        } else {
            lines.push_back({number, std::string(line)});
        }
        std::string& joined = lines.back().text;
        softBreak = !joined.empty() && joined.back() == '=' && IsQuotedPrintable(joined);
        if (softBreak) joined.pop_back();
    }
    return lines;
}

struct Property {
    std::string name;                // lower case, without a group prefix
    std::vector<std::string> types;  // lower case TYPE values (and 2.1-style bare ones)
    std::string encoding;            // lower case ENCODING value, if any
    std::string charset;             // lower case CHARSET value, if any
    std::string value;
};

// NAME;PARAM=...;PARAM=...:VALUE, colons inside quoted parameter values included.
std::optional<Property> ParseProperty(const std::string& text) {
    bool inQuotes = false;
    std::size_t colon = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') inQuotes = !inQuotes;
        if (text[i] == ':' && !inQuotes) {
            colon = i;
            break;
        }
    }
    if (colon == std::string::npos) return std::nullopt;
    Property property;
    property.value = text.substr(colon + 1);
    std::vector<std::string> parts;
    std::string part;
    inQuotes = false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';' && !inQuotes) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    std::string name = Lower(parts[0]);
    const auto dot = name.rfind('.');
    property.name = dot == std::string::npos ? name : name.substr(dot + 1);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string parameter = Lower(parts[i]);
        const auto equals = parameter.find('=');
        std::string values;
        const std::string key = parameter.substr(0, equals);
        if (equals == std::string::npos) {
            values = parameter;  // vCard 2.1 style: TEL;FAX:...
            if (values == "quoted-printable" || values == "base64") {
                property.encoding = values;
                continue;
            }
        } else if (key == "type") {
            values = parameter.substr(equals + 1);
        } else if (key == "encoding") {
            property.encoding = parameter.substr(equals + 1);
            continue;
        } else if (key == "charset") {
            property.charset = parameter.substr(equals + 1);
            continue;
        } else {
            continue;
        }
        std::size_t start = 0;
        while (start <= values.size()) {
            const auto comma = values.find(',', start);
            const auto end = comma == std::string::npos ? values.size() : comma;
            property.types.push_back(values.substr(start, end - start));
            start = end + 1;
        }
    }
    return property;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> FromQuotedPrintable(std::string_view value) {
    std::string bytes;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '=') {
            bytes += value[i];
            continue;
        }
        if (i + 2 >= value.size()) return std::nullopt;
        const int high = HexDigit(value[i + 1]);
        const int low = HexDigit(value[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

std::optional<std::string> FromBase64(std::string_view value) {
    constexpr std::string_view kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    std::size_t padding = 0;
    for (const char c : value) {
        if (c == ' ' || c == '\t') continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const auto digit = kDigits.find(c);
        if (digit == std::string_view::npos || padding > 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(digit);
        if (++count == 4) {
            bytes += static_cast<char>(bits >> 16);
            bytes += static_cast<char>(bits >> 8);
            bytes += static_cast<char>(bits);
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2) return std::nullopt;
    if (count == 2) bytes += static_cast<char>(bits >> 4);
    if (count == 3) {
        bytes += static_cast<char>(bits >> 10);
        bytes += static_cast<char>(bits >> 2);
    }
    return bytes;
}

// A value as the text it stands for, in UTF-8: its ENCODING undone and its CHARSET read;
// nothing, with the card's `problem` (the property's name in it), for an encoding or
// character set this reader does not know, which would otherwise come in as its code.
std::optional<std::string> DecodedValue(const Property& property, TextEncoding fileEncoding,
                                        RowProblem* problem) {
    problem->text = Upper(property.name);
    std::optional<std::string> bytes = property.value;
    if (property.encoding == "quoted-printable") {
        bytes = FromQuotedPrintable(property.value);
    } else if (property.encoding == "b" || property.encoding == "base64") {
        bytes = FromBase64(property.value);
    } else if (!property.encoding.empty() && property.encoding != "8bit") {
        problem->fault = RowFault::VcardUnknownEncoding;
        problem->text2 = property.encoding;
        return std::nullopt;
    }
    if (!bytes) {
        problem->fault = RowFault::VcardBadValue;
        problem->text2 = property.encoding;
        return std::nullopt;
    }
    const std::string& charset = property.charset;
    if (charset.empty()) {
        const TextEncoding encoding =
            property.encoding.empty() ? fileEncoding : DetectTextEncoding(*bytes);
        return encoding == TextEncoding::Windows1252 ? Windows1252ToUtf8(*bytes) : *bytes;
    }
    if (charset == "utf-8" || charset == "us-ascii") return bytes;
    if (charset == "windows-1252" || charset == "cp1252") return Windows1252ToUtf8(*bytes);
    if (charset == "iso-8859-1" || charset == "latin1") {
        std::string text;
        for (const char c : *bytes) AppendUtf8(static_cast<unsigned char>(c), text);
        return text;
    }
    problem->fault = RowFault::VcardUnknownCharset;
    problem->text2 = charset;
    return std::nullopt;
}

std::string UnescapeText(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            text += next == 'n' || next == 'N' ? '\n' : next;
        } else {
            text += value[i];
        }
    }
    return text;
}

std::string TelephoneNumber(const std::string& value) {
    std::string number = UnescapeText(value);
    if (Lower(number.substr(0, 4)) == "tel:") {
        number.erase(0, 4);
        number = number.substr(0, number.find(';'));  // URI parameters such as ;ext=
    }
    return number;
}

std::string EscapeText(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == ',' || c == ';') escaped += '\\';
        if (c == '\n') {
            escaped += "\\n";
            continue;
        }
        escaped += c;
    }
    return escaped;
}

struct Card {
    int line = 0;
    std::optional<RowProblem> problem;  // the first reason the card cannot be taken
    std::optional<std::string> entryNumber;
    std::optional<std::string> version;
    std::optional<std::string> name;
    std::optional<std::string> fax;
    std::optional<std::string> telephone;
};

void FinishCard(const Card& card, PhonebookRows& result) {
    if (card.problem) {
        result.problems.push_back(*card.problem);
        return;
    }
    if (!card.version) {
        result.problems.push_back({card.line, RowFault::VcardNoVersion});
        return;
    }
    // 2.1 is what the mail programs of Windows 95 to XP write.
    if (*card.version != "2.1" && *card.version != "3.0" && *card.version != "4.0") {
        result.problems.push_back({card.line, RowFault::VcardVersion, *card.version});
        return;
    }
    const std::optional<std::string>& number = card.fax ? card.fax : card.telephone;
    if (!number) {
        result.problems.push_back({card.line, RowFault::VcardNoNumber});
        return;
    }
    std::optional<int> slot;
    if (card.entryNumber) {
        slot = EntryNumber(*card.entryNumber);
        if (!slot) {
            result.problems.push_back(
                {card.line, RowFault::VcardNotEntryNumber, *card.entryNumber});
            return;
        }
    }
    result.rows.push_back({card.line, slot, card.name.value_or(""), *number});
}

}  // namespace

PhonebookRows ReadPhonebookVcard(std::string_view text, TextEncoding encoding) {
    PhonebookRows result;
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    std::optional<Card> card;
    for (const ContentLine& line : Unfold(text)) {
        if (line.text.find_first_not_of(" \t") == std::string::npos) continue;
        const std::optional<Property> property = ParseProperty(line.text);
        const std::string name = property ? property->name : "";
        const std::string value = property ? Lower(property->value) : "";
        if (property && name == "begin" && value == "vcard") {
            if (card) {
                result.problems.push_back({card->line, RowFault::VcardNotClosed});
            }
            card = Card{line.line, {}, {}, {}, {}, {}, {}};
            continue;
        }
        if (!card) {
            result.problems.push_back({line.line, RowFault::VcardTextOutside});
            continue;
        }
        if (!property) {
            result.problems.push_back({line.line, RowFault::VcardNotALine});
            continue;
        }
        if (name == "end" && value == "vcard") {
            FinishCard(*card, result);
            card.reset();
            continue;
        }
        const bool taken = name == Lower(kEntryNumberProperty) || name == "version" ||
                           name == "fn" || name == "tel";
        if (!taken) continue;
        RowProblem problem(card->line, RowFault::VcardBadValue);
        const std::optional<std::string> decoded = DecodedValue(*property, encoding, &problem);
        if (!decoded) {
            if (!card->problem) card->problem = problem;
            continue;
        }
        if (name == Lower(kEntryNumberProperty)) {
            // Two would leave the entry to whichever came last.
            if (card->entryNumber && !card->problem) {
                card->problem = RowProblem(card->line, RowFault::VcardEntryNumberTwice,
                                           *card->entryNumber, *decoded);
            }
            card->entryNumber = *decoded;
        } else if (name == "version") {
            card->version = *decoded;
        } else if (name == "fn" && !card->name) {
            card->name = UnescapeText(*decoded);
        } else if (name == "tel") {
            const bool isFax = std::find(property->types.begin(), property->types.end(), "fax") !=
                               property->types.end();
            if (isFax && !card->fax) card->fax = TelephoneNumber(*decoded);
            if (!card->telephone) card->telephone = TelephoneNumber(*decoded);
        }
    }
    if (card) result.problems.push_back({card->line, RowFault::VcardNotClosed});
    if (result.rows.empty() && result.problems.empty()) {
        result.problems.push_back({0, RowFault::VcardNone});
    }
    return result;
}

std::string WritePhonebookVcard(std::span<const ExportEntry> entries) {
    std::string text;
    for (const ExportEntry& entry : entries) {
        if (entry.number == kGroupDialText) continue;
        text += std::string("BEGIN:VCARD") + kLineEnd + "VERSION:3.0" + kLineEnd;
        text += "FN:" + EscapeText(entry.name) + kLineEnd;
        text += "N:" + EscapeText(entry.name) + ";;;;" + kLineEnd;
        text += "TEL;TYPE=FAX:" + EscapeText(entry.number) + kLineEnd;
        text += std::string(kEntryNumberProperty) + ":" + std::to_string(entry.slot) + kLineEnd;
        text += std::string("END:VCARD") + kLineEnd;
    }
    return text;
}

}  // namespace pd
