#include "sim/DeviceStateFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <set>
#include <tuple>
#include <type_traits>

#include "platform/FileReplace.h"
#include "protocol/ByteOrder.h"

namespace pd::sim {

namespace {

using Tag = std::array<char, 4>;

template <typename Member>
struct Field {
    Tag tag;
    Member DeviceState::*member;
    std::size_t exactSize;  // 0: any length up to kMaxFieldSize
};

template <typename Member>
constexpr Field<Member> MakeField(const char (&tag)[5], Member DeviceState::*member,
                                  std::size_t exactSize = 0) {
    return {{tag[0], tag[1], tag[2], tag[3]}, member, exactSize};
}

// Every field the device remembers. A field added to DeviceState gets one line here, under a
// tag that no field has used before (byte arrays and vectors, integers, enums and flags).
const auto kFields = std::make_tuple(
    MakeField("SYSD", &DeviceState::systemData), MakeField("FAXS", &DeviceState::faxSettings),
    MakeField("PHBK", &DeviceState::phonebook,
              static_cast<std::size_t>(kPhonebookEntries) * kPhonebookRecordSize),
    MakeField("FWIM", &DeviceState::firmwareImage));

template <typename Visit>
void ForEachField(Visit&& visit) {
    std::apply([&](const auto&... field) { (visit(field), ...); }, kFields);
}

constexpr std::array<char, 8> kMagic = {'M', 'F', '4', '0', 'S', 'T', 'A', 'T'};
constexpr std::size_t kHeaderSize = 8 + 2 + 4 + 4;  // magic, version, body length, body CRC
constexpr std::size_t kFieldHeaderSize = 4 + 4;     // tag, length
constexpr std::size_t kScalarSize = 8;
// The largest field is the firmware image, which the device keeps only up to its capacity; a
// length beyond it can only come from a damaged file, and a state with one is never written.
constexpr std::size_t kMaxFieldSize = kFirmwareCapacity;
constexpr std::uint64_t kMaxFileSize = std::uint64_t{256} << 20;

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        table[i] = value;
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) crc = kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// --- Field values -------------------------------------------------------------------------

template <std::size_t N>
void AppendValue(const std::array<std::uint8_t, N>& value, Bytes& out) {
    out.insert(out.end(), value.begin(), value.end());
}

void AppendValue(const Bytes& value, Bytes& out) {
    out.insert(out.end(), value.begin(), value.end());
}

template <typename T>
requires std::is_integral_v<T> || std::is_enum_v<T>
void AppendValue(T value, Bytes& out) {
    std::uint64_t wide;
    if constexpr (std::is_enum_v<T>) {
        wide = static_cast<std::uint64_t>(static_cast<std::underlying_type_t<T>>(value));
    } else {
        wide = static_cast<std::uint64_t>(value);
    }
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(wide >> shift));
}

bool SizeFits(std::size_t size, std::size_t exactSize) {
    return exactSize != 0 ? size == exactSize : size <= kMaxFieldSize;
}

template <std::size_t N>
bool TakeValue(std::span<const std::uint8_t> bytes, std::size_t,
               std::array<std::uint8_t, N>& value) {
    if (bytes.size() != N) return false;
    std::copy(bytes.begin(), bytes.end(), value.begin());
    return true;
}

bool TakeValue(std::span<const std::uint8_t> bytes, std::size_t exactSize, Bytes& value) {
    if (!SizeFits(bytes.size(), exactSize)) return false;
    value.assign(bytes.begin(), bytes.end());
    return true;
}

template <typename T>
requires std::is_integral_v<T> || std::is_enum_v<T>
bool TakeValue(std::span<const std::uint8_t> bytes, std::size_t, T& value) {
    if (bytes.size() != kScalarSize) return false;
    std::uint64_t wide = 0;
    for (const std::uint8_t byte : bytes) wide = (wide << 8) | byte;
    T narrowed;
    if constexpr (std::is_same_v<T, bool>) {
        if (wide > 1) return false;
        narrowed = wide != 0;
    } else if constexpr (std::is_enum_v<T>) {
        narrowed = static_cast<T>(static_cast<std::underlying_type_t<T>>(wide));
    } else {
        narrowed = static_cast<T>(wide);
    }
    // A value that does not survive the way back was written by something else.
    Bytes check;
    AppendValue(narrowed, check);
    if (!std::equal(check.begin(), check.end(), bytes.begin())) return false;
    value = narrowed;
    return true;
}

