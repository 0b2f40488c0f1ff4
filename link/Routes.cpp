#include "link/Routes.h"

#include <algorithm>

#include "link/ClampCount.h"

namespace pd {

namespace {

int WriteWhole(Os& os, FileHandle file, const std::uint8_t* data, int length) {
    std::uint32_t written = 0;
    os.WriteFile(file, data, static_cast<std::uint32_t>(length), &written);
    return ClampCount(written, length);
}

int ReadUpTo(Os& os, FileHandle file, std::uint8_t* buffer, int capacity) {
    std::uint32_t received = 0;
    os.ReadFile(file, buffer, static_cast<std::uint32_t>(capacity), &received);
    return ClampCount(received, capacity);
}

}  // namespace

int Usb9xRoute::Write(const std::uint8_t* data, int length) {
    ScopedFile pipe(os_, os_.OpenFile(state_.usbWritePipeName.data(), access::kWrite,
                                      share::kRead | share::kWrite, disposition::kOpenExisting,
                                      attributes::kNormal));
    if (!pipe) return 0;
    return WriteWhole(os_, pipe.get(), data, length);
}

int Usb9xRoute::Read(std::uint8_t* buffer, int capacity) {
    ScopedFile pipe(os_, os_.OpenFile(state_.usbReadPipeName.data(), access::kRead, share::kNone,
                                      disposition::kOpenExisting, attributes::kNormal));
    if (!pipe) return 0;
    return ReadUpTo(os_, pipe.get(), buffer, capacity);
}

int UsbNt5Route::Write(const std::uint8_t* data, int length) {
    // Short writes go through the write pipe as a file, as on the 9x family.
    if (length <= kUsbWritePiece) return Usb9xRoute::Write(data, length);
    int sent = 0;
    while (sent < length) {
        const int piece = std::min(length - sent, kUsbWritePiece);
        const int done = ClampCount(
            os_.CallEntryPoint(state_.win2kUsbWrite, const_cast<std::uint8_t*>(data) + sent, piece),
            piece);
        if (done == 0) break;
        sent += done;
    }
    return sent;
}

int UsbNt5Route::Read(std::uint8_t* buffer, int capacity) {
    if (capacity > kUsbLongReadThreshold) {
        const int first =
            ClampCount(os_.CallEntryPoint(state_.win2kUsbRead, buffer, kUsbFirstReadPiece),
                       kUsbFirstReadPiece);
        if (first != kUsbFirstReadPiece) return first;
        const int rest = capacity - kUsbFirstReadPiece;
        return kUsbFirstReadPiece +
               ClampCount(
                   os_.CallEntryPoint(state_.win2kUsbRead, buffer + kUsbFirstReadPiece, rest),
                   rest);
    }
    return ClampCount(os_.CallEntryPoint(state_.win2kUsbRead, buffer, capacity), capacity);
}

bool LptPortFileRoute::ApplyTimeouts(FileHandle port) {
    CommTimeouts timeouts;
    if (!os_.GetCommTimeouts(port, &timeouts)) return false;
    timeouts.readIntervalTimeout = kLptReadIntervalTimeout;
    timeouts.readTotalTimeoutConstant = kLptReadTotalTimeoutConstant;
    timeouts.writeTotalTimeoutConstant = kLptWriteTotalTimeoutConstant;
    os_.SetCommTimeouts(port, timeouts);  // a port that refuses them still carries the data
    return true;
}

int LptPortFileRoute::Write(const std::uint8_t* data, int length) {
    ScopedFile port(os_, os_.OpenFile(LinkName(state_.linkIndex), access::kWrite, share::kNone,
                                      disposition::kOpenExisting, attributes::kNone));
    if (!port || !ApplyTimeouts(port.get())) return 0;
    return WriteWhole(os_, port.get(), data, length);
}

int LptPortFileRoute::Read(std::uint8_t* buffer, int capacity) {
    ScopedFile port(
        os_, os_.OpenFile(LinkName(state_.linkIndex), access::kRead | access::kWrite, share::kNone,
                          disposition::kOpenExisting, attributes::kNormal));
    if (!port || !ApplyTimeouts(port.get())) return 0;
    return ReadUpTo(os_, port.get(), buffer, capacity);
}

int EcpDriverRoute::Write(const std::uint8_t* data, int length) {
    ScopedFile driver(os_, os_.OpenFile(LinkName(state_.linkIndex), access::kWrite, share::kNone,
                                        disposition::kOpenExisting, attributes::kNone));
    if (!driver) return 0;
    return WriteWhole(os_, driver.get(), data, length);
}

int EcpDriverRoute::Read(std::uint8_t* buffer, int capacity) {
    ScopedFile driver(
        os_, os_.OpenFile(LinkName(state_.linkIndex), access::kRead | access::kWrite, share::kNone,
                          disposition::kOpenExisting, attributes::kNormal));
    if (!driver) return 0;
    // The driver is told to turn the port round before each read; it answers nothing the
    // read depends on, so the outcomes are not examined.
    os_.DeviceControl(driver.get(), kEcpControlA, &kEcpControlAInput, 1);
    os_.DeviceControl(driver.get(), kEcpControlB, &kEcpControlBInput, 1);
    return ReadUpTo(os_, driver.get(), buffer, capacity);
}

bool EcpDriverRoute::BeginFirmware() {
    driver_.emplace(os_, os_.OpenFile(LinkName(state_.linkIndex), access::kWrite, share::kNone,
                                      disposition::kOpenExisting, attributes::kNone));
    if (!*driver_) {
        driver_.reset();
        return false;
    }
    // Turned round and set to its transfer mode; what it answers changes nothing here.
    os_.DeviceControl(driver_->get(), kEcpControlA, &kEcpControlAInput, 1);
    os_.DeviceControl(driver_->get(), kEcpControlB, &kEcpControlBInput, 1);
    os_.DeviceControl(driver_->get(), kEcpControlC, kEcpControlCInput.data(),
                      static_cast<std::uint32_t>(kEcpControlCInput.size()));
    return true;
}

int EcpDriverRoute::FirmwareWrite(const std::uint8_t* data, int length) {
    if (!driver_) return 0;
    return WriteWhole(os_, driver_->get(), data, length);
}

}  // namespace pd
