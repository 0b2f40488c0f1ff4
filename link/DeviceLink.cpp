#include "link/DeviceLink.h"

#include <cstring>
#include <utility>

#include "platform/ScopedFile.h"

namespace pd {

DeviceLink::DeviceLink(Os& os)
    : os_(os),
      usbNt5_(os, state_),
      usb9x_(os, state_),
      lptPortFile_(os, state_),
      ecpDriver_(os, state_),
      directPort_(os),
      routes_{&usbNt5_, &usb9x_, &lptPortFile_, &ecpDriver_, &directPort_} {}

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
                          (!needsTransferCalls ||
                           (state_.win2kUsbWrite != kNoProc && state_.win2kUsbRead != kNoProc));
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
                                      access::kRead | access::kWrite, share::kRead | share::kWrite,
                                      disposition::kOpenExisting, attributes::kNormal));
    return static_cast<bool>(pipe);
}

RouteKind DeviceLink::ActiveRouteKind() const {
    // The port registers take every transfer on Windows 95, whatever the link says.
    if (state_.directPortIo) return RouteKind::DirectPort;
    if (state_.linkIndex == LinkKind::Usb) {
        return state_.nt5Family ? RouteKind::UsbNt5 : RouteKind::Usb9x;
    }
    return IsEcpLink(state_.linkIndex) ? RouteKind::EcpDriver : RouteKind::LptPortFile;
}

int DeviceLink::ChannelWrite(const std::uint8_t* data, int length) {
    if (length < 0) return 0;
    return ActiveRoute().Write(data, length);
}

int DeviceLink::ChannelRead(std::uint8_t* buffer, int capacity) {
    if (capacity < 0) return 0;
    return ActiveRoute().Read(buffer, capacity);
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
