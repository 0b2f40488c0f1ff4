// The spreadsheet reader against any bytes, in whatever encoding it finds them, and the
// import it plans from what it read.
#include "fuzz/ImportRules.h"
#include "phonebook/PhonebookText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = pd::fuzz::InputText(data, size);
    pd::fuzz::CheckImport(pd::ReadPhonebookText(pd::PhonebookTextFormat::Csv, text),
                          pd::fuzz::CountLines(text));
    return 0;
}
