#include "search/search_pass.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/text.h"
#include "tests/search/ts_builder.h"

namespace orbix {
namespace {

using namespace test;
using PacketList = std::vector<sim::TsPacket>;

// Packets grouped seven to a datagram; the last one filled up with nulls.
std::vector<Bytes> Datagrams(PacketList packets) {
    while (packets.size() % 7 != 0) packets.push_back(FillerPacket(0x1FFF));
    std::vector<Bytes> out;
    for (auto i = packets.begin(); i != packets.end(); i += 7) out.push_back(Join({i, i + 7}));
    return out;
}

Bytes Datagram(const sim::TsPacket& p) { return Datagrams(PacketList(7, p))[0]; }

class SearchPassTest : public ::testing::Test {
  protected:
    void Feed(const std::vector<Bytes>& datagrams) {
        for (const auto& d : datagrams) source.Add(d);
    }
    CSearchPass Pass() { return CSearchPass(source, filter, {pat, pmt, rows}, clock, stop); }
    void ReceivePatOf(const sim::MuxConfig& mux) {
        const auto section = Packets(0, sim::BuildPatSection(mux));
        PacketList cycle;
        for (std::size_t i = 0; i < 7; ++i) cycle.push_back(section[i % section.size()]);
        Feed(Datagrams(cycle));
        ASSERT_EQ(Pass().ReceivePat(), static_cast<int>(mux.programs.size()) + 1);
    }
    // The PMT packets of programs first..last-1.
    static PacketList Pmts(const sim::MuxConfig& mux, std::size_t first, std::size_t last) {
        PacketList out;
        for (std::size_t i = first; i < std::min(last, mux.programs.size()); ++i) {
            const auto pmt = Packets(mux.programs[i].pmtPid, sim::BuildPmtSection(mux.programs[i]));
            out.insert(out.end(), pmt.begin(), pmt.end());
        }
        return out;
    }

    CBufferDatagramSource source;
    CPidFilter filter;
    CVirtualClock clock;
    CStopSignal stop;
    PatTable pat;
    PmtTable pmt;
    SearchTable rows{};
};

// The PAT step takes only a datagram wholly on PID 0, and otherwise ends as
// after a time-out within its bound, the table left as it was.
TEST_F(SearchPassTest, PatStep) {
    const auto patPacket = Packets(0, PatSection({{0, 0x10}, {1, 0x100}, {2, 0x200}}))[0];
    PacketList mixed(7, FillerPacket(0x100));
    mixed[2] = patPacket;
    const std::vector<Bytes> others(kPatDatagramLimit + 50, Datagram(FillerPacket(0x44)));
    const Bytes cut(patPacket.begin(), patPacket.begin() + 15);
    const std::tuple<const char*, std::vector<Bytes>, int, std::size_t> cases[] = {
        {"mixed, then wholly on PID 0", {Datagrams(mixed)[0], Datagram(patPacket)}, 3, 2},
        {"nothing comes", {}, -1, 0},
        {"only other PIDs, for ever", others, -1, kPatDatagramLimit},
        {"a datagram cut inside its first packet", {cut}, -1, 1},
    };
    for (const auto& [what, datagrams, result, taken] : cases) {
        source = CBufferDatagramSource();
        Feed(datagrams);
        pat.count = 9;
        EXPECT_EQ(Pass().ReceivePat(), result) << what;
        EXPECT_EQ(source.Taken(), taken) << what;
        EXPECT_EQ(pat.count, result < 0 ? 9 : result) << what;
        EXPECT_EQ(filter.Table()[0], 0x6000) << what;
    }
}

// Datagrams with time-outs between them (an empty entry is a time-out).
class CGappySource final : public IDatagramSource {
  public:
    explicit CGappySource(std::vector<Bytes> items) : m_items(std::move(items)) {}
    int Receive(std::uint8_t* buffer, int size) override {
        if (m_next >= m_items.size() || m_items[m_next].empty()) return ++m_next, -1;
        const Bytes& d = m_items[m_next++];
        const int n = std::min(size, static_cast<int>(d.size()));
        std::copy_n(d.begin(), n, buffer);
        return n;
    }
    int Discard() override { return 0; }
    std::size_t Taken() const { return m_next; }

