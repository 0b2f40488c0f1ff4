// The phonebook file (.PBF): a fixed 40-byte header followed by the table image, every entry
// as its 68 bytes in table order. No checksum, no trailing data.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/Os.h"
#include "protocol/PhonebookTable.h"

namespace pd {

inline constexpr int kPhonebookFileHeaderSize = 40;
// The signature text; a file is a phonebook file when it starts with these characters
// followed by a zero byte.
inline constexpr char kPhonebookFileSignature[] = "QTR FAX-RCP Phonebook";
inline constexpr int kPhonebookFileSignatureLength = sizeof kPhonebookFileSignature - 1;

// The header every save writes. The two numbers at offsets 32 and 34 are part of the fixed
// format: they stay 20 and 80 whatever the table's size, and loading never reads them.
inline constexpr std::array<std::uint8_t, kPhonebookFileHeaderSize> kPhonebookFileHeader = {
    // 0: signature field, 24 bytes
    'Q', 'T', 'R', ' ', 'F', 'A', 'X', '-', 'R', 'C', 'P', ' ', 'P', 'h', 'o', 'n', 'e', 'b', 'o',
    'o', 'k', 0, 0, 0,
    // 24: version field, 8 bytes
    '1', '.', '0', '0', 0, 0, 0, 0,
    // 32, 34: two little-endian 16-bit numbers; 36: four zero bytes
    20, 0, 80, 0, 0, 0, 0, 0};

// The extension the save dialog adds by itself.
inline constexpr const char* kPhonebookDefaultExtension = "PBF";

// Writes the header and the whole table. The file named by `path` (UTF-8) is replaced only
// once everything has been written; on any failure it keeps its old contents and false is
// returned, with `*error` (when given) saying why.
bool SavePhonebookFile(Os& os, const std::string& path, const PhonebookTable& table,
                       FileError* error = nullptr);

// Replaces the table from the file named by `path` (UTF-8). False, with the table unchanged,
// when the file cannot be opened or read or does not start with the phonebook signature.
// A body shorter than the table replaces only the whole entries it holds.
bool LoadPhonebookFile(Os& os, const std::string& path, PhonebookTable& table);

// The same from a file's bytes already read.
bool ReadPhonebookImage(std::span<const std::uint8_t> bytes, PhonebookTable& table);

// The size of the file a save of `table` writes: the header and every entry. A file of
// another size is cut short or carries more; the panel loads what it holds all the same.
std::size_t PhonebookFileSize(const PhonebookTable& table);

// The path the dialogs hand to the file operations: when the file name part has no extension,
// ".PBF" is added. A dot in a folder name does not count.
std::string WithPhonebookExtension(const std::string& path);

}  // namespace pd
