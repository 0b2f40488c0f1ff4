#include <gtest/gtest.h>
#include "platform/FakeOs.h"
#include "protocol/Probe.h"
TEST(Smoke, Builds) { pd::sim::VirtualDevice d; pd::FakeOs os(d); pd::DeviceLink link(os); EXPECT_FALSE(link.state().nt5Family); }
