// Writes the seed corpus of every fuzz target: the replies the virtual device gives to the
// tests, the files the tests load, and the status lines the register-level peripheral shows,
// each wrapped in its target's input format. Usage: fuzz_seeds <corpus folder>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "fuzz/DeviceScript.h"
#include "fuzz/MarkedPhonebook.h"
#include "link/DirectPort.h"
#include "phonebook/PhonebookFile.h"
#include "protocol/Frames.h"
#include "protocol/PhonebookTransfer.h"
#include "protocol/SystemRecord.h"
#include "sim/Ieee1284Peripheral.h"

namespace pd::fuzz {
namespace {

namespace fs = std::filesystem;

class Corpus {
public:
    explicit Corpus(fs::path root) : root_(std::move(root)) {}

    // Starts a target's folder afresh.
    void Target(const std::string& name) {
        folder_ = root_ / name;
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void Seed(const std::string& name, const Bytes& bytes) {
        std::ofstream out(folder_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ++count_;
    }
    int count() const { return count_; }

private:
    fs::path root_;
    fs::path folder_;
    int count_ = 0;
};

// The device's own answer to `command`, as the tests' device gives it.
Bytes DeviceAnswer(std::span<const std::uint8_t> command,
                   const std::function<void(sim::VirtualDevice&)>& prepare = {}) {
    sim::VirtualDevice device;
    if (prepare) prepare(device);
    device.Receive(command);
    Bytes answer(device.PendingBytes());
    device.Send(answer);
    return answer;
}

DeviceScript On(Route route) {
    DeviceScript script;
    script.route = route;
    return script;
}

Bytes Input(std::initializer_list<std::uint8_t> lead, const DeviceScript& script,
            std::span<const std::uint8_t> rest) {
    FuzzOutput out;
    for (std::uint8_t byte : lead) out.Byte(byte);
    script.Write(out);
    out.Append(rest);
    return out.bytes();
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(std::min(bytes.size(), size));
    return bytes;
}

void RecordReplies(Corpus& corpus) {
    corpus.Target("RecordReplies");
    struct Exchange {
        const char* name;
        std::uint8_t selector;
        std::span<const std::uint8_t> command;
    };
    const Exchange exchanges[] = {
        {"probe", 0, kProbeCommand},
        {"system", 1, kSystemReadCommand},
        {"fax", 2, kFaxSettingsReadCommand},
    };
    for (const Exchange& e : exchanges) {
        const Bytes reply = DeviceAnswer(e.command);
        const std::string name = e.name;
        corpus.Seed(name + "-lpt", Input({e.selector}, On(Route::Lpt), reply));
        corpus.Seed(name + "-usb-xp", Input({e.selector}, On(Route::UsbNt5), reply));
        corpus.Seed(name + "-usb-98", Input({e.selector}, On(Route::Usb9x), reply));
        corpus.Seed(name + "-ecp-one-byte-short",
                    Input({e.selector}, On(Route::Ecp), Cut(reply, reply.size() - 1)));
        corpus.Seed(name + "-header-only", Input({e.selector}, On(Route::Lpt), Cut(reply, 4)));

        DeviceScript lengthZero = On(Route::Lpt);
        lengthZero.faults.replyHeaderLength = 0;
        corpus.Seed(name + "-length-zero", Input({e.selector}, lengthZero, reply));
        DeviceScript partial = On(Route::UsbNt5);
        partial.faults.acceptBudget = 5;
        corpus.Seed(name + "-partial-write", Input({e.selector}, partial, {}));
        DeviceScript pieces = On(Route::Lpt);
        pieces.faults.sendPieces = {7, 0};
        corpus.Seed(name + "-first-read-short", Input({e.selector}, pieces, reply));
        DeviceScript lying = On(Route::UsbNt5);
        lying.reportedCounts = {static_cast<long long>(e.command.size()), 300};
        corpus.Seed(name + "-library-overstates", Input({e.selector}, lying, Cut(reply, 20)));
    }
}

Bytes PhonebookReplyOf(const std::function<void(sim::VirtualDevice&)>& prepare) {
    return DeviceAnswer(kPhonebookReadCommand, prepare);
}

// Entries as the panel writes them: number, name, number text, FF behind the texts.
void PutEntry(sim::VirtualDevice& device, int position, const std::string& name,
              const std::string& number) {
    auto* record = device.state.phonebook.data() + position * kRecordSize;
    std::fill_n(record, kRecordSize, std::uint8_t{0xFF});
    record[0] = static_cast<std::uint8_t>(position + 1);
    std::copy(name.begin(), name.end(), record + kRecordNameOffset);
    std::copy(number.begin(), number.end(), record + kRecordNumberOffset);
}

void FillDevice(sim::VirtualDevice& device) {
    PutEntry(device, 0, "Anna", "040123");
    PutEntry(device, 4, std::string(20, 'N'), std::string(46, '5'));
    PutEntry(device, 79, "Toimisto", "0912345678");
    std::string group = "\xE0\x01\x02\x03";
    PutEntry(device, 6, "Ryhma", group);
}

void PhonebookReply(Corpus& corpus) {
    corpus.Target("PhonebookReply");
    const Bytes factory = PhonebookReplyOf({});
    corpus.Seed("factory-lpt", Input({}, On(Route::Lpt), factory));
    corpus.Seed("factory-usb-xp", Input({}, On(Route::UsbNt5), factory));
    corpus.Seed("factory-usb-98", Input({}, On(Route::Usb9x), factory));

    const Bytes filled = PhonebookReplyOf([](sim::VirtualDevice& d) { FillDevice(d); });
    corpus.Seed("entries-ecp", Input({}, On(Route::Ecp), filled));
    const Bytes sparse = PhonebookReplyOf([](sim::VirtualDevice& d) {
        FillDevice(d);
        d.phonebookReply.onlyNonBlank = true;
        d.phonebookReply.shuffleSeed = 7;
    });
    corpus.Seed("non-blank-shuffled", Input({}, On(Route::Lpt), sparse));
    const Bytes odd = PhonebookReplyOf([](sim::VirtualDevice& d) {
        FillDevice(d);
        d.phonebookReply.onlyNonBlank = true;
        Bytes extra(2 * kRecordSize, ' ');
        extra[0] = 0;
        extra[kRecordSize] = 81;
        d.phonebookReply.extraRecords = extra;
        d.phonebookReply.padWithSpaces = false;
    });
    corpus.Seed("entry-numbers-0-and-81", Input({}, On(Route::Lpt), odd));
    const Bytes overcounted = PhonebookReplyOf([](sim::VirtualDevice& d) {
        FillDevice(d);
        d.phonebookReply.onlyNonBlank = true;
        d.phonebookReply.countOverride = 200;
    });
    corpus.Seed("count-200", Input({}, On(Route::UsbNt5), overcounted));
    corpus.Seed("head-only", Input({}, On(Route::Lpt), Cut(factory, kPhonebookHeadSize)));
    corpus.Seed("cut-mid-record", Input({}, On(Route::Lpt), Cut(filled, 11 + 40 * 67 + 30)));

    DeviceScript pieces = On(Route::Lpt);
    pieces.faults.sendPieces = {11, 2000, 0, 1000};
    corpus.Seed("records-in-pieces", Input({}, pieces, filled));
    DeviceScript stalls = On(Route::UsbNt5);
    stalls.faults.sendPieces = {11, 2000, 0, 0};
    corpus.Seed("records-stop", Input({}, stalls, filled));
    DeviceScript lying = On(Route::UsbNt5);
    lying.reportedCounts = {10, 11, 2624, 9000};
    corpus.Seed("library-overstates", Input({}, lying, filled));
}

Bytes Contents(std::span<const std::uint8_t> bytes) {
    FuzzOutput out;
    out.Be16(static_cast<std::uint16_t>(bytes.size())).Append(bytes);
    return out.bytes();
}

Bytes Join(Bytes a, std::span<const std::uint8_t> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void Acknowledgements(Corpus& corpus) {
    corpus.Target("Acknowledgements");
    // The records as the tests' device fills them.
    SystemRecord system;
    {
        sim::VirtualDevice device;
        FuzzOs os(device);
        DeviceLink link(os);
        link.UseLink(LinkKind::Lpt1);
        ReadSystemRecord(link, system);
    }
    const auto* systemBytes = reinterpret_cast<const std::uint8_t*>(&system);
    const Bytes systemContents = Contents({systemBytes, sizeof system});
    const Bytes faxSettings = DeviceAnswer(kFaxSettingsReadCommand);
    const Bytes faxContents = Contents(std::span(faxSettings).subspan(10, 17));
    // The phonebook target starts from its own marked table; one seed replaces it whole.
    const Bytes noContents = Contents({});
    PhonebookTable loaded(80, 0);
    for (int position = 0; position < loaded.size(); ++position) {
        loaded.SetEntry(position, "Nimi " + std::to_string(position),
                        "09" + std::to_string(position));
    }
    loaded.Entry(3)[kNumberOffset] = kGroupDialMarker;
    const Bytes tableContents = Contents(loaded.Bytes());
    const Bytes goodAcknowledgement = {kEscape, kOpWriteBlock, 0, 6, 0, 0, 0, 0, 0, 0};
    const Bytes headerOnly = {kEscape, kOpWriteBlock, 0, 0};
    const Bytes wrongLength = {kEscape, kOpWriteBlock, 0, 7, 0, 0, 0, 0, 0, 0};

    struct Write {
        const char* name;
        std::uint8_t selector;
        const Bytes& contents;
        std::uint16_t half;
    };
    const Write writes[] = {
        {"advanced", 0, systemContents, 85},
        {"fax", 1, faxContents, 13},
        {"phonebook", 2, noContents, 2685},
    };
    for (const Write& w : writes) {
        const std::string name = w.name;
        corpus.Seed(name + "-device-acknowledges", Input({w.selector}, On(Route::Lpt), w.contents));
        corpus.Seed(name + "-acknowledgement-xp",
                    Input({w.selector}, On(Route::UsbNt5), Join(w.contents, goodAcknowledgement)));
        corpus.Seed(name + "-header-only-98",
                    Input({w.selector}, On(Route::Usb9x), Join(w.contents, headerOnly)));
        corpus.Seed(name + "-wrong-length",
                    Input({w.selector}, On(Route::Ecp), Join(w.contents, wrongLength)));
        DeviceScript silent = On(Route::Lpt);
        silent.faults.silent = true;
        corpus.Seed(name + "-silent", Input({w.selector}, silent, w.contents));
        DeviceScript half = On(Route::Lpt);
        half.faults.acceptBudget = w.half;
        corpus.Seed(name + "-takes-half", Input({w.selector}, half, w.contents));
    }
    corpus.Seed("phonebook-whole-table", Input({2}, On(Route::Lpt), tableContents));
    DeviceScript retried = On(Route::Lpt);
    retried.faults.receivePieces = {3000, 0, 2370};
    corpus.Seed("phonebook-second-continuation", Input({2}, retried, noContents));
    DeviceScript usbPieces = On(Route::UsbNt5);
    usbPieces.faults.receivePieces = {4000, 1000, 370};
    corpus.Seed("phonebook-usb-pieces", Input({2}, usbPieces, noContents));
}

void PhonebookFile(Corpus& corpus) {
    corpus.Target("PhonebookFile");
    sim::VirtualDevice device;
    FakeOs os(device);
    const std::string path = "C:\\seed.PBF";
    auto saved = [&](const PhonebookTable& table) {
        SavePhonebookFile(os, path, table);
        return *os.FileContents(path);
    };
    const Bytes marked = saved(MarkedPhonebook());
    corpus.Seed("marked-table", marked);
    corpus.Seed("blank-table", saved(PhonebookTable(80, 0)));
    corpus.Seed("header-only", Cut(marked, kPhonebookFileHeaderSize));
    corpus.Seed("one-entry", Cut(marked, kPhonebookFileHeaderSize + kEntrySize));
    corpus.Seed("entry-and-a-half", Cut(marked, kPhonebookFileHeaderSize + kEntrySize * 3 / 2));
    corpus.Seed("signature-only", Cut(marked, kPhonebookFileSignatureLength + 1));
    Bytes noZero = Cut(marked, 200);
    noZero[kPhonebookFileSignatureLength] = 'X';
    corpus.Seed("signature-without-zero", noZero);
    Bytes version = marked;
    version[24] = '2';
    version[32] = 99;
    corpus.Seed("other-version-and-numbers", version);
    Bytes longer = marked;
    longer.resize(marked.size() + 100, 0x55);
    corpus.Seed("trailing-data", longer);
}

Bytes FirmwareInput(const DeviceScript& script, std::initializer_list<sim::StartAnswer> answers,
                    std::uint8_t sizeMode, std::int32_t skew, std::uint32_t length,
                    std::span<const std::uint8_t> pattern, std::uint16_t readChunk = 0,
                    std::uint8_t failReadsFrom = 0) {
    FuzzOutput out;
    script.Write(out);
    out.Byte(static_cast<std::uint8_t>(answers.size()));
    for (sim::StartAnswer answer : answers) out.Byte(static_cast<std::uint8_t>(answer));
    out.Byte(sizeMode).Be32(static_cast<std::uint32_t>(skew)).Be16(readChunk).Byte(failReadsFrom);
    out.Be32(length).Append(pattern);
    return out.bytes();
}

void Firmware(Corpus& corpus) {
    using sim::StartAnswer;
    corpus.Target("Firmware");
    const Bytes image = {0x24, 0x49, 0x4D, 0x47, 0x01, 0x00, 0x10, 0x7F, 0x80, 0xFE};
    const Bytes bare = {0x24, 0x49, 0x4D, 0x47};
    corpus.Seed("lpt-one-block", FirmwareInput(On(Route::Lpt), {}, 0, 0, 4096, image));
    corpus.Seed("usb-xp-two-blocks", FirmwareInput(On(Route::UsbNt5), {}, 0, 0, 4097, image));
    corpus.Seed("usb-98-three-blocks", FirmwareInput(On(Route::Usb9x), {}, 0, 0, 10000, image));
    corpus.Seed("ecp-three-blocks", FirmwareInput(On(Route::Ecp), {}, 0, 0, 10000, image));
    corpus.Seed("direct-small", FirmwareInput(On(Route::Direct), {}, 0, 0, 600, image));
    corpus.Seed("signature-only", FirmwareInput(On(Route::Lpt), {}, 0, 0, 0, bare));
    corpus.Seed("not-an-image",
                FirmwareInput(On(Route::Lpt), {}, 0, 0, 0, Bytes{'$', 'i', 'm', 'g'}));
    corpus.Seed("wrong-first-byte-then-accept",
                FirmwareInput(On(Route::Lpt), {StartAnswer::WrongFirstByte}, 0, 0, 5000, image));
    corpus.Seed("short-answers",
                FirmwareInput(On(Route::UsbNt5), {StartAnswer::Short, StartAnswer::Short}, 0, 0,
                              5000, image));
    corpus.Seed("refused", FirmwareInput(On(Route::Lpt), {StartAnswer::Refuse, StartAnswer::Refuse},
                                         0, 0, 5000, image));
    corpus.Seed("file-shorter-than-its-size",
                FirmwareInput(On(Route::Lpt), {}, 1, 100, 5000, image));
    corpus.Seed("file-longer-than-its-size",
                FirmwareInput(On(Route::Ecp), {}, 1, -1000, 5000, image));
    corpus.Seed("size-beyond-4-gb", FirmwareInput(On(Route::Lpt), {}, 2, 16, 5000, image));
    corpus.Seed("file-reads-in-pieces",
                FirmwareInput(On(Route::Usb9x), {}, 0, 0, 9000, image, 1500));
    corpus.Seed("file-read-fails", FirmwareInput(On(Route::Lpt), {}, 0, 0, 9000, image, 0, 2));

    DeviceScript retry = On(Route::Lpt);
    retry.faults.receivePieces = {8, 1000, 3096};
    corpus.Seed("block-completed-by-retry", FirmwareInput(retry, {}, 0, 0, 4096, image));
    DeviceScript stops = On(Route::Ecp);
    stops.faults.receivePieces = {8, 1000, 1000};
    corpus.Seed("block-not-completed", FirmwareInput(stops, {}, 0, 0, 4096, image));
    DeviceScript zeroThenRest = On(Route::UsbNt5);
    zeroThenRest.faults.receivePieces = {8, 1000, 0, 3096};
    corpus.Seed("second-retry", FirmwareInput(zeroThenRest, {}, 0, 0, 4096, image));
    DeviceScript budget = On(Route::Direct);
    budget.faults.acceptBudget = 300;
    corpus.Seed("direct-device-full", FirmwareInput(budget, {}, 0, 0, 600, image));
    DeviceScript lying = On(Route::Lpt);
    lying.reportedCounts = {8, 9, 5000, 0, 0};
    corpus.Seed("driver-misreports", FirmwareInput(lying, {}, 0, 0, 8192, image));
}

// The status values a healthy peripheral shows while the host reads and writes, with the
// constant tail (a wait running out) left to the target, which repeats the last value.
struct Session {
    Session() { device.Receive(kProbeCommand); }  // the probe answer waits to be read

    Bytes Capture(const std::function<void(DirectPort&)>& operations) {
        const auto inner = os.onPortIn;
        Bytes values;
        os.onPortIn = [&](std::uint16_t port) {
            const std::uint8_t value = inner(port);
            values.push_back(value);
            return value;
        };
        DirectPort port(os);
        operations(port);
        os.onPortIn = inner;
        while (values.size() > 1 && values[values.size() - 2] == values.back()) values.pop_back();
        return values;
    }

    sim::VirtualDevice device;
    FakeOs os{device};
    sim::Ieee1284Peripheral peripheral{os, device};
};

void DirectPort(Corpus& corpus) {
    corpus.Target("DirectPort");
    constexpr std::uint8_t kBios378 = 1;
    constexpr std::uint8_t kRead = 0;
    constexpr std::uint8_t kWrite = 1;
    const Bytes command(kProbeCommand.begin(), kProbeCommand.end());
    {
        Session session;
        Bytes reply(10);
        const Bytes values =
            session.Capture([&](pd::DirectPort& p) { p.DirectPortRead(reply.data(), 10); });
        corpus.Seed("read-probe-answer", Join({kBios378, 0, kRead, 10}, values));
    }
    {
        Session session;
        Bytes reply(16);
        const Bytes values =
            session.Capture([&](pd::DirectPort& p) { p.DirectPortRead(reply.data(), 16); });
        corpus.Seed("read-more-than-sent", Join({kBios378, 0, kRead, 16}, values));
    }
    {
        Session session;
        const Bytes values =
            session.Capture([&](pd::DirectPort& p) { p.DirectPortWrite(command.data(), 8); });
        corpus.Seed("write-probe", Join(Join({kBios378, 0, kWrite, 8}, command), values));
    }
    {
        Session session;
        Bytes reply(10);
        const Bytes values = session.Capture([&](pd::DirectPort& p) {
            p.DirectPortWrite(command.data(), 8);
            p.DirectPortRead(reply.data(), 10);
        });
        corpus.Seed("write-then-read",
                    Join(Join({kBios378, 1, kWrite, 8}, command), Join({kRead, 10}, values)));
    }
    {
        Session session;
        session.peripheral.StallAt(sim::PeripheralEvent::Event9, 3);
        Bytes reply(10);
        const Bytes values =
            session.Capture([&](pd::DirectPort& p) { p.DirectPortRead(reply.data(), 10); });
        corpus.Seed("device-stalls-mid-byte", Join({kBios378, 0, kRead, 10}, values));
    }
    corpus.Seed("no-port", {0, 1, kWrite, 2, 0x1B, 0xA4, kRead, 4});
}

}  // namespace
}  // namespace pd::fuzz

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    pd::fuzz::Corpus corpus(argv[1]);
    pd::fuzz::RecordReplies(corpus);
    pd::fuzz::PhonebookReply(corpus);
    pd::fuzz::Acknowledgements(corpus);
    pd::fuzz::PhonebookFile(corpus);
    pd::fuzz::Firmware(corpus);
    pd::fuzz::DirectPort(corpus);
    std::printf("%d seeds written to %s\n", corpus.count(), argv[1]);
    return 0;
}
