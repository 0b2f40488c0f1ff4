// mf40ctl's backup reader against any text. A document it accepts must describe a phonebook
// of the panel's size and must come back the same when written out and read again.
#include "fuzz/FuzzInput.h"
#include "mf40ctl/BackupDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = pd::fuzz::InputText(data, size);
    const pd::ctl::BackupReading reading = pd::ctl::ReadBackupDocument(text);
    PD_FUZZ_CHECK(reading.snapshot.has_value() == reading.problems.empty(),
                  "a backup was both accepted and faulted, or neither");
    if (!reading.snapshot) return 0;
    const pd::ctl::DeviceSnapshot& snapshot = *reading.snapshot;
    PD_FUZZ_CHECK(snapshot.phonebook.size() == pd::kSpeedDialCount + pd::kOneTouchCount,
                  "an accepted backup has a phonebook of another size");

    const pd::ctl::BackupReading again =
        pd::ctl::ReadBackupDocument(pd::ctl::WriteBackupDocument(snapshot));
    PD_FUZZ_CHECK(again.snapshot.has_value(), "a backup written from an accepted one is refused");
    PD_FUZZ_CHECK(
        pd::ctl::WriteBackupDocument(*again.snapshot) == pd::ctl::WriteBackupDocument(snapshot),
        "a backup does not survive being written and read again");
    return 0;
}
