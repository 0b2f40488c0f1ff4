#include "phonebook/PhonebookFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/FileReplace.h"
#include "platform/ScopedFile.h"
#include "platform/WindowsPaths.h"

namespace pd {

namespace {

// Beside the target, so that replacing it is a rename on the same volume.

// Reads until `count` bytes arrived or the file ends; false on a read error.
bool ReadUpTo(Os& os, FileHandle file, std::uint8_t* buffer, std::size_t count,
              std::size_t* received) {
    *received = 0;
    while (*received < count) {
        std::uint32_t done = 0;
        const bool ok = os.ReadFile(file, buffer + *received,
                                    static_cast<std::uint32_t>(count - *received), &done);
        if (!ok) return false;
        if (done == 0) break;
        *received += std::min<std::size_t>(done, count - *received);
    }
    return true;
}

bool HasSignature(const std::uint8_t* header, std::size_t received) {
    // The signature must be followed by its zero byte, which therefore has to be in the file.
    if (received < kPhonebookFileSignatureLength + 1u) return false;
    return std::memcmp(header, kPhonebookFileSignature, kPhonebookFileSignatureLength) == 0 &&
           header[kPhonebookFileSignatureLength] == 0;
}

}  // namespace

bool SavePhonebookFile(Os& os, const std::string& path, const PhonebookTable& table,
                       FileError* error) {
    // A half-written phonebook would be worse than the old one.
    return ReplaceFileContents(os, path, {kPhonebookFileHeader, table.Bytes()}, error);
}

bool LoadPhonebookFile(Os& os, const std::string& path, PhonebookTable& table) {
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    if (!file) return false;

    std::array<std::uint8_t, kPhonebookFileHeaderSize> header{};
    std::size_t received = 0;
    if (!ReadUpTo(os, file.get(), header.data(), header.size(), &received)) return false;
    if (!HasSignature(header.data(), received)) return false;

    std::vector<std::uint8_t> body(table.Bytes().size());
    if (!ReadUpTo(os, file.get(), body.data(), body.size(), &received)) return false;

    // A body cut off inside an entry must not leave that entry half old, half new.
    const std::size_t whole = received - received % kEntrySize;
    std::copy_n(body.begin(), whole, table.Bytes().begin());
    return true;
}

bool ReadPhonebookImage(std::span<const std::uint8_t> bytes, PhonebookTable& table) {
    if (!HasSignature(bytes.data(),
                      std::min<std::size_t>(bytes.size(), kPhonebookFileHeaderSize))) {
        return false;
    }
    const auto body = bytes.subspan(std::min<std::size_t>(bytes.size(), kPhonebookFileHeaderSize));
    const std::size_t received = std::min(body.size(), table.Bytes().size());
    std::copy_n(body.begin(), received - received % kEntrySize, table.Bytes().begin());
    return true;
}

std::size_t PhonebookFileSize(const PhonebookTable& table) {
    return kPhonebookFileHeaderSize + table.Bytes().size();
}

std::string WithPhonebookExtension(const std::string& path) {
    return WithDefaultExtension(path, ".PBF");
}

}  // namespace pd
