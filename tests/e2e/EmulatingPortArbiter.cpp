// The port arbiter of the end-to-end tests of the port registers' route (Windows 95), loaded
// by the 32-bit panel in place of the maker's portgate.dll. It is never shipped or put in the
// demo folder.
//
// It says what the panel asked of it: with PD_PORT_ARBITER_LOG naming a file, every
// PortAcquire and PortRelease adds a line there ("acquire" or "release").
//
// With PD_EMULATED_PORT set, it is also the PC's parallel port. Under Wine nothing maps the BIOS
// data area and no program may use port instructions, so the panel's read of the BIOS word
// faults, and so do its `in` and `out` instructions (privileged). A vectored exception
// handler, installed when the library loads, answers these faults as the hardware would: the
// BIOS word names the first port at 0x378, and the port's registers are the IEEE 1284
// peripheral model (sim/Ieee1284Peripheral) on the real clock, whose device is the simulator
// (mf40sim --port-registers). It sets the register the instruction would have set, steps past
// the instruction and lets the panel go on. Without PD_EMULATED_PORT the BIOS
// word is as unreadable as on any Windows NT, which is what the panel must survive.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>

#include "sim/Ieee1284Peripheral.h"
#include "sim/PortRegistersLink.h"
#include "sim/standin/DemoPipeClient.h"
#include "win32/Handles.h"

namespace {

using pd::OwnedHandle;

// The BIOS data area as the emulated PC has it: one parallel port, the first, at 0x378.
constexpr std::uintptr_t kBiosDataArea = 0x400;
constexpr std::uint8_t kBiosDataAreaBytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0x78, 0x03};
constexpr std::uint16_t kEmulatedPortBase = 0x0378;

std::optional<std::string> Environment(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::nullopt;
    return std::string(value, length);
}

