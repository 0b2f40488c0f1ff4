// The companion's text rules: Windows-1252 both ways, what may reach the terminal and the
// pages' value forms.
#include <gtest/gtest.h>

#include <string>

#include "mf40ctl/DeviceFields.h"
#include "mf40ctl/TerminalText.h"

namespace pd::ctl {
namespace {

TEST(Windows1252, HighControlRangeMapsToItsCharactersBothWays) {
    struct Case {
        unsigned char byte;
        const char* utf8;
    };
    const Case cases[] = {
        {0x80, "€"},
        {0x82, "‚"},
        {0x83, "ƒ"},
        {0x84, "„"},
        {0x85, "…"},
        {0x86, "†"},
        {0x87, "‡"},
        {0x88, "ˆ"},
        {0x89, "‰"},
        {0x8A, "Š"},
        {0x8B, "‹"},
        {0x8C, "Œ"},
        {0x8E, "Ž"},
        {0x91, "‘"},
        {0x92, "’"},
        {0x93, "“"},
        {0x94, "”"},
        {0x95, "•"},
        {0x96, "–"},
        {0x97, "—"},
        {0x98, "˜"},
        {0x99, "™"},
        {0x9A, "š"},
        {0x9B, "›"},
        {0x9C, "œ"},
        {0x9E, "ž"},
        {0x9F, "Ÿ"},
        // Undefined in Windows-1252: the control character of the same number, as Windows does.
        {0x81, "\xC2\x81"},
        {0x8D, "\xC2\x8D"},
        {0x8F, "\xC2\x8F"},
        {0x90, "\xC2\x90"},
        {0x9D, "\xC2\x9D"},
    };
    for (const Case& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(Windows1252ToUtf8(byte), c.utf8) << "byte " << int(c.byte);
        const Windows1252Text back = Utf8ToWindows1252(c.utf8);
        EXPECT_TRUE(back.ok) << c.utf8;
        EXPECT_EQ(back.bytes, byte) << c.utf8;
    }
}

TEST(Windows1252, FinnishLettersAndEveryByteSurviveTheRoundTrip) {
    EXPECT_EQ(Windows1252ToUtf8("\xC5\xC4\xD6\xE5\xE4\xF6"), "ÅÄÖåäö");
    EXPECT_EQ(Utf8ToWindows1252("Mäkinen Öljy Åke").bytes, "M\xE4kinen \xD6ljy \xC5ke");
    std::string every;
    for (int byte = 1; byte < 256; ++byte) every += static_cast<char>(byte);
    const Windows1252Text back = Utf8ToWindows1252(Windows1252ToUtf8(every));
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.bytes, every);
}

TEST(Windows1252, RefusesWhatItCannotCarry) {
    struct Case {
        std::string utf8;
        const char* error;
    };
    const Case cases[] = {
        {"Москва", "(U+041C), which Windows-1252 does not have"},
        {"a\xE2\x82", "is not valid UTF-8 (at byte 2)"},
        {"\xC0\xAF", "is not valid UTF-8 (at byte 1)"},      // overlong '/'
        {"\xED\xA0\x80", "is not valid UTF-8 (at byte 1)"},  // a surrogate
        {"\xFF", "is not valid UTF-8 (at byte 1)"},
        {std::string("a\0b", 3), "contains a zero character"},
    };
    for (const Case& c : cases) {
        const Windows1252Text result = Utf8ToWindows1252(c.utf8);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    }
}

TEST(EscapeForTerminal, ControlsAndBrokenBytesBecomeVisibleAndTheRestStays) {
    struct Case {
        std::string text;
        const char* shown;
    };
    const Case cases[] = {
        {"PLAIN TEXT, 09-123 #*", "PLAIN TEXT, 09-123 #*"},
        {"ÅÄÖ € ™", "ÅÄÖ € ™"},
        {"\x1B[2J\x1B]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
        {"a\tb\r\nc", "a\\x09b\\x0D\\x0Ac"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\x7F", "\\x7F"},
        {"\xC2\x9B\xC2\x85", "\\x9B\\x85"},  // C1: CSI and NEL
        {"\xC2\xA0", "\xC2\xA0"},            // no-break space is no control
        {"\xFF\xE2\x82 \xC0\xAF", "\\xFF\\xE2\\x82 \\xC0\\xAF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeForTerminal(c.text), c.shown) << ::testing::PrintToString(c.text);
    }
    EXPECT_EQ(Windows1252ForTerminal("M\xC4KI\x9D\x1B"), "MÄKI\\x9D\\x1B");
}

TEST(DeviceFields, ValuesAreTakenAsThePagesShowThem) {
    struct Case {
        const char* name;
        const char* value;
        int byte;
    };
    const Case cases[] = {
        {"trayPaperSize", "A4", 1},
        {"trayPaperSize", "legal", 2},
        {"bypassPaperType", "Värillinen", 6},
        {"sendConfirmation", "Kun virhe", 2},
        {"remoteReceiveCode", "*9*", 9},
        {"powerSave", "off", 0},
        {"powerSave", "5", 1},
        {"powerSave", "45", 5},
        {"answerDelay", "1", 1},
        {"answerDelay", "7", 7},
        {"discardLength", "0", 0},
        {"discardLength", "30", 30},
        {"redialAttempts", "13", 13},
        {"clockFormat", "24 t", 1},
        {"ecmMode", "on", 1},
        {"ecmMode", "OFF", 0},
    };
    for (const Case& c : cases) {
        const FaxSettingField* field = FindFaxSetting(c.name);
        ASSERT_NE(field, nullptr) << c.name;
        std::string error;
        EXPECT_EQ(ParseByte(field->rule, c.value, &error), std::optional<std::uint8_t>(c.byte))
            << c.name << "=" << c.value << ": " << error;
    }
}

TEST(DeviceFields, ValuesOutsideThePagesListsAndRangesAreRefused) {
    struct Case {
        const char* name;
        const char* value;
        const char* error;
    };
    const Case cases[] = {
        {"trayPaperSize", "A3", "'A3' is not one of Letter, A4, Legal"},
        {"powerSave", "20", "not one of off, 5, 10, 15, 30, 45 (minutes)"},
        {"powerSave", "0", "not one of off"},
        {"answerDelay", "0", "is not one of 1..7"},
        {"answerDelay", "8", "is not one of 1..7"},
        {"answerDelay", "+3", "is not one of 1..7"},
        {"answerDelay", "", "is not one of 1..7"},
        {"discardLength", "31", "is not one of 0..30"},
        {"redialInterval", "16", "is not one of 1..15"},
        {"redialAttempts", "14", "is not one of 0..13"},
        {"autoJournal", "maybe", "is not one of on, off"},
        {"remoteReceiveCode", "5", "is not one of *0*"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseByte(FindFaxSetting(c.name)->rule, c.value, &error))
            << c.name << "=" << c.value;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
    }
}

TEST(DeviceFields, AdvancedTextsFollowTheirEditsSetsAndLimits) {
    struct Case {
        const char* name;
        std::string value;
        std::optional<std::string> stored;  // nothing: refused
    };
    const Case cases[] = {
        {"customerName", "veltra oy", "VELTRA OY"},
        {"customerName", "A&B, O'Neil-Co./#1*", "A&B, O'NEIL-CO./#1*"},
        {"customerName", std::string(20, 'x'), std::string(20, 'X')},
        {"customerName", std::string(21, 'x'), std::nullopt},
        {"customerName", "Mäkinen", std::nullopt},
        {"customerName", "a_b", std::nullopt},
        {"customerNumber", "09p123#*", "09P123#*"},
        {"customerNumber", "09 123", std::nullopt},
        {"deviceIdNumber", "+358 9 123", "+358 9 123"},
        {"deviceIdNumber", "09-123", std::nullopt},
        {"numberPrefix", "00000", "00000"},
        {"numberPrefix", "000000", std::nullopt},
        {"serviceNumber", std::string(46, '1'), std::string(46, '1')},
        {"serviceNumber", std::string(47, '1'), std::nullopt},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto stored = ParseEditText(FindAdvancedOption(c.name)->rule, c.value, &error);
        EXPECT_EQ(stored, c.stored) << c.name << "=" << c.value << ": " << error;
        if (!c.stored) {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(DeviceFields, ByteThePageCannotShowIsKeptInJson) {
    const FieldSpec& tray = FindFaxSetting("trayPaperSize")->rule;
    EXPECT_EQ(ByteToJson(tray, 1), "A4");
    EXPECT_EQ(ByteToJson(tray, 7).dump(), R"({"deviceByte":7})");
    std::string error;
    EXPECT_EQ(ByteFromJson(tray, ByteToJson(tray, 7), &error), std::optional<std::uint8_t>(7));
    EXPECT_FALSE(ByteFromJson(tray, nlohmann::ordered_json{{"deviceByte", 256}}, &error));
    const FieldSpec& delay = FindFaxSetting("answerDelay")->rule;
    EXPECT_EQ(ByteToJson(delay, 3), 3);
    EXPECT_EQ(ByteToJson(delay, 9).dump(), R"({"deviceByte":9})");
    EXPECT_FALSE(ByteFromJson(delay, 9, &error));
    EXPECT_FALSE(ByteFromJson(delay, "3", &error));
    const FieldSpec& ecm = FindFaxSetting("ecmMode")->rule;
    EXPECT_EQ(ByteToJson(ecm, 1), true);
    EXPECT_EQ(DescribeByte(ecm, 2), "(device byte 2, not a value the page offers)");
}

}  // namespace
}  // namespace pd::ctl
