#include <gtest/gtest.h>

#include "protocol/Waits.h"
#include "testing/FakeOs.h"

namespace pd {
namespace {

class WaitsTest : public ::testing::Test {
protected:
    sim::VirtualDevice device;
    FakeOs os{device};
};

TEST_F(WaitsTest, BothWaitsLastTheirLengthAnywhereOnTheTickCounter) {
    // Starting points: ordinary, 500 ms before the 32-bit wrap, and right at it. Each read of
    // the virtual counter costs a millisecond, so a wait of N ms reads it N + 1 times.
    for (const std::uint32_t start : {1000u, 0xFFFFFFFFu - 500u, 0xFFFFFFFFu}) {
        os.SetTick(start);
        std::uint64_t before = os.elapsed();
        EXPECT_EQ(ExchangeDelay(os, 1000), 1000u) << "exchange delay from " << start;
        EXPECT_EQ(os.elapsed() - before, 1001u) << "exchange delay from " << start;

        os.SetTick(start);
        before = os.elapsed();
        SettleWait(os, 500);
        EXPECT_EQ(os.elapsed() - before, 501u) << "settle wait from " << start;
    }
}

TEST_F(WaitsTest, ZeroLengthWaitsReturnAtOnce) {
    const std::uint64_t before = os.elapsed();
    EXPECT_LE(ExchangeDelay(os, 0), 1u);
    SettleWait(os, 0);
    EXPECT_LE(os.elapsed() - before, 4u);
}

}  // namespace
}  // namespace pd
