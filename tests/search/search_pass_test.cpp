#include "search/search_pass.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/search/ts_builder.h"

namespace orbix {
namespace {

using test::Bytes;

// Packets grouped seven to a datagram; the last one filled up with nulls.
std::vector<Bytes> Datagrams(std::vector<sim::TsPacket> packets) {
    while (packets.size() % 7 != 0) packets.push_back(test::FillerPacket(0x1FFF));
    std::vector<Bytes> out;
    for (std::size_t i = 0; i < packets.size(); i += 7) {
        out.push_back(test::Join(
            {packets.begin() + static_cast<long>(i), packets.begin() + static_cast<long>(i) + 7}));
    }
    return out;
}

std::vector<sim::TsPacket> Repeat(const sim::TsPacket& p, int n) {
    return std::vector<sim::TsPacket>(n, p);
}

class SearchPassTest : public ::testing::Test {
  protected:
    void Feed(const std::vector<Bytes>& datagrams) {
        for (const auto& d : datagrams) source.Add(d);
    }
    CSearchPass Pass() { return CSearchPass(source, filter, {pat, pmt, rows}, clock, stop); }
    // The PAT of mux, received.
    void ReceivePatOf(const sim::MuxConfig& mux) {
        const auto section = test::Packets(0, sim::BuildPatSection(mux));
        std::vector<sim::TsPacket> cycle;
        for (std::size_t i = 0; i < 7; ++i) cycle.push_back(section[i % section.size()]);
        Feed(Datagrams(cycle));
        ASSERT_EQ(Pass().ReceivePat(), static_cast<int>(mux.programs.size()) + 1);
    }
    std::vector<sim::TsPacket> Pmts(const sim::MuxConfig& mux, std::size_t first,
                                    std::size_t last) {
        std::vector<sim::TsPacket> packets;
        for (std::size_t i = first; i < last && i < mux.programs.size(); ++i) {
            for (const auto& p :
                 test::Packets(mux.programs[i].pmtPid, sim::BuildPmtSection(mux.programs[i]))) {
                packets.push_back(p);
            }
        }
        return packets;
    }