void Record(const char* call) {
    const auto path = Environment("PD_PORT_ARBITER_LOG");
    if (!path) return;
    const OwnedHandle log(CreateFileA(path->c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const std::string line = std::string(call) + "\r\n";
    if (log) WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

#if defined(__i386__)
// The device at the cable's far end: the simulator, through the memory it shares for the port
// registers (sim/PortRegistersLink.h). Without a simulator serving them, no device is there.
class SharedRegistersDevice : public pd::sim::CableEnd {
public:
    SharedRegistersDevice()
        : section_(OpenFileMapping(FILE_MAP_ALL_ACCESS, FALSE, pd::sim::kPortRegistersSection)) {
        if (section_) {
            link_ = static_cast<pd::sim::PortRegistersLink*>(MapViewOfFile(
                section_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(pd::sim::PortRegistersLink)));
        }
    }

    std::uint32_t Now() override { return GetTickCount(); }

    // A full ring waits for the simulator to empty it, as a device keeps Busy up until it has
    // taken the byte; one that does not come back in time takes nothing more.
    std::size_t Receive(std::span<const std::uint8_t> data) override {
        if (link_ == nullptr) return 0;
        std::size_t moved = 0;
        for (DWORD waited = 0; moved < data.size() && waited < kFullRingWaitMs; ++waited) {
            moved += link_->toDevice.Put(data.data() + moved, data.size() - moved);
            if (moved < data.size()) Sleep(1);
        }
        return moved;
    }

    std::size_t Send(std::span<std::uint8_t> out) override {
        return link_ == nullptr ? 0 : link_->fromDevice.Take(out.data(), out.size());
    }

    std::size_t PendingBytes() override {
        return link_ == nullptr ? 0 : link_->fromDevice.Waiting();
    }

private:
    static constexpr DWORD kFullRingWaitMs = 5000;
    OwnedHandle section_;
    pd::sim::PortRegistersLink* link_ = nullptr;
};

struct EmulatedPort {
    SharedRegistersDevice device;
    // The device reacts at the host's next look, as real hardware outruns a polling host.
    pd::sim::Ieee1284Peripheral peripheral{device, kEmulatedPortBase, false};
    EmulatedPort() { peripheral.SetAllDelays(0); }
};
EmulatedPort* emulated = nullptr;

DWORD* Register(CONTEXT& context, int number) {
    DWORD* const registers[] = {&context.Eax, &context.Ecx, &context.Edx, &context.Ebx,
                                &context.Esp, &context.Ebp, &context.Esi, &context.Edi};
    return registers[number];
}

std::int32_t Displacement32(const std::uint8_t* at) {
    std::int32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// A load from memory into a register, as a compiler or our own guarded read makes it: mov
// (8B, with 66 for 16 bits) or movzx (0F B6, 0F B7). The register it loads, the address and
// the number of bytes it reads, and the instruction's length; nothing for anything else. The
// address is worked out from the instruction, as the fault may not say it: Wine on an
// emulated processor (qemu's) reports every fault as an illegal instruction, without one.
struct Load {
    int reg;
    std::uintptr_t address;
    int bytes;
    bool wholeRegister;  // 32-bit destination: mov r32 or movzx
    int length;
};
std::optional<Load> DecodeLoad(CONTEXT& context) {
    const auto* code = reinterpret_cast<const std::uint8_t*>(context.Eip);
    int at = 0;
    const bool operand16 = code[at] == 0x66;
    if (operand16) ++at;
    Load load{};
    if (code[at] == 0x8B) {
        load.bytes = operand16 ? 2 : 4;
        load.wholeRegister = !operand16;
        at += 1;
    } else if (code[at] == 0x0F && (code[at + 1] == 0xB6 || code[at + 1] == 0xB7) && !operand16) {
        load.bytes = code[at + 1] == 0xB6 ? 1 : 2;
        load.wholeRegister = true;
        at += 2;
    } else {
        return std::nullopt;
    }
    const std::uint8_t modrm = code[at++];
    const int mod = modrm >> 6;
    const int rm = modrm & 7;
    if (mod == 3) return std::nullopt;  // a register, not memory
    load.reg = (modrm >> 3) & 7;
    DWORD address = 0;
    if (rm == 4) {  // a scale-index-base byte follows
        const std::uint8_t sib = code[at++];
        const int index = (sib >> 3) & 7;
        const int base = sib & 7;
        if (index != 4) address += *Register(context, index) << (sib >> 6);
        if (base == 5 && mod == 0) {
            address += static_cast<DWORD>(Displacement32(code + at));
            at += 4;
        } else {
            address += *Register(context, base);
        }
    } else if (rm == 5 && mod == 0) {
        address = static_cast<DWORD>(Displacement32(code + at));
        at += 4;
    } else {
        address = *Register(context, rm);
    }
    if (mod == 1) {
        address += static_cast<DWORD>(static_cast<std::int8_t>(code[at]));
        at += 1;
    } else if (mod == 2) {
        address += static_cast<DWORD>(Displacement32(code + at));
        at += 4;
    }
    load.address = address;
    load.length = at;
    return load;
}

bool AnswerBiosRead(CONTEXT& context) {
    const auto load = DecodeLoad(context);
    if (!load || load->address < kBiosDataArea ||
        load->address + load->bytes > kBiosDataArea + sizeof kBiosDataAreaBytes) {
        return false;
    }
    DWORD value = 0;
    std::memcpy(&value, kBiosDataAreaBytes + (load->address - kBiosDataArea),
                static_cast<std::size_t>(load->bytes));
    DWORD& target = *Register(context, load->reg);
    target = load->wholeRegister ? value : (target & 0xFFFF0000u) | value;
    context.Eip += static_cast<DWORD>(load->length);
    return true;
}

// in al,dx (EC); in al,imm8 (E4 ib); out dx,al (EE); out imm8,al (E6 ib): the byte forms,
// which are all the panel uses.
bool AnswerPortInstruction(CONTEXT& context) {
    const auto* code = reinterpret_cast<const std::uint8_t*>(context.Eip);
    const auto dx = static_cast<std::uint16_t>(context.Edx & 0xFFFF);
    const auto al = static_cast<std::uint8_t>(context.Eax & 0xFF);
    switch (code[0]) {
        case 0xEC:
        case 0xE4: {
            const std::uint16_t port = code[0] == 0xEC ? dx : code[1];
            context.Eax = (context.Eax & ~0xFFu) | emulated->peripheral.PortIn(port);
            context.Eip += code[0] == 0xEC ? 1 : 2;
            return true;
        }
        case 0xEE:
        case 0xE6: {
            const std::uint16_t port = code[0] == 0xEE ? dx : code[1];
            emulated->peripheral.PortOut(port, al);
            context.Eip += code[0] == 0xEE ? 1 : 2;
            return true;
        }
        default:
            return false;
    }
}

// Judged by the instruction, not by the fault's code: on a real processor the read is an access
// violation and the port instructions privileged, but on an emulated one all three are
// illegal instructions.
LONG CALLBACK Answer(EXCEPTION_POINTERS* fault) {
    const DWORD code = fault->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_ACCESS_VIOLATION && code != EXCEPTION_PRIV_INSTRUCTION &&
        code != EXCEPTION_ILLEGAL_INSTRUCTION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    CONTEXT& context = *fault->ContextRecord;
    const bool answered = AnswerPortInstruction(context) || AnswerBiosRead(context);
    return answered ? EXCEPTION_CONTINUE_EXECUTION : EXCEPTION_CONTINUE_SEARCH;
}
#endif

}  // namespace

extern "C" int PD_STANDIN_CALL PortAcquire(int) {
    Record("acquire");
    return pd::sim::DemoPortIsFree() ? 1 : 0;
}

extern "C" int PD_STANDIN_CALL PortRelease(int) {
    Record("release");
    return pd::sim::DemoPortIsFree() ? 1 : 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
#if defined(__i386__)
    if (reason == DLL_PROCESS_ATTACH && Environment("PD_EMULATED_PORT")) {
        // The program frees the library when it lets the port go, and may take the port again:
        // the handler stays, and so does the library, until the process ends.
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<const char*>(&Answer), &self);
        emulated = new EmulatedPort;
        AddVectoredExceptionHandler(1, Answer);
    }
#else
    (void)reason;
#endif
    return TRUE;
}
