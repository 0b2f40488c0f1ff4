// The fault matrix: every device exchange of the core against every fault the virtual device
// can show, with the outcome each must give. The table is the contract; core_tests holds the
// code to it and tools/fault_matrix prints it for the closing notes.
//
// Wherever an exchange fails, nothing stored may have changed: not the records, not the
// phonebook table, not the device's memory. Two failures are allowed to leave the device
// changed, and the table marks them: a phonebook write whose frame the device took whole but
// whose acknowledgement was refused (marked *), and a firmware download, which leaves the
// device holding the part of the image it took (never more than the file, in order).
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>

#include "firmware/FirmwareDownload.h"
#include "protocol/FaxSettings.h"
#include "protocol/PanelContext.h"
#include "protocol/PhonebookTransfer.h"
#include "protocol/Probe.h"
#include "protocol/SystemRecord.h"
#include "sim/VirtualDevice.h"
#include "testing/FakeOs.h"

namespace pd::faultmatrix {

using sim::Bytes;

enum class Fault {
    None,
    Silent,             // takes every command, never answers
    ShortReply,         // every answer loses its last byte
    WrongHeaderLength,  // every answer's header claims one byte more than it carries
    LengthZero,         // every answer's header claims no payload
    PartialWrite,       // takes half of the first write, then nothing
    StopMidStream,      // stops halfway through the exchange's long part, then moves nothing
    UnpluggedBetween,   // answers one exchange, then is unplugged before the same again
    PortReserved,       // the scanner driver holds the port: AcquireSharedPort refuses
};
constexpr int kFaultCount = 9;
constexpr const char* kFaultNames[kFaultCount] = {"none",
                                                  "silent",
                                                  "short reply",
                                                  "header length + 1",
                                                  "length 0",
                                                  "partial write then nothing",
                                                  "stop mid-stream",
                                                  "unplugged between two exchanges",
                                                  "port reserved"};

constexpr const char* kImagePath = R"(C:\laiteohjelmisto\mf40.img)";
constexpr std::size_t kImageSize = 10000;  // three blocks

// Every firmware outcome the matrix can show, and the page's word for each.
inline const char* OutcomeName(FirmwareDownloadOutcome outcome) {
    switch (outcome) {
        case FirmwareDownloadOutcome::Completed:
            return "Completed";
        case FirmwareDownloadOutcome::FileNotOpened:
            return "FileNotOpened";
        case FirmwareDownloadOutcome::WriteFailed:
            return "WriteFailed";
        case FirmwareDownloadOutcome::ReadFailed:
            return "ReadFailed";
    }
    return "?";
}

inline const char* Flag(bool ok) { return ok ? "true" : "false"; }

class SilentObserver : public FirmwareDownloadObserver {
public:
    void OnBlockSent(std::uint32_t, int) override {}
    void OnDataWritten() override {}
};

// One PC, one device, one route, and everything the panel stores.
struct Rig {
    enum class Route { UsbXp, Lpt1 };

    explicit Rig(Route route) {
        panel.AllocatePhonebook();
        if (route == Route::UsbXp) {
            panel.link.DetectOsFamily();
            panel.link.SelectLink();
        } else {
            panel.link.UseLink(LinkKind::Lpt1);
        }
        // What the panel holds differs from the device everywhere, so a read that takes
        // anything and a write that gives anything both show.
        std::memset(static_cast<void*>(&panel.store.system), 0xA5, sizeof(SystemRecord));
        std::memset(static_cast<void*>(&panel.store.faxSettings), 0x5A, sizeof(FaxSettingsRecord));
        for (int position = 0; position < panel.phonebook->size(); position += 3) {
            panel.phonebook->SetEntry(position, "Paneeli " + std::to_string(position),
                                      std::to_string(5550000 + position));
        }
        for (int position = 1; position < 80; position += 7) {
            auto* record = device.state.phonebook.data() + position * kRecordSize;
            const std::string name = "Laite " + std::to_string(position);
            std::copy(name.begin(), name.end(), record + kRecordNameOffset);
        }
        image.assign(kImageSize, 0);
        for (std::size_t i = 0; i < kImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 7);
        std::copy_n("$IMG", 4, image.begin());
        os.PutFile(kImagePath, image);
    }

