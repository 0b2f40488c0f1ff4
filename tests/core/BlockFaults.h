// The faults the fax-settings and system-data blocks meet alike, as one typed test that each
// block's test file instantiates with a description of its block:
//
//   struct Block {
//       using Record = ...;
//       static bool Read(DeviceLink&, Record&);
//       static bool Write(DeviceLink&, const Record&);
//       static Record Stored();   // a record a failed read must leave as it was
//       static Record Written();  // a record the acknowledgement cases send
//       static auto DeviceCopy(const sim::VirtualDevice&);  // what the device keeps
//       static constexpr std::uint64_t kWriteWaitMs;  // the settle after a write
//       static constexpr int kFrameBytes;             // the whole write frame
//       static std::vector<FaultCase> ReadFaults();   // the block's own failing replies
//   };
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/core/RecordBench.h"

namespace pd::recordtest {

struct FaultCase {
    const char* what;
    std::function<void(sim::VirtualDevice&)> fault;
};

template <typename Block>
class BlockFaults : public ::testing::Test {};

TYPED_TEST_SUITE_P(BlockFaults);

// Every way a read can fail leaves the stored record exactly as it was, after the full wait: a
// read takes the record only from the whole block with a header that agrees.
TYPED_TEST_P(BlockFaults, FailedReadLeavesRecordUntouched) {
    using Block = TypeParam;
    std::vector<FaultCase> cases = {
        {"command cut short", [](sim::VirtualDevice& d) { d.faults.acceptBudget = 8; }},
        {"device unplugged", [](sim::VirtualDevice& d) { d.faults.unplugged = true; }},
        {"nothing comes back", [](sim::VirtualDevice& d) { d.faults.silent = true; }},
        {"header only", [](sim::VirtualDevice& d) { d.faults.replyLimit = 4; }},
        {"whole reply, length 0", [](sim::VirtualDevice& d) { d.faults.replyHeaderLength = 0; }},
    };
    for (FaultCase& own : Block::ReadFaults()) cases.push_back(std::move(own));
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        RecordBench bench;
        c.fault(bench.device);
        auto record = Block::Stored();
        const auto before = RawBytes(record);

        bool read = true;
        ExpectWaited(bench.Timed([&] { read = Block::Read(bench.link, record); }), 1000);

        EXPECT_FALSE(read);
        EXPECT_EQ(RawBytes(record), before);
    }
}

TYPED_TEST_P(BlockFaults, CommandCutShortReadsNothing) {
    RecordBench bench;
    bench.device.faults.acceptBudget = 8;
    typename TypeParam::Record record;

    EXPECT_FALSE(TypeParam::Read(bench.link, record));
    EXPECT_EQ(bench.Reads(), 0);
}

TYPED_TEST_P(BlockFaults, FrameCutShortFailsAfterTheFullWaitAndReadsNothing) {
    using Block = TypeParam;
    RecordBench bench;
    bench.device.faults.acceptBudget = Block::kFrameBytes - 1;
    const auto before = Block::DeviceCopy(bench.device);

    bool written = true;
    ExpectWaited(bench.Timed([&] { written = Block::Write(bench.link, {}); }), Block::kWriteWaitMs);

    EXPECT_FALSE(written);
    EXPECT_EQ(bench.Reads(), 0);
    EXPECT_EQ(Block::DeviceCopy(bench.device), before) << "the device took a partial frame";
}

// Whatever follows a whole frame, the record was handed over.
TYPED_TEST_P(BlockFaults, AcknowledgementIsNotJudged) {
    using Block = TypeParam;
    const FaultCase cases[] = {
        {"no acknowledgement", [](sim::VirtualDevice& d) { d.faults.silent = true; }},
        {"header only", [](sim::VirtualDevice& d) { d.faults.replyLimit = 4; }},
        {"length 0", [](sim::VirtualDevice& d) { d.faults.replyHeaderLength = 0; }},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        RecordBench bench;
        c.fault(bench.device);
        const auto record = Block::Written();

        bool written = false;
        ExpectWaited(bench.Timed([&] { written = Block::Write(bench.link, record); }),
                     Block::kWriteWaitMs);

        EXPECT_TRUE(written);
    }
}

// The acknowledgement of a block write is read into room for 10 bytes: no more, so that a
// chatty device cannot run past it, and no less, so that nothing of it is left for the next
// exchange to find.
TYPED_TEST_P(BlockFaults, WriteReadsItsAcknowledgementIntoTenBytes) {
    RecordBench bench;

    ASSERT_TRUE(TypeParam::Write(bench.link, {}));

    std::vector<std::string> reads;
    for (const std::string& call : bench.os.calls()) {
        if (call.starts_with("ReadFile ")) reads.push_back(call.substr(0, call.find(" ->")));
    }
    EXPECT_EQ(reads, std::vector<std::string>{R"(ReadFile \\.\LptxEcp1 10)"});
}

REGISTER_TYPED_TEST_SUITE_P(BlockFaults, FailedReadLeavesRecordUntouched,
                            CommandCutShortReadsNothing,
                            FrameCutShortFailsAfterTheFullWaitAndReadsNothing,
                            AcknowledgementIsNotJudged, WriteReadsItsAcknowledgementIntoTenBytes);

}  // namespace pd::recordtest
