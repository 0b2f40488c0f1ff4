#include "sim/DeviceState.h"

#include <algorithm>
#include <cstring>

#include "protocol/ByteOrder.h"

namespace pd::sim {

namespace {

// Writes `text` space-padded into `width` bytes at reply offset `replyOffset`.
void PutText(DeviceState& state, int replyOffset, int width, const char* text) {
    std::uint8_t* field = state.systemData.data() + replyOffset - 4;
    std::memset(field, ' ', static_cast<std::size_t>(width));
    std::memcpy(field, text, std::min<std::size_t>(std::strlen(text), width));
}

}  // namespace

DeviceState FactoryDeviceState() {
    DeviceState state;
    PutText(state, 10, 32, "Ostrex MF 40");
    PutText(state, 42, 20, "0981234567");
    PutText(state, 62, 20, "VELTRA");
    PutText(state, 82, 5, "1.12");
    PutText(state, 87, 5, "2.03");
    PutText(state, 92, 15, "PCL 5e 1.04");
    PutText(state, 107, 15, "GDI 2.10");
    state.systemData[122 - 4] = 87;  // free memory, per cent
    const std::uint32_t counters[6] = {1520, 3342, 12874, 9110, 17, 42};
    for (int i = 0; i < 6; ++i) WriteBe32(state.systemData.data() + 123 - 4 + 4 * i, counters[i]);
    state.systemData[147 - 4] = 1;  // receive mode: fax
    PutText(state, 148, 5, "");
    state.systemData[153 - 4] = 5;  // ring volume
    state.systemData[154 - 4] = 1;  // alarm sound
    state.systemData[155 - 4] = 1;  // key sound
    state.systemData[156 - 4] = 1;  // speaker
    state.systemData[157 - 4] = 9;  // language: Suomi
    PutText(state, 163, 20, "");
    PutText(state, 183, 20, "");
    PutText(state, 203, 46, "");
    PutText(state, 249, 20, "OMF40-0012345");

    // Letter/A4 trays, plain paper, confirmation on error, journal on, code *5*, power save
    // after 15 minutes, ECM on, reduction on, 10 mm discard, redial every 3 min 5 times,
    // 2 rings, send from memory, device ID on, 24-hour clock.
    const std::uint8_t settings[17] = {1, 1, 0, 2, 1, 5, 3, 1, 1, 0, 10, 3, 5, 2, 1, 1, 1};
    std::copy(std::begin(settings), std::end(settings), state.faxSettings.begin() + 6);

    for (int i = 0; i < kPhonebookEntries; ++i) {
        state.phonebook[static_cast<std::size_t>(i * kPhonebookRecordSize)] =
            static_cast<std::uint8_t>(i + 1);
    }
    return state;
}

}  // namespace pd::sim
