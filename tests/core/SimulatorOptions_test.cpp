#include "sim/SimulatorOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pd::sim {
namespace {

std::optional<SimulatorOptions> Parse(std::vector<std::string> arguments, std::string* error) {
    return ParseSimulatorOptions(arguments, error);
}

TEST(SimulatorOptions, Parse_AcceptsEachOptionAlone) {
    std::string error;
    EXPECT_TRUE(Parse({"--silent"}, &error)->silent);
    EXPECT_TRUE(Parse({"--reserved"}, &error)->reserved);
    EXPECT_TRUE(Parse({"--empty-phonebook"}, &error)->emptyPhonebook);
    EXPECT_TRUE(Parse({"--port-registers"}, &error)->portRegisters);
    EXPECT_TRUE(Parse({"--help"}, &error)->help);
    EXPECT_TRUE(Parse({"/?"}, &error)->help);
    EXPECT_EQ(Parse({"--state", R"(C:\demo\a.state)"}, &error)->statePath, R"(C:\demo\a.state)");
    EXPECT_EQ(Parse({"--state=b.state"}, &error)->statePath, "b.state");
    EXPECT_EQ(Parse({"--port", R"(Z:\tmp\pd-port-1)"}, &error)->portFolder, R"(Z:\tmp\pd-port-1)");
    EXPECT_EQ(Parse({"--exit-with", "1234"}, &error)->exitWithProcess, 1234u);
    EXPECT_EQ(Parse({"--exit-with=56"}, &error)->exitWithProcess, 56u);

    const auto none = Parse({}, &error);
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->silent || none->reserved || none->emptyPhonebook || none->help ||
                 none->portRegisters || none->exitWithProcess);
    EXPECT_TRUE(none->statePath.empty() && none->portFolder.empty());
}

TEST(SimulatorOptions, Parse_CombinesOptions) {
    std::string error;
    const auto options = Parse({"--silent", "--state", "x.state", "--reserved"}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->silent);
    EXPECT_TRUE(options->reserved);
    EXPECT_EQ(options->statePath, "x.state");
}

TEST(SimulatorOptions, Parse_RefusesWhatItCannotUse) {
    const struct {
        std::vector<std::string> arguments;
        const char* errorMentions;
    } cases[] = {
        {{"--loud"}, "--loud"},           {{"--state"}, "--state"},
        {{"--state="}, "--state"},        {{"--port"}, "--port"},
        {{"--exit-with"}, "--exit-with"}, {{"--exit-with", "12a"}, "12a"},
        {{"--exit-with", "-5"}, "-5"},    {{"--exit-with", "99999999999"}, "99999999999"},
        {{"--silent", "extra"}, "extra"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Parse(c.arguments, &error)) << c.arguments.front();
        EXPECT_NE(error.find(c.errorMentions), std::string::npos) << error;
    }
}

TEST(SimulatorOptions, DefaultStatePath_LiesBesideTheProgram) {
    EXPECT_EQ(DefaultStatePath(R"(C:\demo\mf40sim.exe)"), R"(C:\demo\mf40sim.state)");
    EXPECT_EQ(DefaultStatePath("/opt/demo/mf40sim.exe"), "/opt/demo/mf40sim.state");
    EXPECT_EQ(DefaultStatePath("mf40sim.exe"), "mf40sim.state");
}

}  // namespace
}  // namespace pd::sim