  private:
    std::vector<Bytes> m_items;
    std::size_t m_next = 0;
};

// A time-out in the PMT step keeps what came: rows of PMTs that came are
// filled, the others left cleared ("广播节目", PCR "0"); two time-outs in a
// row end a step. Whether the signal was lost is the tuner's lock where it
// is known, even after datagrams came; without it, a step in which nothing
// at all came.
TEST_F(SearchPassTest, TimeOutsKeepWhatCameAndOnlyALostSignalFails) {
    const sim::MuxConfig mux = sim::MakeMux(3, 0, 0, false);
    const std::vector<Bytes> pmts{Datagrams(Pmts(mux, 0, 2))[0], Datagrams(Pmts(mux, 2, 3))[0]};
    const Bytes all = Datagrams(Pmts(mux, 0, 3))[0], nulls = Datagram(FillerPacket(0x1FFF)), gap;
    // what comes, the lock, collected, PMTs found, receives made (3 / 7 + 5 at most)
    const std::tuple<const char*, std::vector<Bytes>, std::optional<bool>, bool, int, std::size_t>
        cases[] = {
            {"nothing at all", {}, {}, false, 0, 2},
            {"a slow PMT: time-outs between datagrams",
             {gap, pmts[0], gap, pmts[1], gap},
             {},
             true,
             3,
             5},
            {"the card stops after one datagram", {pmts[0], gap, gap, pmts[1]}, {}, true, 2, 3},
            {"only other PIDs: the PMTs never came", std::vector<Bytes>(5, nulls), {}, true, 0, 5},
            {"nothing comes, still locked", {}, true, true, 0, 2},
            {"nothing comes, lock lost", {}, false, false, 0, 2},
            {"the PMTs came, then the lock went", {all}, false, false, 0, 3},
            {"the PMTs came, locked", {all}, true, true, 3, 3},
        };
    for (const auto& [what, items, locked, collected, found, receives] : cases) {
        SCOPED_TRACE(what);
        source = CBufferDatagramSource();
        ReceivePatOf(mux);
        CGappySource gappy(items);
        CSearchPass pass(gappy, filter, {pat, pmt, rows}, clock, stop);
        if (locked) pass.SetLockState([l = *locked] { return l; });
        std::vector<std::pair<int, int>> progress;
        pass.SetPmtProgress([&](int n, int m) { progress.emplace_back(n, m); });
        EXPECT_EQ(pass.CollectPmts(4), collected);
        EXPECT_EQ(gappy.Taken(), receives);
        if (!collected) continue;
        EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{found, 3}}));
        const auto programs = pass.Programs();
        ASSERT_EQ(programs.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(programs[k].videoPid != "00", k < found) << k;
            if (k < found) continue;
            EXPECT_EQ(programs[k].pcrPid, "0") << k;
            EXPECT_EQ(programs[k].type, Gbk("广播节目")) << k;
        }
    }
}

// Like the card: each receive brings the PMT packets whose PIDs the filter
// holds at that moment, seven to a datagram, and nothing when it holds none.
class CFilteredSource final : public IDatagramSource {
  public:
    CFilteredSource(const CPidFilter& filter, PacketList pmts)
        : m_filter(filter), m_pmts(std::move(pmts)) {}
    int Receive(std::uint8_t* buffer, int size) override {
        const auto table = m_filter.Table();
        PacketList passing;
        for (const sim::TsPacket& p : m_pmts) {
            const std::uint16_t slot = PacketPid(p.data()) | CPidFilter::kProgramClass;
            if (std::ranges::find(table, slot) != table.end()) passing.push_back(p);
        }
        if (passing.empty()) return -1;
        std::rotate(passing.begin(), passing.begin() + (m_turn++ % passing.size()), passing.end());
        passing.resize(std::min<std::size_t>(passing.size(), 7));
        const Bytes d = Datagrams(passing)[0];
        const int n = std::min(size, static_cast<int>(d.size()));
        std::copy_n(d.begin(), n, buffer);
        return n;
    }
    int Discard() override { return 0; }

  private:
    const CPidFilter& m_filter;
    PacketList m_pmts;
    std::size_t m_turn = 0;
};

