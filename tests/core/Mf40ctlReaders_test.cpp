// The reader and writer of the companion's backup document, as pure functions: text in, a
// snapshot and its problems out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "mf40ctl/BackupDocument.h"

namespace pd::ctl {
namespace {

using ::testing::HasSubstr;

DeviceSnapshot SampleSnapshot() {
    DeviceSnapshot snapshot;
    snapshot.model = "Ostrex MF 40";
    snapshot.firmwareVersion = "1.12";
    snapshot.faxSettings.trayPaperSize = 7;  // one the page cannot show
    snapshot.faxSettings.answerDelay = 3;
    snapshot.faxSettings.redialInterval = 1;
    snapshot.system.language = 9;
    snapshot.system.alarmSound = 2;
    std::snprintf(snapshot.system.customerName, sizeof snapshot.system.customerName, "%s",
                  "M\xC4KINEN");
    snapshot.phonebook.SetEntry(0, "VELTRA", "0912");
    snapshot.phonebook.SetEntry(4, "GROUP", "\xE0\x01\x02\x03");
    snapshot.phonebook.SetEntry(79, "lower", "");
    return snapshot;
}

TEST(BackupDocument, WrittenDocumentReadsBackToTheSameState) {
    const DeviceSnapshot snapshot = SampleSnapshot();
    const std::string text = WriteBackupDocument(snapshot);
    EXPECT_THAT(text, HasSubstr("\"trayPaperSize\": {\n      \"deviceByte\": 7\n    }"));
    EXPECT_THAT(text, HasSubstr("\"customerName\": \"MÄKINEN\""));
    EXPECT_THAT(text, HasSubstr("\"groupDial\": \"E0010203\""));
    const BackupReading reading = ReadBackupDocument(text);
    ASSERT_TRUE(reading.snapshot) << ::testing::PrintToString(reading.problems);
    EXPECT_EQ(reading.snapshot->model, snapshot.model);
    EXPECT_EQ(reading.snapshot->firmwareVersion, snapshot.firmwareVersion);
    EXPECT_EQ(reading.snapshot->faxSettings, snapshot.faxSettings);
    EXPECT_EQ(reading.snapshot->system, snapshot.system);
    EXPECT_TRUE(std::equal(snapshot.phonebook.Bytes().begin(), snapshot.phonebook.Bytes().end(),
                           reading.snapshot->phonebook.Bytes().begin()));
}

TEST(BackupDocument, EveryFaultOfADocumentIsNamed) {
    const std::string good = WriteBackupDocument(SampleSnapshot());
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    struct Case {
        std::string text;
        const char* problem;
    };
    const Case cases[] = {
        {"{\"format\": ", "not valid JSON"},
        {"[1, 2]", "the document must be a JSON object"},
        {replaced("mf40ctl backup", "something else"), "format: is not \"mf40ctl backup\""},
        {replaced("\"formatVersion\": 1", "\"formatVersion\": 2"), "formatVersion: must be 1"},
        {replaced("Ostrex MF 40", "Ostrex Ж"), "model: contains 'Ж' (U+0416)"},
        {replaced("\"answerDelay\": 3", "\"answerDelay\": 9"),
         "faxSettings.answerDelay: 9 is not one of 1..7"},
        {replaced("\"answerDelay\": 3", "\"answerDelai\": 3"),
         "faxSettings.answerDelay: is missing"},
        {replaced("\"answerDelay\": 3", "\"answerDelay\": 3, \"colour\": 1"),
         "faxSettings.colour: is not a known name"},
        {replaced("\"language\": \"Suomi\"", "\"language\": \"Klingon\""),
         "advancedOptions.language: 'Klingon' is not one of English"},
        {replaced("\"MÄKINEN\"", "\"" + std::string(21, 'A') + "\""),
         "advancedOptions.customerName: is 21 characters long; at most 20 fit"},
        {replaced("\"MÄKINEN\"", "\"Москва\""), "which Windows-1252 does not have"},
        {replaced("\"nro\": 80", "\"nro\": 81"), "phonebook[2]: nro must be a number 1..80"},
        {replaced("\"nro\": 80", "\"nro\": 1"), "phonebook[2]: entry 1 is given twice"},
        {replaced("\"E0010203\"", "\"01\""), "phonebook[1].groupDial: must be hexadecimal"},
        {replaced("\"number\": \"0912\"", "\"numero\": \"0912\""),
         "phonebook[0].numero: is not a known name"},
        {replaced("\"name\": \"VELTRA\",", "\"name\": \"VELTRA\", \"name\": \"OTHER\","),
         "phonebook[].name: is given more than once; a name may stand only once in its object"},
        {replaced("\"phonebook\": [", "\"phonebook\": {\"x\": ["), "not valid JSON"},
        // A number too large for any type the parser has is refused, not thrown at the caller.
        {replaced("\"answerDelay\": 3", "\"answerDelay\": 1E400"), "not valid JSON"},
    };
    for (const Case& c : cases) {
        const BackupReading reading = ReadBackupDocument(c.text);
        EXPECT_FALSE(reading.snapshot) << c.problem;
        std::string problems;
        for (const std::string& problem : reading.problems) problems += problem + "\n";
        EXPECT_THAT(problems, HasSubstr(c.problem));
    }
}

}  // namespace
}  // namespace pd::ctl
