#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "db/pid_list.h"
#include "platform/stream_port.h"
#include "search/program_search.h"
#include "search/search_pass.h"
#include "search/udp_receiver.h"
#include "sim/si_generator.h"
#include "sim/stream_output.h"
#include "support/card_fixture.h"
#include "tests/search/ts_builder.h"

namespace orbix {
namespace {

using namespace std::chrono_literals;
using namespace test;

// A stream port of this process's own, set before anything reads it, so that
// other test runs on the machine cannot cross its streams.
const int kPort = [] {
    ::setenv("ORBIXRX_STREAM_PORT", std::to_string(20000 + ::getpid() % 20000).c_str(), 1);
    return StreamPort();
}();

// What the search shows; read only after the search has ended.
struct CTreeRecorder final : IProgramTree, IStatusText {
    void AddProgramItem(const std::string& name, bool) override { items.push_back(Utf8(name)); }
    void ExpandFirstItem() override {}
    void Redraw() override {}
    void SetStatusText(const std::string& text) override { status = Utf8(text); }
    std::vector<std::string> items;
    std::string status;
};

TEST(UdpReceiver, TimesOutAndTellsFailures) {
    CRecordingNotices notices;
    CUdpReceiver receiver(notices, 300);
    ASSERT_TRUE(receiver.Create() && receiver.Bind(kPort));
    std::vector<std::uint8_t> buffer(100, 0xAB);
    EXPECT_EQ(receiver.Receive(buffer.data(), 100), -1);
    EXPECT_EQ(receiver.LastError(), "Receive data failure!Error NO. is 11");
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(100, 0xAB));
    EXPECT_FALSE(receiver.Bind(kPort));  // closes the socket; closing again fails too
    EXPECT_FALSE(receiver.IsOpen());
    EXPECT_FALSE(receiver.Close());
    EXPECT_EQ(notices.TextsUtf8(),
              (std::vector<std::string>{"Binding failure!Error NO. is 22",
                                        "close socket failure!Error NO. is 9"}));
    EXPECT_TRUE(receiver.Create() && receiver.Bind(kPort) && receiver.Close());
}

// Datagrams that reach a socket on the port within the time.
std::vector<Bytes> ReceiveFor(CUdpReceiver& receiver, std::chrono::milliseconds time) {
    std::vector<Bytes> out;
    for (const auto end = std::chrono::steady_clock::now() + time;
         std::chrono::steady_clock::now() < end;) {
        Bytes d(2000);
        d.resize(static_cast<std::size_t>(std::max(0, receiver.Receive(d.data(), 2000))));
        if (!d.empty()) out.push_back(std::move(d));
    }
    return out;
}

// The output reads a PID table with the PAT in use and PMT 0x1001 in a slot
// marked free, and the control byte and lock of the test's phase. A stream
// file that cannot be read is told once, naming it, however long it stays locked.
TEST(StreamOutput, EverySocketOnThePortGetsOnlyThePidsInUseWhileLockedAndSupplied) {
    enum { kUnlocked, kSupplyOff, kPlaying, kUnplayable };
    std::atomic<int> phase{kUnlocked}, unplayableAsked{0};
    const std::array<std::uint16_t, 32> table{0x6000, 0x1001};
    sim::CStreamOutput output{
        {[&] { return table; },
         [&] { return static_cast<std::uint8_t>(phase == kSupplyOff ? 0x04 : 3); }},
        [&]() -> std::optional<sim::LockedStream> {
            if (phase == kUnlocked) return std::nullopt;
            if (phase == kUnplayable && ++unplayableAsked)
                return sim::LockedStream{"S/T", "file:/no/such/stream.ts", 0};
            return sim::LockedStream{"a", "mux:tv=2,rate=2000000,psi=10", 0};
        }};
    CRecordingNotices notices;
    CUdpReceiver first(notices, 100), second(notices, 100);
    ASSERT_TRUE(first.Create() && first.Bind(kPort) && second.Create() && second.Bind(kPort));
    std::string error;
    ASSERT_TRUE(output.Start(error)) << error;

    EXPECT_TRUE(ReceiveFor(first, 400ms).empty()) << "not locked";
    phase = kSupplyOff;  // tone on, supply off
    EXPECT_TRUE(ReceiveFor(first, 400ms).empty()) << "LNB supply off";
    phase = kPlaying;
    const auto got = ReceiveFor(first, 600ms);
    ASSERT_FALSE(got.empty()) << "locked and supplied";
    EXPECT_FALSE(ReceiveFor(second, 100ms).empty());
    std::set<int> pids;
    for (const auto& d : got) {
        ASSERT_EQ(d.size(), static_cast<std::size_t>(kDatagramSize));
        for (int slot = 0; slot < 7; ++slot) pids.insert(PacketPid(d.data() + slot * 188));
    }
    EXPECT_EQ(pids, std::set<int>{0});
    // A stream that cannot be played sends nothing and says why, once.
    ::testing::internal::CaptureStderr();
    phase = kUnplayable;
    ReceiveFor(first, 100ms);
    EXPECT_TRUE(ReceiveFor(first, 300ms).empty());
    for (int i = 0; i < 10'000 && unplayableAsked < 50; ++i) std::this_thread::sleep_for(1ms);
    output.Stop();
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_GE(unplayableAsked.load(), 50);
    EXPECT_NE(output.SourceError().find("/no/such/stream.ts"), std::string::npos);
    const auto at = told.find("/no/such/stream.ts");
    ASSERT_NE(at, std::string::npos) << told;
    EXPECT_EQ(told.find("/no/such/stream.ts", at + 1), std::string::npos) << told;
}

// The card's stream output on the process's port, sending what the test plays
// through the card's own PID filter.
class SearchStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fixture.LoadLogic();
        fixture.access.SetLnbSelect(2);
        filter.SetCardAccess(&fixture.access);
        std::string error;
        ASSERT_TRUE(output.Start(error)) << error;
    }
    void Play(std::optional<std::string> stream, bool stopping = false) {
        std::lock_guard lock(mutex);
        playing = stream;
        stopAfterPat = stopping;
    }
    bool SearchOnce() { return search.Start() && (search.Join(), search.Succeeded()); }

