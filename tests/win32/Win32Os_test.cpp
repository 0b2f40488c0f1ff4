#include <gtest/gtest.h>
#include "platform/Win32Os.h"
TEST(Smoke, Tick) { pd::Win32Os os; EXPECT_NE(os.TickCount(), 0u); }