    sim::VirtualDevice device;
    FakeOs os{device};
    PanelContext panel{os};
    Bytes image;
};

// Everything a failed exchange must leave as it was.
struct Stored {
    explicit Stored(const Rig& rig)
        : system(Raw(rig.panel.store.system)),
          faxSettings(Raw(rig.panel.store.faxSettings)),
          table(rig.panel.phonebook->Bytes().begin(), rig.panel.phonebook->Bytes().end()),
          device(rig.device.state) {}

    template <typename Record>
    static Bytes Raw(const Record& record) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
        return Bytes(bytes, bytes + sizeof(Record));
    }
    bool PanelEquals(const Stored& other) const {
        return system == other.system && faxSettings == other.faxSettings && table == other.table;
    }
    bool DeviceBlocksEqual(const Stored& other) const {
        return device.systemData == other.device.systemData &&
               device.faxSettings == other.device.faxSettings &&
               device.phonebook == other.device.phonebook;
    }

    Bytes system;
    Bytes faxSettings;
    Bytes table;
    sim::DeviceState device;
};

// An exchange of the core, with the sizes the faults are cut to.
struct Exchange {
    const char* name;
    std::size_t command;  // the first write: the command, the frame or the firmware start
    std::size_t answer;   // the device's whole answer to it
    // The exchange's long part: the answer of a read, the frame of a write, the image of a
    // download, which follows `streamAfter` bytes already sent.
    bool streamsToDevice = false;
    std::size_t streamAfter = 0;
    std::size_t stream = 0;
    std::function<std::string(Rig&)> run;
    // Changes what a second healthy run would carry, so that its failure shows.
    std::function<void(Rig&)> change = {};
};

constexpr std::size_t kPhonebookReply = kPhonebookHeadSize + 80 * kRecordSize;
constexpr std::size_t kPhonebookFrame = kPhonebookFrameHeaderSize + 80 * kRecordSize;

inline const Exchange kProbe{
    .name = "probe",
    .command = 8,
    .answer = 10,
    .stream = 10,
    .run = [](Rig& r) { return Flag(ProbeDevice(r.panel.link)); },
};
inline const Exchange kSystemRead{
    .name = "system read",
    .command = 9,
    .answer = 269,
    .stream = 269,
    .run = [](Rig& r) { return Flag(ReadSystemRecord(r.panel.link, r.panel.store.system)); },
    .change = [](Rig& r) { r.device.state.systemData[100] ^= 0xFF; },
};
inline const Exchange kAdvancedWrite{
    .name = "advanced write",
    .command = 171,
    .answer = 10,
    .streamsToDevice = true,
    .stream = 171,
    .run = [](Rig& r) { return Flag(WriteAdvancedOptions(r.panel.link, r.panel.store.system)); },
    .change = [](Rig& r) { r.panel.store.system.ringVolume ^= 0xFF; },
};
inline const Exchange kFaxRead{
    .name = "fax settings read",
    .command = 9,
    .answer = 27,
    .stream = 27,
    .run = [](Rig& r) { return Flag(ReadFaxSettings(r.panel.link, r.panel.store.faxSettings)); },
    .change = [](Rig& r) { r.device.state.faxSettings[10] ^= 0xFF; },
};
inline const Exchange kFaxWrite{
    .name = "fax settings write",
    .command = 26,
    .answer = 10,
    .streamsToDevice = true,
    .stream = 26,
    .run = [](Rig& r) { return Flag(WriteFaxSettings(r.panel.link, r.panel.store.faxSettings)); },
    .change = [](Rig& r) { r.panel.store.faxSettings.answerDelay ^= 0xFF; },
};
inline const Exchange kPhonebookRead{
    .name = "phonebook read",
    .command = 10,
    .answer = kPhonebookReply,
    .stream = kPhonebookReply,
    .run = [](Rig& r) { return Flag(ReadPhonebook(r.panel.link, *r.panel.phonebook)); },
    .change = [](Rig& r) { r.device.state.phonebook[1] = 'X'; },
};
inline const Exchange kPhonebookWrite{
    .name = "phonebook write",
    .command = kPhonebookFrame,
    .answer = 10,
    .streamsToDevice = true,
    .stream = kPhonebookFrame,
    .run = [](Rig& r) { return Flag(WritePhonebook(r.panel.link, *r.panel.phonebook)); },
    .change = [](Rig& r) { r.panel.phonebook->SetEntry(0, "Uusi", "123"); },
};
inline const Exchange kFirmware{
    .name = "firmware start and stream (channel)",
    .command = 8,
    .answer = 9,
    .streamsToDevice = true,
    .streamAfter = 8,
    .stream = kImageSize,
    .run =
        [](Rig& r) {
            SilentObserver observer;
            return OutcomeName(DownloadFirmware(r.panel.link, kImagePath, observer));
        },
};

