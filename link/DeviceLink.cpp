#include "link/DeviceLink.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "link/ClampCount.h"
#include "platform/ScopedFile.h"

namespace pd {

void DeviceLink::DetectOsFamily() {
    state_.directPortIo = false;
    state_.win9xFamily = false;
    state_.nt5Family = false;

    OsVersion version;
    if (!os_.GetVersion(&version)) return;

    if (version.platformId == kPlatformNt) {
        state_.nt5Family = version.majorVersion >= 5;
    } else if (version.platformId == kPlatformWin9x) {
        state_.win9xFamily = true;
        // Windows 95 (4.0) only: 98 (4.10) and ME (4.90) have no direct register access.
        state_.directPortIo = version.majorVersion <= 4 && version.minorVersion < 10;
    }
}

void DeviceLink::SelectLink() {
    const bool nineX = state_.win9xFamily;
    if (!nineX && !state_.nt5Family) {
        state_.linkIndex = LinkKind::Ecp1;
        return;
    }
    const LinkKind fallback = FamilyFallback();
    const char* library = nineX ? kUsbLibrary9x : kUsbLibraryNt5;
    if (!LoadUsbLibrary(library, /*needsTransferCalls=*/!nineX) || !BuildPipeNames()) {
        state_.linkIndex = fallback;
        return;
    }
    state_.linkIndex = WritePipeOpens() ? LinkKind::Usb : fallback;
}

bool DeviceLink::LoadUsbLibrary(const char* name, bool needsTransferCalls) {
    if (state_.usbLibrary == kNoLibrary) {
        state_.usbLibrary = os_.LoadLibraryByName(name);
        if (state_.usbLibrary == kNoLibrary) return false;
    }
    state_.getControlPortName = os_.FindEntryPoint(state_.usbLibrary, "GetControlPortName");
    if (needsTransferCalls) {
        state_.win2kUsbWrite = os_.FindEntryPoint(state_.usbLibrary, "Win2kUsbWrite");
        state_.win2kUsbRead = os_.FindEntryPoint(state_.usbLibrary, "Win2kUsbRead");
    }
    const bool complete = state_.getControlPortName != kNoProc &&
                          (!needsTransferCalls || (state_.win2kUsbWrite != kNoProc &&
                                                   state_.win2kUsbRead != kNoProc));
    if (!complete) {
        // A library without the calls the route needs is no better than none.
        os_.FreeLibrary(state_.usbLibrary);
        state_.usbLibrary = kNoLibrary;
        state_.getControlPortName = state_.win2kUsbWrite = state_.win2kUsbRead = kNoProc;
    }
    return complete;
}

bool DeviceLink::BuildPipeNames() {
    state_.usbPortName.fill(0);
    state_.usbReadPipeName.fill(0);
    state_.usbWritePipeName.fill(0);
    os_.CallEntryPoint(state_.getControlPortName, state_.usbPortName.data(), kUsbNameSize);

    // The library may fill the whole buffer; a base path that leaves no room for the pipe
    // suffix and its terminator gives no USB route rather than a truncated pipe name.
    const std::size_t baseLength = strnlen(state_.usbPortName.data(), kUsbNameSize);
    const std::size_t suffixLength = std::strlen(kReadPipeSuffix);
    if (baseLength + suffixLength >= static_cast<std::size_t>(kUsbNameSize)) {
        state_.usbPortName.fill(0);
        return false;
    }
    for (auto* name : {&state_.usbReadPipeName, &state_.usbWritePipeName}) {
        std::memcpy(name->data(), state_.usbPortName.data(), baseLength);
    }
    std::memcpy(state_.usbReadPipeName.data() + baseLength, kReadPipeSuffix, suffixLength);
    std::memcpy(state_.usbWritePipeName.data() + baseLength, kWritePipeSuffix, suffixLength);
    return true;
}

bool DeviceLink::WritePipeOpens() {
    ScopedFile pipe(os_, os_.OpenFile(state_.usbWritePipeName.data(),
                                      access::kRead | access::kWrite,
                                      share::kRead | share::kWrite, disposition::kOpenExisting,
                                      attributes::kNormal));
    return static_cast<bool>(pipe);
}

int DeviceLink::ChannelWrite(const std::uint8_t* data, int length) {
    if (length < 0) return 0;
    if (state_.directPortIo) return directPort_.DirectPortWrite(data, length);
    if (state_.linkIndex == LinkKind::Usb) return UsbWrite(data, length);
    return PortFileWrite(data, length);
}

int DeviceLink::ChannelRead(std::uint8_t* buffer, int capacity) {
    if (capacity < 0) return 0;
    if (state_.directPortIo) return directPort_.DirectPortRead(buffer, capacity);
    if (state_.linkIndex == LinkKind::Usb) return UsbRead(buffer, capacity);
    return PortFileRead(buffer, capacity);
}

int DeviceLink::UsbWrite(const std::uint8_t* data, int length) {
    if (state_.nt5Family && length > kUsbWritePiece) {
        int sent = 0;
        while (sent < length) {
            const int piece = std::min(length - sent, kUsbWritePiece);
            const int done = ClampCount(
                os_.CallEntryPoint(state_.win2kUsbWrite, const_cast<std::uint8_t*>(data) + sent,
                                   piece),
                piece);
            if (done == 0) break;
            sent += done;
        }
        return sent;
    }
    // 9x pipes, and short writes on NT 5, go through the write pipe as a file.
    ScopedFile pipe(os_, os_.OpenFile(state_.usbWritePipeName.data(), access::kWrite,
                                      share::kRead | share::kWrite, disposition::kOpenExisting,
                                      attributes::kNormal));
    if (!pipe) return 0;
    std::uint32_t written = 0;
    os_.WriteFile(pipe.get(), data, static_cast<std::uint32_t>(length), &written);
    return ClampCount(written, length);
}

int DeviceLink::UsbRead(std::uint8_t* buffer, int capacity) {
    if (state_.nt5Family) {
        if (capacity > kUsbLongReadThreshold) {
            const int first = ClampCount(
                os_.CallEntryPoint(state_.win2kUsbRead, buffer, kUsbFirstReadPiece),
                kUsbFirstReadPiece);
            if (first != kUsbFirstReadPiece) return first;
            const int rest = capacity - kUsbFirstReadPiece;
            return kUsbFirstReadPiece +
                   ClampCount(os_.CallEntryPoint(state_.win2kUsbRead,
                                                 buffer + kUsbFirstReadPiece, rest),
                              rest);
        }
        return ClampCount(os_.CallEntryPoint(state_.win2kUsbRead, buffer, capacity), capacity);
    }
    ScopedFile pipe(os_, os_.OpenFile(state_.usbReadPipeName.data(), access::kRead, share::kNone,
                                      disposition::kOpenExisting, attributes::kNormal));
    if (!pipe) return 0;
    std::uint32_t received = 0;
    os_.ReadFile(pipe.get(), buffer, static_cast<std::uint32_t>(capacity), &received);
    return ClampCount(received, capacity);
}

bool DeviceLink::ApplyLptTimeouts(FileHandle file) {
    CommTimeouts timeouts;
    if (!os_.GetCommTimeouts(file, &timeouts)) return false;
    timeouts.readIntervalTimeout = kLptReadIntervalTimeout;
    timeouts.readTotalTimeoutConstant = kLptReadTotalTimeoutConstant;
    timeouts.writeTotalTimeoutConstant = kLptWriteTotalTimeoutConstant;
    os_.SetCommTimeouts(file, timeouts);  // a port that refuses them still carries the data
    return true;
}

int DeviceLink::PortFileWrite(const std::uint8_t* data, int length) {
    ScopedFile port(os_, os_.OpenFile(LinkName(state_.linkIndex), access::kWrite, share::kNone,
                                      disposition::kOpenExisting, attributes::kNone));
    if (!port) return 0;
    if (!IsEcpLink(state_.linkIndex) && !ApplyLptTimeouts(port.get())) return 0;
    std::uint32_t written = 0;
    os_.WriteFile(port.get(), data, static_cast<std::uint32_t>(length), &written);
    return ClampCount(written, length);
}

int DeviceLink::PortFileRead(std::uint8_t* buffer, int capacity) {
    ScopedFile port(os_, os_.OpenFile(LinkName(state_.linkIndex), access::kRead | access::kWrite,
                                      share::kNone, disposition::kOpenExisting,
                                      attributes::kNormal));
    if (!port) return 0;
    if (IsEcpLink(state_.linkIndex)) {
        // The driver is told to turn the port round before each read; it answers nothing
        // the read depends on, so the outcomes are not examined.
        os_.DeviceControl(port.get(), kEcpControlA, &kEcpControlAInput, 1);
        os_.DeviceControl(port.get(), kEcpControlB, &kEcpControlBInput, 1);
    } else if (!ApplyLptTimeouts(port.get())) {
        return 0;
    }
    std::uint32_t received = 0;
    os_.ReadFile(port.get(), buffer, static_cast<std::uint32_t>(capacity), &received);
    return ClampCount(received, capacity);
}

bool DeviceLink::AcquireSharedPort(int portId) {
    state_.arbitrationLibrary = os_.LoadLibraryByName(kArbitrationLibrary);
    // Without the arbitration library nobody else can hold the port.
    if (state_.arbitrationLibrary == kNoLibrary) return true;

    const ProcAddress acquire = os_.FindEntryPoint(state_.arbitrationLibrary, "PortAcquire");
    if (acquire == kNoProc) {
        os_.FreeLibrary(state_.arbitrationLibrary);
        state_.arbitrationLibrary = kNoLibrary;
        os_.DebugOutput("OMF 40 RCP: Port Acquire - FAILED");
        return false;
    }
    // The library stays loaded either way, so that the shutdown's release reaches it.
    const bool granted = os_.CallEntryPoint(acquire, portId) != 0;
    os_.DebugOutput(granted ? "OMF 40 RCP: Port Acquire - SUCCESS"
                            : "OMF 40 RCP: Port Acquire - FAILED");
    return granted;
}

bool DeviceLink::ReleaseSharedPort(int portId) {
    if (state_.arbitrationLibrary == kNoLibrary) return false;
    const LibraryHandle library = std::exchange(state_.arbitrationLibrary, kNoLibrary);
    const ProcAddress release = os_.FindEntryPoint(library, "PortRelease");
    if (release == kNoProc) {
        os_.FreeLibrary(library);
        return false;
    }
    const bool released = os_.CallEntryPoint(release, portId) != 0;
    os_.FreeLibrary(library);
    os_.DebugOutput(released ? "OMF 40 RCP: Port Release - TRUE\n"
                             : "OMF 40 RCP: Port Release - FALSE\n");
    return released;
}

}  // namespace pd
