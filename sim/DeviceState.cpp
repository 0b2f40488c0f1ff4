#include "sim/DeviceState.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "protocol/ByteOrder.h"
#include "protocol/PhonebookTable.h"

namespace pd::sim {

namespace {

// Writes `text` space-padded into `width` bytes at reply offset `replyOffset`.
void PutText(DeviceState& state, int replyOffset, int width, const char* text) {
    std::uint8_t* field = state.systemData.data() + replyOffset - 4;
    std::memset(field, ' ', static_cast<std::size_t>(width));
    std::memcpy(field, text, std::min<std::size_t>(std::strlen(text), width));
}

// Writes one phonebook record as the device keeps it: its entry number, then each field's bytes
// with the rest of the field FF, as a write from the panel leaves it.
void PutRecord(DeviceState& state, int entry, std::string_view name,
               std::span<const std::uint8_t> number) {
    std::uint8_t* record =
        state.phonebook.data() + static_cast<std::size_t>((entry - 1) * kPhonebookRecordSize);
    std::fill(record, record + kPhonebookRecordSize, 0xFF);
    record[0] = static_cast<std::uint8_t>(entry);
    std::copy(name.begin(), name.end(), record + 1);
    std::copy(number.begin(), number.end(), record + 21);
}

void PutRecord(DeviceState& state, int entry, std::string_view name, std::string_view number) {
    PutRecord(state, entry, name,
              std::span(reinterpret_cast<const std::uint8_t*>(number.data()), number.size()));
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

void PutSamplePhonebook(DeviceState& state) {
    // Names as the device's own keys store them: capitals, with Ä (C4) and Ö (D6) of its
    // Windows-1252 character set.
    struct Sample {
        int entry;
        std::string_view name;
        std::string_view number;
    };
    static constexpr Sample kSamples[] = {
        {1, "H\xC4M\xC4L\xC4INEN AINO", "0912345670"},
        {2, "KORHONEN MATTI", "0401234561"},
        {3, "VIRTASEN KONEPAJA", "0214567802"},
        {4, "M\xC4KEL\xC4 LIISA", "0507654323"},
        {5, "NIEMI TAPIO", "0131234564"},
        {6, "LAHDEN TILITOIMISTO", "0384567895"},
        {7, "J\xC4RVINEN EERO", "0447654326"},
        {8, "SALO KAISA", "0171234567"},
        {9, "T\xD6RM\xC4NEN OSKARI", "0408765438"},
        {10, "KOSKI HELENA", "0621234569"},
        {11, "PELTOSEN PUUTARHA", "0192345670"},
        {12, "\xD6STERBERG LARS", "0181234561"},
        {13, "HUOLTO 24H", "0800123452"},
    };
    for (const Sample& sample : kSamples)
        PutRecord(state, sample.entry, sample.name, sample.number);

    // Two group dials: the marker, then the device's own group data (here the entry numbers of
    // the members), which nobody but the device reads.
    const std::uint8_t office[] = {kGroupDialMarker, 1, 2, 4, 7};
    const std::uint8_t service[] = {kGroupDialMarker, 3, 13};
    PutRecord(state, 20, "RYHM\xC4 TOIMISTO", office);
    PutRecord(state, 21, "RYHM\xC4 HUOLTO", service);
}

}  // namespace pd::sim