struct Row {
    const Exchange& exchange;
    std::array<const char*, kFaultCount> outcomes;
};

// clang-format off
inline const Row kMatrix[] = {
    //                    none         silent         short reply    header + 1   length 0     partial write  stop mid-stream unplugged      port reserved
    {kProbe,            {"true",      "false",       "true",        "true",      "true",      "false",       "true",         "false",       "refused"}},
    {kSystemRead,       {"true",      "false",       "false",       "true",      "false",     "false",       "false",        "false",       "refused"}},
    {kAdvancedWrite,    {"true",      "true",        "true",        "true",      "true",      "false",       "false",        "false",       "refused"}},
    {kFaxRead,          {"true",      "false",       "false",       "false",     "false",     "false",       "false",        "false",       "refused"}},
    {kFaxWrite,         {"true",      "true",        "true",        "true",      "true",      "false",       "false",        "false",       "refused"}},
    {kPhonebookRead,    {"true",      "false",       "false",       "true",      "true",      "false",       "false",        "false",       "refused"}},
    {kPhonebookWrite,   {"true",      "false*",      "false*",      "false*",    "false*",    "false",       "false",        "false",       "refused"}},
    {kFirmware,         {"Completed", "WriteFailed", "WriteFailed", "Completed", "Completed", "WriteFailed", "WriteFailed",  "WriteFailed", "refused"}},
};
// clang-format on

inline bool Failed(const std::string& outcome) {
    return outcome != "true" && outcome != "Completed";
}

inline void Inject(Rig& rig, const Exchange& exchange, Fault fault) {
    sim::DeviceFaults& faults = rig.device.faults;
    switch (fault) {
        case Fault::None:
        case Fault::UnpluggedBetween:
            break;
        case Fault::Silent:
            faults.silent = true;
            break;
        case Fault::ShortReply:
            faults.replyLimit = exchange.answer - 1;
            break;
        case Fault::WrongHeaderLength:
            faults.replyHeaderLength = static_cast<std::uint16_t>(exchange.answer - 4 + 1);
            break;
        case Fault::LengthZero:
            faults.replyHeaderLength = 0;
            break;
        case Fault::PartialWrite:
            faults.acceptBudget = exchange.command / 2;
            break;
        case Fault::StopMidStream:
            if (exchange.streamsToDevice) {
                faults.acceptBudget = exchange.streamAfter + exchange.stream / 2;
            } else {
                faults.replyLimit = exchange.stream / 2;
            }
            break;
        case Fault::PortReserved:
            rig.os.SetPortAcquireResult(0);
            break;
    }
}

}  // namespace pd::faultmatrix
