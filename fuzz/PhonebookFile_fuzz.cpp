// The .PBF loader against any file. The input is the file itself.
//
// The same file is loaded three times: with whole reads, with reads that the system splits
// into small pieces, and with every read after the first failing. The outcome may not depend
// on how the reads are split, a read error must leave the table untouched, and whatever
// loads must save and load back to the same table, and import by the one rule of imports.
#include <algorithm>
#include <cstring>

#include "fuzz/FuzzOs.h"
#include "fuzz/ImportRules.h"
#include "fuzz/MarkedPhonebook.h"
#include "phonebook/PhonebookFile.h"

namespace pd::fuzz {
namespace {

constexpr const char* kBookPath = "C:\\books\\fuzz.PBF";
constexpr const char* kSavedPath = "C:\\books\\saved.PBF";

struct Load {
    bool loaded;
    PhonebookTable table;
};

Load LoadWith(std::span<const std::uint8_t> file, std::optional<std::uint32_t> chunk,
              std::optional<int> failFrom) {
    sim::VirtualDevice device;
    FuzzOs os(device);
    os.PutFile(kBookPath, Bytes(file.begin(), file.end()));
    os.fileReadChunk = chunk;
    os.failFileReadsFrom = failFrom;
    os.Allow(1000);  // no waits at all: only the call limit matters here
    Load load{false, MarkedPhonebook()};
    load.loaded = LoadPhonebookFile(os, kBookPath, load.table);
    return load;
}

// The rule, read from the file alone: the signature and its zero byte, then whole entries
// over the start of the table.
Bytes ExpectedTable(std::span<const std::uint8_t> file, const PhonebookTable& before) {
    Bytes table(before.Bytes().begin(), before.Bytes().end());
    const std::size_t body =
        file.size() > kPhonebookFileHeaderSize ? file.size() - kPhonebookFileHeaderSize : 0;
    const std::size_t whole = std::min(body - body % kEntrySize, table.size());
    std::copy_n(file.begin() + kPhonebookFileHeaderSize, whole, table.begin());
    return table;
}

bool HasSignature(std::span<const std::uint8_t> file) {
    return file.size() > kPhonebookFileSignatureLength &&
           std::memcmp(file.data(), kPhonebookFileSignature, kPhonebookFileSignatureLength) == 0 &&
           file[kPhonebookFileSignatureLength] == 0;
}

void CheckRoundTrip(const PhonebookTable& table) {
    sim::VirtualDevice device;
    FuzzOs os(device);
    PD_FUZZ_CHECK(SavePhonebookFile(os, kSavedPath, table), "a loaded table did not save");
    const auto saved = os.FileContents(kSavedPath);
    PD_FUZZ_CHECK(
        saved && saved->size() == kPhonebookFileHeaderSize + table.Bytes().size() &&
            std::equal(kPhonebookFileHeader.begin(), kPhonebookFileHeader.end(), saved->begin()) &&
            std::equal(table.Bytes().begin(), table.Bytes().end(),
                       saved->begin() + kPhonebookFileHeaderSize),
        "the saved file is not the fixed header and the table");
    PhonebookTable again(table.speedDialCount(), table.oneTouchCount());
    PD_FUZZ_CHECK(LoadPhonebookFile(os, kSavedPath, again) &&
                      std::ranges::equal(again.Bytes(), table.Bytes()),
                  "a saved table does not load back the same");
}

}  // namespace
}  // namespace pd::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pd;
    using namespace pd::fuzz;
    const std::span<const std::uint8_t> file(data, size);
    const PhonebookTable before = MarkedPhonebook();

    const Load whole = LoadWith(file, std::nullopt, std::nullopt);
    PD_FUZZ_CHECK(whole.loaded == HasSignature(file),
                  "a file loads exactly when it starts with the signature and its zero byte");
    const Bytes expected = whole.loaded ? ExpectedTable(file, before)
                                        : Bytes(before.Bytes().begin(), before.Bytes().end());
    PD_FUZZ_CHECK(std::ranges::equal(whole.table.Bytes(), expected),
                  whole.loaded
                      ? "the table is not its old self with the file's whole entries over it"
                      : "a refused file changed the table");

    // Pieces of 7 to 67 bytes: never a whole entry, and few enough reads to stay fast.
    const auto chunk = static_cast<std::uint32_t>(7 + size % 61);
    const Load pieces = LoadWith(file, chunk, std::nullopt);
    PD_FUZZ_CHECK(pieces.loaded == whole.loaded &&
                      std::ranges::equal(pieces.table.Bytes(), whole.table.Bytes()),
                  "the load depends on how the system splits the reads");

    const Load failing = LoadWith(file, std::nullopt, 2);
    PD_FUZZ_CHECK(!failing.loaded && std::ranges::equal(failing.table.Bytes(), before.Bytes()),
                  "a read error must fail the load and leave the table untouched");

    if (whole.loaded) {
        CheckRoundTrip(whole.table);
        for (const ImportMode mode : {ImportMode::Merge, ImportMode::Replace}) {
            CheckPlan(before, PlanTableImport(before, whole.table, mode));
        }
    }
    return 0;
}