void AppendBe32(Bytes& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    WriteBe32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

std::vector<std::uint8_t> EncodeDeviceState(const DeviceState& state) {
    Bytes body;
    ForEachField([&](const auto& field) {
        Bytes value;
        AppendValue(state.*field.member, value);
        body.insert(body.end(), field.tag.begin(), field.tag.end());
        AppendBe32(body, static_cast<std::uint32_t>(value.size()));
        body.insert(body.end(), value.begin(), value.end());
    });
    body.insert(body.end(), state.unknownFields.begin(), state.unknownFields.end());

    Bytes file(kMagic.begin(), kMagic.end());
    file.push_back(static_cast<std::uint8_t>(kDeviceStateFileVersion >> 8));
    file.push_back(static_cast<std::uint8_t>(kDeviceStateFileVersion));
    AppendBe32(file, static_cast<std::uint32_t>(body.size()));
    AppendBe32(file, Crc32(body));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::optional<DeviceState> DecodeDeviceState(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return std::nullopt;
    if (ReadBe16(bytes.data() + 8) != kDeviceStateFileVersion) return std::nullopt;
    const std::span<const std::uint8_t> body = bytes.subspan(kHeaderSize);
    if (ReadBe32(bytes.data() + 10) != body.size()) return std::nullopt;
    if (ReadBe32(bytes.data() + 14) != Crc32(body)) return std::nullopt;

    DeviceState state = FactoryDeviceState();
    std::set<Tag> seen;
    std::size_t position = 0;
    while (position < body.size()) {
        if (body.size() - position < kFieldHeaderSize) return std::nullopt;
        const std::size_t start = position;
        Tag tag;
        std::memcpy(tag.data(), body.data() + position, tag.size());
        const std::size_t length = ReadBe32(body.data() + position + 4);
        position += kFieldHeaderSize;
        if (length > body.size() - position) return std::nullopt;
        const auto value = body.subspan(position, length);
        position += length;

        bool known = false;
        bool sound = true;
        ForEachField([&](const auto& field) {
            if (field.tag != tag) return;
            known = true;
            sound = TakeValue(value, field.exactSize, state.*field.member);
        });
        if (!sound) return std::nullopt;
        if (known && !seen.insert(tag).second) return std::nullopt;
        if (!known) {
            state.unknownFields.insert(state.unknownFields.end(), body.begin() + start,
                                       body.begin() + position);
        }
    }
    return state;
}

bool SameDeviceState(const DeviceState& a, const DeviceState& b) {
    bool same = true;
    ForEachField([&](const auto& field) { same = same && a.*field.member == b.*field.member; });
    return same && a.unknownFields == b.unknownFields;
}

LoadedDeviceState LoadDeviceState(Os& os, const std::string& path) {
    const auto unreadable = [&](FileError error) {
        if (error == FileError::None) error = FileError::Other;
        return LoadedDeviceState{FactoryDeviceState(), StateFileOutcome::Unreadable, error};
    };
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    if (!file) {
        const FileError error = os.LastFileError();
        if (error == FileError::NotFound) return {FactoryDeviceState(), StateFileOutcome::Missing};
        return unreadable(error);
    }

    std::uint64_t size = 0;
    if (!os.GetFileSize(file.get(), &size)) return unreadable(os.LastFileError());
    if (size > kMaxFileSize) return unreadable(FileError::TooLarge);
    Bytes bytes(static_cast<std::size_t>(size));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        std::uint32_t done = 0;
        if (!os.ReadFile(file.get(), bytes.data() + filled,
                         static_cast<std::uint32_t>(bytes.size() - filled), &done)) {
            return unreadable(os.LastFileError());
        }
        if (done == 0) break;  // shorter than its size said: judged as damaged below
        filled += done;
    }
    bytes.resize(filled);

    std::optional<DeviceState> state = DecodeDeviceState(bytes);
    if (!state) return {FactoryDeviceState(), StateFileOutcome::Damaged};
    return {std::move(*state), StateFileOutcome::Loaded};
}

std::string StateFileProblem(const LoadedDeviceState& loaded, const std::string& path) {
    switch (loaded.outcome) {
        case StateFileOutcome::Loaded:
        case StateFileOutcome::Missing:
            break;
        case StateFileOutcome::Unreadable:
            return "the virtual device's state file '" + path +
                   "' cannot be read: " + DescribeFileError(loaded.error);
        case StateFileOutcome::Damaged:
            return "the virtual device's state file '" + path +
                   "' is damaged or is not a state file; move it away to start from the "
                   "factory state";
    }
    return {};
}

bool SaveDeviceState(Os& os, const std::string& path, const DeviceState& state, FileError* error) {
    bool fits = true;
    ForEachField([&](const auto& field) {
        if constexpr (std::is_same_v<std::decay_t<decltype(state.*field.member)>, Bytes>) {
            fits = fits && SizeFits((state.*field.member).size(), field.exactSize);
        }
    });
    if (!fits) {
        if (error) *error = FileError::TooLarge;
        return false;
    }
    return ReplaceFileContents(os, path, {EncodeDeviceState(state)}, error);
}

ScopedFile LockStateFile(Os& os, const std::string& path, bool wait, FileError* error) {
    ScopedFile lock(os, os.OpenFile(path + ".lock", access::kRead, share::kRead | share::kWrite,
                                    disposition::kOpenAlways, attributes::kNormal));
    if (lock && os.LockFile(lock.get(), wait)) return lock;
    *error = os.LastFileError();
    lock.Close();
    return lock;
}

}  // namespace pd::sim