// Beside the user's PID list the PMTs go to the filter as many at a time as
// the list leaves room for, so that none is dropped for want of a slot. All
// batches must hold: a lock lost in any one of them, the first, a middle or
// the last, fails the search at once.
TEST_F(SearchPassTest, PmtBatchesLeaveTheUserPidsTheirSlots) {
    const sim::MuxConfig mux = sim::MakeMux(10, 0, 0, false);
    // user PIDs (29: four batches of three), the batch that loses the lock
    for (const auto& [userPids, lostIn] :
         {std::pair{0, 0}, {29, 0}, {30, 0}, {29, 1}, {29, 2}, {29, 4}, {30, 6}}) {
        SCOPED_TRACE(::testing::Message() << userPids << " user PIDs, lost in " << lostIn);
        source = CBufferDatagramSource();
        ReceivePatOf(mux);
        std::vector<std::uint16_t> user;
        for (int i = 0; i < userPids; ++i) user.push_back(static_cast<std::uint16_t>(0x1000 + i));
        filter.SetUserPids(user);
        CFilteredSource card(filter, Pmts(mux, 0, 10));
        CSearchPass pass(card, filter, {pat, pmt, rows}, clock, stop);
        pass.SetBatchSize(filter.ProgramRoom());
        int batches = 0;
        pass.SetLockState([&, lostIn = lostIn] { return ++batches != lostIn; });
        ASSERT_EQ(pass.CollectPmts(11), lostIn == 0);
        EXPECT_EQ(filter.ProgramRoom(), 32 - userPids) << "the user's PIDs stay";
        if (lostIn != 0) {
            EXPECT_EQ(batches, lostIn) << "no batch after the lost one";
            continue;
        }
        const auto programs = pass.Programs();
        ASSERT_EQ(programs.size(), 10u);
        for (const ProgramEntry& p : programs) EXPECT_NE(p.videoPid, "00") << Utf8(p.name);
    }
}

TEST(MakeProgramEntry, FillsTheRecordFromThePatEntryAndItsRow) {
    // key number, PAT index, program (number, PMT, PCR, streams of type and PID),
    // key|name|type|pmt|audio 1|audio 2|video|pcr
    const std::tuple<int, int, sim::MuxProgram, const char*> cases[] = {
        // clang-format off
        {1, 1, {1, 0x100, 0x101, {{2, 0x101}, {4, 0x102}, {4, 0x103}}},
         "节目1|节目1|电视节目|100|102|103|101|101"},
        {2, 2, {2, 0x1FF, 0x202, {{4, 0x201}, {1, 0x202}, {3, 0x203}, {4, 0x204}}},
         "节目2|节目2|电视节目|1ff|201|204|202|202"},
        {1, 0, {5, 0x30, 0x31, {{2, 0x31}, {2, 0x32}}}, "节目1|节目0|电视节目|30|00|00|32|31"},
        {3, 4, {9, 0x900, 0x901, {{3, 0x901, true}}},
         "节目3|节目4(加扰)|广播节目|900|901|00|00|901"},
        {3, 4, {9, 0x900, 0x901, {{3, 0x901}}, true},
         "节目3|节目4(加扰)|广播节目|900|901|00|00|901"},
        // Today's video: H.264, HEVC, MPEG-4 visual; today's audio: AAC ADTS,
        // AAC LATM, AC-3, and private data with an AC-3, E-AC-3 or DTS descriptor.
        {1, 1, {1, 0x40, 0x41, {{0x1B, 0x41}, {0x0F, 0x42}, {0x11, 0x43}}},
         "节目1|节目1|电视节目|40|42|43|41|41"},
        {1, 1, {1, 0x40, 0x41, {{0x24, 0x41}, {0x81, 0x42}, {6, 0x43, false, 0x7A}}},
         "节目1|节目1|电视节目|40|42|43|41|41"},
        {1, 1, {1, 0x40, 0x41, {{0x10, 0x41}, {6, 0x42, false, 0x6A}, {6, 0x43, false, 0x7B}}},
         "节目1|节目1|电视节目|40|42|43|41|41"},
        // Private data without such a descriptor, and other types, are neither.
        {1, 1, {1, 0x40, 0x42, {{6, 0x41}, {6, 0x43, false, 0x59}, {0x15, 0x44}}},
         "节目1|节目1|广播节目|40|00|00|00|42"},
        // clang-format on
    };
    for (const auto& [key, index, program, expected] : cases)
        EXPECT_EQ(Fields(EntryOf(key, index, program)), expected);
}

}  // namespace
}  // namespace orbix
