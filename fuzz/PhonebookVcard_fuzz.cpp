// The address-card reader against any bytes, in whatever encoding it finds them, and the
// import it plans from what it read.
#include "fuzz/ImportRules.h"
#include "phonebook/PhonebookText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = pd::fuzz::InputText(data, size);
    const pd::PhonebookRows rows = pd::ReadPhonebookText(pd::PhonebookTextFormat::Vcard, text);
    for (const auto& row : rows.rows) {
        PD_FUZZ_CHECK(!row.slot || (*row.slot >= 0 && *row.slot <= 9999),
                      "an address card named an entry number no file can write");
    }
    pd::fuzz::CheckImport(rows, pd::fuzz::CountLines(text));
    return 0;
}