    testing::CardFixture fixture;
    CPidFilter filter;
    CChannelDatabase db{(fixture.dir.Path() / "SATSETUPL.ini").string()};
    CTreeRecorder tree;
    // A shorter receive time-out (still above the 700 ms a datagram of seven
    // PAT packets takes to fill) keeps the silent cases quick.
    ProgramSearchState state{fixture.notices, 1500, kPort};
    CProgramSearch search{state, {filter, db, tree, tree, RealClock()}};
    std::mutex mutex;
    std::optional<std::string> playing;
    bool stopAfterPat = false;         // stop once the filter no longer asks for the PAT
    std::optional<sim::SiContext> si;  // service tables too, when set
    sim::CStreamOutput output{sim::ViewOfLogic(fixture.card.Logic()),
                              [this]() -> std::optional<sim::LockedStream> {
                                  std::lock_guard lock(mutex);
                                  const bool pat = fixture.card.Logic().PidTable()[0] == 0x6000;
                                  if (!playing || (stopAfterPat && !pat)) return std::nullopt;
                                  return sim::LockedStream{*playing, *playing, 0, si};
                              },
                              {"127.255.255.255", kPort, 2}};
};

// A card that sends nothing or stops after the PAT, and a write that fails
// half way through the program list (the unit tests take bad datagrams): the
// search fails within its bound with the socket closed and no part of the
// list stored. A new search then succeeds, and a second one is refused while
// it runs.
TEST_F(SearchStreamTest, BadCardsFailCleanlyWithinTheBound) {
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{400, old.rlim_max};  // room for a few program records, not for ten
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    // what the card does, the search's bound, how, why the search fails
    const std::tuple<const char*, std::chrono::seconds, std::function<void()>, std::string>
        cases[] = {
            {"sends nothing (one time-out)", 3s, [] {}, "没有收到节目列表"},
            // Two receive time-outs in a row end the PMT step.
            {"stops after the PAT", 6s, [&] { Play("news10", true); },
             "信号中断，没有收到节目信息"},
            {"store fails half way", 10s,
             [&] { Play("news10"), ::setrlimit(RLIMIT_FSIZE, &small); }, "节目无法存入数据库"},
            // The SDT step needs two slots at once; the user's list leaves one.
            {"the user's PIDs fill the table", 3s,
             [&] {
                 std::vector<std::uint16_t> pids;
                 for (std::uint16_t i = 0; i < 31; ++i) pids.push_back(0x1000 + i);
                 filter.ClearPids(PidClass::Program);  // what the last search left
                 filter.SetUserPids(pids);
                 EXPECT_EQ(filter.ProgramRoom(), 1);
                 Play("news10");
             },
             "用户PID列表（PID设置）占用了PID表32个位置中的31个"},
        };
    // The programs of an earlier search, which every failed one keeps.
    const std::string earlier =
        "[PID]\r\nNUM=1\r\n" + Gbk("节目1=节目1|电视节目|100|101|102|00|101|") + "\r\n";
    for (const auto& [what, bound, setUp, reason] : cases) {
        SCOPED_TRACE(what);
        testing::WriteBytes(db.Path(), earlier);
        setUp();
        const auto start = std::chrono::steady_clock::now();
        const bool found = SearchOnce();
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(found);
        EXPECT_LT(std::chrono::steady_clock::now() - start, bound);
        EXPECT_TRUE(tree.status.starts_with("请重新搜索：" + reason)) << tree.status;
        EXPECT_FALSE(state.receiver.IsOpen());
        EXPECT_EQ(state.searchIdle.load(), 1);
        EXPECT_EQ(testing::ReadBytes(db.Path()), earlier);
        EXPECT_TRUE(tree.items.empty());
        Play(std::nullopt);
        filter.ClearPids(PidClass::User);
    }
    std::signal(SIGXFSZ, oldHandler);
    Play("news10");
    ASSERT_TRUE(search.Start());
    // The idle flag is taken before the worker's thread runs at all.
    EXPECT_EQ(state.searchIdle.load(), 0);
    CProgramSearch other{state, {filter, db, tree, tree, RealClock()}};
    EXPECT_FALSE(other.Start() || other.RunNow() || search.Start());
    search.Join();
    EXPECT_TRUE(search.Succeeded());
    EXPECT_TRUE(other.Start());
    other.Join();
}

