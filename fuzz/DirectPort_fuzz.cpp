// The direct parallel-port route against a peripheral that answers with any status values:
// every read of the status register takes the next byte of the input.
//
// Input: BIOS mode (byte: no port, 0x378, 0x278, or a be16 of its own), the operations
// (a count, then per operation a byte whose low bit picks read or write and a byte for the
// length; a write's data follows at once), then the status values.
#include <algorithm>
#include <vector>

#include "fuzz/FuzzOs.h"
#include "link/DirectPort.h"

namespace pd::fuzz {
namespace {

constexpr int kMostOperations = 4;
constexpr int kLongestTransfer = 16;  // longer transfers only repeat the same steps
constexpr std::uint8_t kCanary = 0xC3;

// A second per handshake step: a byte has at most six steps, the negotiation and the
// termination five each.
constexpr std::uint64_t kStepMs = 1000;
std::uint64_t LongestReadMs(int capacity) { return (capacity + 2) * 7 * kStepMs + 1000; }
std::uint64_t LongestWriteMs(int length) { return length * 3 * kStepMs + 1000; }

struct PortAccess {
    bool out;
    std::uint16_t port;
    std::uint8_t value;
};

class Peripheral {
public:
    Peripheral(FuzzOs& os, std::span<const std::uint8_t> statusValues)
        : os_(os), values_(statusValues) {
        os_.onPortIn = [this](std::uint16_t port) {
            access.push_back({false, port, 0});
            if (next_ < values_.size()) last_ = values_[next_++];
            return last_;
        };
        os_.onPortOut = [this](std::uint16_t port, std::uint8_t value) {
            access.push_back({true, port, value});
        };
    }
    ~Peripheral() {
        os_.onPortIn = nullptr;
        os_.onPortOut = nullptr;
    }
    Peripheral(const Peripheral&) = delete;
    Peripheral& operator=(const Peripheral&) = delete;

    std::vector<PortAccess> access;

private:
    FuzzOs& os_;
    std::span<const std::uint8_t> values_;
    std::size_t next_ = 0;
    std::uint8_t last_ = 0xFF;  // the lines of an empty port float high
};

void CheckAccess(const std::vector<PortAccess>& access, std::uint16_t base) {
    if (base == 0) {
        PD_FUZZ_CHECK(access.empty(), "without a port address no port may be touched");
        return;
    }
    for (const PortAccess& a : access) {
        if (!a.out) {
            PD_FUZZ_CHECK(a.port == static_cast<std::uint16_t>(base + kStatusRegister),
                          "only the status register is read");
        } else if (a.port == static_cast<std::uint16_t>(base + kControlRegister)) {
            // Interrupt enable and the data direction stay off: the upper bits are never set.
            PD_FUZZ_CHECK((a.value & 0xF0) == 0, "a control write set bits 4..7");
            // nInit low resets the device; the host holds it high throughout.
            PD_FUZZ_CHECK((a.value & control::kInit) != 0, "a control write pulled nInit low");
        } else {
            PD_FUZZ_CHECK(a.port == static_cast<std::uint16_t>(base + kDataRegister),
                          "a write went to no register of ours");
        }
    }
}

std::vector<std::uint8_t> DataWrites(const std::vector<PortAccess>& access, std::uint16_t base) {
    std::vector<std::uint8_t> values;
    for (const PortAccess& a : access) {
        if (a.out && a.port == static_cast<std::uint16_t>(base + kDataRegister))
            values.push_back(a.value);
    }
    return values;
}

void CheckRead(const DirectPort& port, const std::vector<std::uint8_t>& buffer, int received,
               const std::vector<PortAccess>& access) {
    const int capacity = static_cast<int>(buffer.size());
    PD_FUZZ_CHECK(received >= 0 && received <= capacity, "a read reported more than it asked");
    PD_FUZZ_CHECK(std::all_of(buffer.begin() + received, buffer.end(),
                              [](std::uint8_t b) { return b == kCanary; }),
                  "a read wrote past the bytes it reports");
    if (port.portBase() == 0) return;
    PD_FUZZ_CHECK(port.controlShadow() == control::kCompatibilityIdle,
                  "a read must leave the lines at the compatibility idle state");
    const auto last = std::find_if(access.rbegin(), access.rend(), [&](const PortAccess& a) {
        return a.out && a.port == static_cast<std::uint16_t>(port.portBase() + kControlRegister);
    });
    PD_FUZZ_CHECK(last != access.rend() &&
                      last->value == (control::kCompatibilityIdle ^ control::kInvertedByHardware),
                  "the port's control register was not left at the idle lines");
}

void CheckWrite(const DirectPort& port, std::span<const std::uint8_t> data, int written,
                const std::vector<PortAccess>& access) {
    const int length = static_cast<int>(data.size());
    PD_FUZZ_CHECK(written >= 0 && written <= length, "a write reported more than it had");
    if (port.portBase() == 0) return;
    // Every byte that went out was on the data lines, in order, plus the one that failed.
    const auto values = DataWrites(access, port.portBase());
    const std::size_t tried = static_cast<std::size_t>(std::min(written + 1, length));
    PD_FUZZ_CHECK(values.size() == tried && std::equal(values.begin(), values.end(), data.begin()),
                  "the data lines did not carry the bytes in order, each once");
}

}  // namespace
}  // namespace pd::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pd;
    using namespace pd::fuzz;
    FuzzInput input(data, size);

    struct Operation {
        bool read;
        int length;
        std::span<const std::uint8_t> data;
    };
    sim::VirtualDevice device;  // unused: the input is the device
    FuzzOs os(device);
    switch (input.Byte() % 4) {
        case 0:
            os.biosPortWord = 0;
            break;
        case 1:
            os.biosPortWord = 0x0378;
            break;
        case 2:
            os.biosPortWord = 0x0278;
            break;
        default:
            os.biosPortWord = input.Be16();
            break;
    }
    std::vector<Operation> operations;
    for (int n = input.Byte() % kMostOperations + 1; n > 0; --n) {
        Operation operation{(input.Byte() & 1) == 0, input.Byte() % (kLongestTransfer + 1), {}};
        if (!operation.read) {
            operation.data = input.Take(static_cast<std::size_t>(operation.length));
            operation.length = static_cast<int>(operation.data.size());
        }
        operations.push_back(operation);
    }
    Peripheral peripheral(os, input.Rest());

    DirectPort port(os);
    for (const Operation& operation : operations) {
        peripheral.access.clear();
        if (operation.read) {
            std::vector<std::uint8_t> buffer(static_cast<std::size_t>(operation.length), kCanary);
            os.Allow(LongestReadMs(operation.length));
            const int received = port.DirectPortRead(buffer.data(), operation.length);
            CheckRead(port, buffer, received, peripheral.access);
        } else {
            os.Allow(LongestWriteMs(operation.length));
            const int written = port.DirectPortWrite(operation.data.data(), operation.length);
            CheckWrite(port, operation.data, written, peripheral.access);
        }
        CheckAccess(peripheral.access, port.portBase());
        PD_FUZZ_CHECK((port.controlShadow() & 0xF0) == 0, "the shadow holds bits beyond the lines");
    }
    return 0;
}
