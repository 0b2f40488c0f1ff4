// One route to the device as the few primitives every transfer is written against: the
// channel's write and read, and the firmware download's hold on the route from its start
// command to its last block. Each route fills in only what it does differently; the channel
// and the download are written once, against these.
#pragma once

#include <cstdint>

namespace pd {

// The routes, one implementation each; the link keeps them in a table in this order.
enum class RouteKind : int {
    UsbNt5,       // "usbpipe.dll": the library's transfer calls, short writes through the pipe
    Usb9x,        // "usbnames.dll": both pipes opened as files
    LptPortFile,  // "LPT1".."LPT3" with comm time-outs
    EcpDriver,    // the maker's ECP driver devices, turned round before every read
    DirectPort,   // the port registers themselves (Windows 95)
};
inline constexpr int kRouteKindCount = 5;

class LinkRoute {
public:
    virtual ~LinkRoute() = default;

    // The count of bytes the route accepted; 0 when it cannot be opened.
    virtual int Write(const std::uint8_t* data, int length) = 0;
    // The count of bytes placed in `buffer` (already cleared by the caller), at most
    // `capacity`; 0 when it cannot be opened.
    virtual int Read(std::uint8_t* buffer, int capacity) = 0;

    // The device answers a firmware start over the channel routes; over the parallel ones
    // it takes the start and the image without a word.
    virtual bool AnswersFirmwareStart() const { return true; }
    // Readies the route for a firmware download; false when it cannot be opened. What it
    // opens stays open for the start and every block, until EndFirmware.
    virtual bool BeginFirmware() { return true; }
    virtual int FirmwareWrite(const std::uint8_t* data, int length) { return Write(data, length); }
    virtual void EndFirmware() {}
};

// A firmware download's hold on its route, given back whichever way the download ends.
class FirmwareStream {
public:
    explicit FirmwareStream(LinkRoute& route) : route_(route), open_(route.BeginFirmware()) {}
    ~FirmwareStream() {
        if (open_) route_.EndFirmware();
    }
    FirmwareStream(const FirmwareStream&) = delete;
    FirmwareStream& operator=(const FirmwareStream&) = delete;

    explicit operator bool() const { return open_; }
    bool AnswersStart() const { return route_.AnswersFirmwareStart(); }
    int Write(const std::uint8_t* data, int length) { return route_.FirmwareWrite(data, length); }
    int ReadAnswer(std::uint8_t* buffer, int capacity) { return route_.Read(buffer, capacity); }

private:
    LinkRoute& route_;
    bool open_;
};

}  // namespace pd