    CBufferDatagramSource source;
    CPidFilter filter;
    CVirtualClock clock;
    CStopSignal stop;
    PatTable pat;
    PmtTable pmt;
    SearchTable rows{};
};

TEST_F(SearchPassTest, PatStepTakesOnlyDatagramsWhollyOnPid0) {
    const auto patPacket =
        test::Packets(0, test::PatSection({{0, 0x10}, {1, 0x100}, {2, 0x200}}))[0];
    auto mixed = Repeat(test::FillerPacket(0x100), 7);
    mixed[2] = patPacket;
    Feed(Datagrams(mixed));
    Feed(Datagrams(Repeat(patPacket, 7)));
    EXPECT_EQ(Pass().ReceivePat(), 3);
    EXPECT_EQ(source.Taken(), 2u);
    EXPECT_EQ(filter.Table()[0], 0x6000);
}

TEST_F(SearchPassTest, PatStepEndsAsAfterATimeOut) {
    const auto patPacket = test::Packets(0, test::PatSection({{1, 0x100}}))[0];
    const struct {
        const char* what;
        std::vector<Bytes> datagrams;
        std::size_t taken;
    } cases[] = {
        {"nothing comes", {}, 0},
        {"only other PIDs, for ever",
         std::vector<Bytes>(kPatDatagramLimit + 50,
                            Datagrams(Repeat(test::FillerPacket(0x44), 7))[0]),
         kPatDatagramLimit},
        {"a datagram cut inside its first packet",
         {Bytes(patPacket.begin(), patPacket.begin() + 15)},
         1},
        {"a zero-filled datagram", {Bytes(kDatagramSize, 0)}, 1},
    };
    for (const auto& c : cases) {
        source = CBufferDatagramSource();
        Feed(c.datagrams);
        pat.count = 9;
        EXPECT_EQ(Pass().ReceivePat(), -1) << c.what;
        EXPECT_EQ(source.Taken(), c.taken) << c.what;
        EXPECT_EQ(pat.count, 9) << c.what;
    }
}

TEST_F(SearchPassTest, CollectsThePmtsOfUpTo32Programs) {
    sim::MuxConfig mux = sim::MakeMux(3, 1, 2, true);
    ReceivePatOf(mux);
    // The PMT of the last program never comes; other PIDs come between.
    auto packets = Pmts(mux, 0, 3);
    packets.insert(packets.begin() + 1, test::FillerPacket(0x777));
    Feed(Datagrams(packets));
    Feed(std::vector<Bytes>(5, Datagrams(Repeat(test::FillerPacket(0x1FFF), 7))[0]));
    CSearchPass pass = Pass();
    ASSERT_TRUE(pass.CollectPmts(5));
    // 5 / 7 + 5 datagrams for 5 entries.
    EXPECT_EQ(source.Taken(), 1u + 5u);
    // The filter passes the four PMT PIDs, not the network PID.
    EXPECT_EQ(filter.Table()[0], 0x6000 | mux.programs[0].pmtPid);
    EXPECT_EQ(filter.Table()[4], 0);
    const auto programs = pass.Programs();
    ASSERT_EQ(programs.size(), 4u);
    EXPECT_EQ(Utf8(programs[0].name), "节目1(加扰)");
    EXPECT_EQ(programs[0].audioPid2, "1809");  // the last of the long PMT's 14 streams
    EXPECT_EQ(Utf8(programs[1].name), "节目2(加扰)");
    EXPECT_EQ(Utf8(programs[2].type), "电视节目");
    EXPECT_EQ(Utf8(programs[3].name), "节目4");
    EXPECT_EQ(Utf8(programs[3].type), "广播节目");
    EXPECT_EQ(programs[3].pcrPid, "0");
    EXPECT_EQ(programs[3].audioPid1, "00");
}

TEST_F(SearchPassTest, CollectsMoreThan32ProgramsInBatches) {
    sim::MuxConfig mux = sim::MakeMux(40, 3, 0, false);
    ReceivePatOf(mux);
    // Entry 0 is the network entry: batch 1 holds programs 1..31, batch 2
    // programs 32..43.
    // 32 / 7 + 5 datagrams for the first batch, 12 / 7 + 5 for the second.
    const auto filler = Datagrams(Repeat(test::FillerPacket(0x1FFF), 7))[0];
    Feed(Datagrams(Pmts(mux, 0, 31)));
    Feed(std::vector<Bytes>(4, filler));
    Feed(Datagrams(Pmts(mux, 31, 43)));
    Feed(std::vector<Bytes>(4, filler));
    CSearchPass pass = Pass();
    ASSERT_TRUE(pass.CollectPmts(44));
    EXPECT_EQ(source.Taken(), 1u + 9u + 6u);
    const auto programs = pass.Programs();
    ASSERT_EQ(programs.size(), 43u);
    for (std::size_t i = 0; i < programs.size(); ++i) {
        char video[8];
        std::snprintf(video, sizeof video, "%x", mux.programs[i].streams[0].pid);
        EXPECT_EQ(programs[i].videoPid, i < 40 ? std::string(video) : std::string("00")) << i;
    }
    // The last batch's filter: entries 32..43.
    EXPECT_EQ(filter.Table()[0], 0x6000 | mux.programs[31].pmtPid);
    EXPECT_EQ(filter.Table()[12], 0);
}

TEST_F(SearchPassTest, SilenceWhileCollectingFailsTheStep) {
    sim::MuxConfig mux = sim::MakeMux(40, 0, 0, false);
    for (const int stopAfter : {0, 3, 9 + 2}) {
        source = CBufferDatagramSource();
        ReceivePatOf(mux);
        auto all = Datagrams(Pmts(mux, 0, 40));
        all.resize(static_cast<std::size_t>(stopAfter));
        Feed(all);
        EXPECT_FALSE(Pass().CollectPmts(41)) << stopAfter;
    }
}

}  // namespace
}  // namespace orbix