// Provider names that cannot be written fail the search, told as the failed
// write of the program list is: here the file has room for the new programs
// but not for their providers as well.
TEST_F(SearchStreamTest, UnwrittenProvidersFailTheSearch) {
    search.SetServiceNameOptions(ServiceNameOptions{true});
    {
        std::lock_guard lock(mutex);
        si = sim::SiContext{};
    }
    Play("news10");
    const std::string before = testing::ReadBytes(db.Path());
    ASSERT_TRUE(SearchOnce()) << tree.status;
    const std::string full = testing::ReadBytes(db.Path());
    const std::size_t providers = full.find("[ServiceProviders]");
    ASSERT_NE(providers, std::string::npos) << tree.status << Utf8(full);
    testing::WriteBytes(db.Path(), before);
    tree.items.clear();
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{full.size() - 1, old.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool found = SearchOnce();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(found);
    EXPECT_EQ(tree.status,
              "请重新搜索：节目已存入数据库，但节目提供者名称无法存入：频道数据库文件 " +
                  db.Path() + " 无法写入（File too large），修改没有保存!");
    EXPECT_EQ(state.searchIdle.load(), 1);
    EXPECT_FALSE(state.receiver.IsOpen());
    // The programs themselves were stored before; the list shows them.
    EXPECT_EQ(db.CountPrograms(), 10);
    EXPECT_EQ(testing::ReadBytes(db.Path()).find("[ServiceProviders]"), std::string::npos);
}

// The sky's 40-program multiplex (PMTs in batches through the card's 32
// slots), its scrambled one with a long PMT, today's stream types, and a
// program that repeats its PMT only every 0.5 s, slower than a datagram fills
// within one receive time-out. The search reports its progress on the way.
TEST_F(SearchStreamTest, StoresEveryProgramOfTheMultiplex) {
    for (const char* stream :
         {"bouquet40", "pay6", "mux:tv=3,radio=2,modern=1", "mux:tv=1,modern=1,pmt=500"}) {
        std::string error;
        const auto source = sim::MakeStreamSource(stream, 0, error);
        const auto& mux = dynamic_cast<const sim::CGeneratedMux&>(*source).Config();
        SCOPED_TRACE(stream);
        ProgramSearchState slow{fixture.notices, kReceiveTimeoutMs, kPort};
        CProgramSearch one{slow, {filter, db, tree, tree, RealClock()}};
        std::vector<SearchProgress> progress;
        one.SetProgressCallback([&](const SearchProgress& p) { progress.push_back(p); });
        Play(stream);
        tree.items.clear();
        ASSERT_TRUE(one.RunNow()) << tree.status;
        const int n = static_cast<int>(mux.programs.size());
        ASSERT_EQ(db.CountPrograms(), n);
        for (int key = 1; key <= n; ++key) {  // each as its PAT and PMT say
            ProgramEntry got;
            got.key = CChannelDatabase::MakeProgramKey(key);
            ASSERT_TRUE(db.ReadProgram(got.key, got)) << key;
            const int patIndex = mux.networkEntry ? key : key - 1;
            EXPECT_EQ(Fields(got), Fields(EntryOf(key, patIndex, mux.programs[key - 1])));
        }
        // The filter keeps the PMTs of the last batch of PAT entries, and only
        // them, until the player takes it.
        std::set<int> left, lastBatch;
        for (std::uint16_t slot : filter.Table())
            if (slot != 0) left.insert(slot & 0x1FFF);
        const int entries = n + (mux.networkEntry ? 1 : 0);
        const int first = (entries - 1) / CPidFilter::kSlots * CPidFilter::kSlots;
        for (int key = std::max(1, mux.networkEntry ? first : first + 1); key <= n; ++key)
            lastBatch.insert(HexToInt(EntryOf(key, 0, mux.programs[key - 1]).pmtPid));
        EXPECT_EQ(left, lastBatch);
        EXPECT_EQ(tree.items.size(), mux.programs.size());
        ASSERT_GE(progress.size(), 4u);
        EXPECT_EQ(progress[1].stage, SearchStage::PatReceived);
        EXPECT_EQ(progress[1].programs, n);
        EXPECT_TRUE(std::ranges::any_of(progress, [n](const SearchProgress& p) {
            return p.stage == SearchStage::PmtProgress && p.pmtsReceived == n;
        }));
        EXPECT_EQ(progress.back().stage, SearchStage::Stored);
        EXPECT_EQ(progress.back().stored, n);
    }
}

}  // namespace
}  // namespace orbix
