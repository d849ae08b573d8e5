// Over the loopback: the receiver, the simulated card's stream output, and
// searches storing into a channel database in a temporary directory.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "demod/tune_worker.h"
#include "platform/stream_port.h"
#include "search/program_search.h"
#include "search/search_pass.h"
#include "search/udp_receiver.h"
#include "sim/stream_output.h"
#include "tests/demod/demod_rig.h"
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

// Broadcasts one datagram on the loopback to port.
void SendDatagram(int port, const Bytes& bytes) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, "127.255.255.255", &to.sin_addr);
    ::sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(s);
}

// What the search shows; read only after the search has ended.
struct CTreeRecorder final : IProgramTree, IStatusText {
    void AddProgramItem(const std::string& name, bool) override { items.push_back(Utf8(name)); }
    void ExpandFirstItem() override {}
    void Redraw() override {}
    void SetStatusText(const std::string& text) override { status = Utf8(text); }
    std::vector<std::string> items;
    std::string status;
};

TEST(UdpReceiver, ReceivesCutsTimesOutAndTellsFailures) {
    CRecordingNotices notices;
    CUdpReceiver receiver(notices, 300);
    ASSERT_TRUE(receiver.Create());
    ASSERT_TRUE(receiver.Bind(kPort));
    std::vector<std::uint8_t> buffer(100, 0xAB);
    EXPECT_EQ(receiver.Receive(nullptr, 100), -1);
    // Nothing comes: -1 after the time-out, the buffer untouched.
    EXPECT_EQ(receiver.Receive(buffer.data(), 100), -1);
    EXPECT_EQ(receiver.LastError(), "Receive data failure!Error NO. is 11");
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(100, 0xAB));
    // A longer datagram is cut to the buffer.
    SendDatagram(kPort, Bytes(300, 0x47));
    EXPECT_EQ(receiver.Receive(buffer.data(), 100), 100);
    EXPECT_EQ(buffer[99], 0x47);
    EXPECT_TRUE(notices.Shown().empty());
    // A socket bound once cannot be bound again: the bind fails and closes it.
    EXPECT_FALSE(receiver.Bind(kPort));
    EXPECT_FALSE(receiver.IsOpen());
    // Closing what is closed fails and says so.
    EXPECT_FALSE(receiver.Close());
    const auto shown = notices.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Binding failure!Error NO. is 22");
    EXPECT_EQ(shown[0].caption, "Warning");
    EXPECT_EQ(shown[1].text, "close socket failure!Error NO. is 9");
    // The next run starts again with Create.
    EXPECT_TRUE(receiver.Create());
    EXPECT_TRUE(receiver.Bind(kPort));
    EXPECT_TRUE(receiver.Close());
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
// marked free, and the control byte and lock of the test's phase.
TEST(StreamOutput, EverySocketOnThePortGetsOnlyThePidsInUseWhileLockedAndSupplied) {
    enum { kUnlocked, kSupplyOff, kPlaying, kUnplayable };
    std::atomic<int> phase{kUnlocked};
    const std::array<std::uint16_t, 32> table{0x6000, 0x1001};
    sim::CStreamOutput output{
        {[&] { return table; },
         [&] { return static_cast<std::uint8_t>(phase == kSupplyOff ? 0x04 : 3); }},
        [&]() -> std::optional<sim::LockedStream> {
            if (phase == kUnlocked) return std::nullopt;
            if (phase == kUnplayable) return sim::LockedStream{"b", "mux:channels=3", 0};
            return sim::LockedStream{"a", "mux:tv=2,rate=2000000,psi=10", 0};
        }};
    CRecordingNotices notices;
    CUdpReceiver first(notices, 100), second(notices, 100);
    ASSERT_TRUE(first.Create() && first.Bind(kPort));
    ASSERT_TRUE(second.Create() && second.Bind(kPort));
    std::string error;
    ASSERT_TRUE(output.Start(error)) << error;

    EXPECT_TRUE(ReceiveFor(first, 400ms).empty()) << "not locked";
    phase = kSupplyOff;  // tone on, supply off
    EXPECT_TRUE(ReceiveFor(first, 400ms).empty()) << "LNB supply off";
    phase = kPlaying;
    const auto got = ReceiveFor(first, 600ms);
    ASSERT_FALSE(got.empty()) << "locked and supplied";
    EXPECT_FALSE(ReceiveFor(second, 100ms).empty());
    // Seven whole packets a datagram, and only the PAT passes.
    std::set<int> pids;
    for (const auto& d : got) {
        ASSERT_EQ(d.size(), static_cast<std::size_t>(kDatagramSize));
        for (int slot = 0; slot < 7; ++slot) {
            EXPECT_EQ(d[slot * 188], 0x47);
            pids.insert(PacketPid(d.data() + slot * 188));
        }
    }
    EXPECT_EQ(pids, std::set<int>{0});
    // A stream text that cannot be played sends nothing and says why.
    phase = kUnplayable;
    ReceiveFor(first, 100ms);
    EXPECT_TRUE(ReceiveFor(first, 300ms).empty());
    EXPECT_NE(output.SourceError().find("channels=3"), std::string::npos);
}

// Every program of the multiplex is stored as its PAT and PMT say.
void ExpectStored(const CChannelDatabase& db, const sim::MuxConfig& mux) {
    ASSERT_EQ(db.CountPrograms(), static_cast<int>(mux.programs.size()));
    for (int key = 1; key <= static_cast<int>(mux.programs.size()); ++key) {
        ProgramEntry got;
        got.key = CChannelDatabase::MakeProgramKey(key);
        ASSERT_TRUE(db.ReadProgram(got.key, got)) << key;
        const int patIndex = mux.networkEntry ? key : key - 1;
        EXPECT_EQ(Fields(got), Fields(EntryOf(key, patIndex, mux.programs[key - 1])));
    }
}

// The whole road on the simulated card: the demodulator locks a transponder
// of the default sky, the card streams its multiplex to port 8511, and the
// search stores what the multiplex carries.
TEST(SearchOnTheSimulatedCard, LocksAndStoresTheTransponderMultiplex) {
    const sim::Sky sky = sim::DefaultSky();
    const sim::SkySatellite& sat = sky.satellites.at(0);
    // Ten programs; more than 32 (the batch path); scrambled ones and a long PMT.
    for (const int index : {0, 1, 2}) {
        const sim::SkyTransponder& tp = sat.transponders.at(static_cast<std::size_t>(index));
        SCOPED_TRACE(tp.stream);
        testing::DemodRig rig;
        CPidFilter filter;
        filter.SetCardAccess(&rig.access);
        const TuneSettings settings = SettingsFor(RecordFor(sat, tp));
        rig.demod.SetLnbSelect(settings.lnbSelect);
        rig.demod.SetToneWanted(settings.toneOn);
        ASSERT_EQ(rig.demod.TuneTransponder(tp.symbolRateKs, settings.tunerFrequency), 1);
        std::string error;
        auto output = sim::StartStreamOutput(rig.card, rig.frontEnd, error);
        ASSERT_TRUE(output) << error;
        const auto source = sim::MakeStreamSource(tp.stream, index, error);
        const auto& mux = dynamic_cast<const sim::CGeneratedMux&>(*source).Config();
        ASSERT_GE(mux.programs.size(), index == 1 ? 33u : 6u);

        CChannelDatabase db((rig.dir.Path() / "SATSETUPL.ini").string());
        CTreeRecorder tree;
        ProgramSearchState state(rig.notices);
        CProgramSearch search(state, {filter, db, tree, tree, RealClock()});
        ASSERT_TRUE(search.RunNow()) << tree.status;
        EXPECT_EQ(tree.status, "搜索节目完毕");
        EXPECT_FALSE(state.receiver.IsOpen());
        EXPECT_EQ(tree.items.size(), mux.programs.size());
        ExpectStored(db, mux);
    }
}

// The card's stream output on a port of this process's own (other runs of
// these tests cannot cross its streams), sending what the test plays.
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
    const int port = kPort;
    // A shorter receive time-out (still above the 700 ms a datagram of seven
    // PAT packets takes to fill) keeps the silent cases quick.
    ProgramSearchState state{fixture.notices, 1500, port};
    CProgramSearch search{state, {filter, db, tree, tree, RealClock()}};
    std::mutex mutex;
    std::optional<std::string> playing;
    bool stopAfterPat = false;  // stop once the filter no longer asks for the PAT
    sim::CStreamOutput output{sim::ViewOfLogic(fixture.card.Logic()),
                              [this]() -> std::optional<sim::LockedStream> {
                                  std::lock_guard lock(mutex);
                                  const bool pat = fixture.card.Logic().PidTable()[0] == 0x6000;
                                  if (!playing || (stopAfterPat && !pat)) return std::nullopt;
                                  return sim::LockedStream{*playing, *playing, 0};
                              },
                              {"127.255.255.255", port, 2}};
};

// Random datagrams, now and then a short, a zero-filled or an all-0xFF one.
void SendGarbage(const std::stop_token& stop, int port) {
    std::minstd_rand random(7);
    for (int n = 0; !stop.stop_requested(); ++n) {
        Bytes junk(n % 5 == 0 ? n % 1316 : kDatagramSize, n % 2 == 0 ? 0x00 : 0xFF);
        if (n % 7 != 0)
            std::ranges::generate(junk, [&] { return static_cast<std::uint8_t>(random()); });
        SendDatagram(port, junk);
        std::this_thread::sleep_for(1ms);
    }
}

// A card that sends nothing, only other PIDs, garbage, or stops in the
// middle: the search fails within its bound with the socket closed and
// nothing stored, and a new search can start and succeed.
TEST_F(SearchStreamTest, BadCardsFailCleanlyWithinTheBound) {
    const std::uint16_t video = 0x210;
    std::jthread garbage;
    // what the card does, the search's bound, how
    const std::tuple<const char*, std::chrono::seconds, std::function<void()>> cases[] = {
        {"sends nothing (one time-out)", 3s, [] {}},
        // A user PID left in the filter keeps every datagram mixed.
        {"sends only other PIDs", 5s,
         [&] { Play("news10"), filter.SetUserPids(std::span(&video, 1)); }},
        {"sends garbage", 5s, [&] { garbage = std::jthread(SendGarbage, port); }},
        // Two receive time-outs in a row end the PMT step.
        {"stops after the PAT", 6s, [&] { Play("news10", true); }},
    };
    const char* const reasons[] = {"没有收到节目列表", "没有收到节目列表", "没有收到节目列表",
                                   "信号中断，没有收到节目信息"};
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        const auto& [what, bound, setUp] = cases[c];
        SCOPED_TRACE(what);
        setUp();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(SearchOnce());
        EXPECT_LT(std::chrono::steady_clock::now() - start, bound);
        EXPECT_EQ(tree.status, std::string("请重新搜索：") + reasons[c]);
        EXPECT_FALSE(state.receiver.IsOpen());
        EXPECT_EQ(state.searchIdle.load(), 1);
        EXPECT_EQ(db.CountPrograms(), 0);
        EXPECT_TRUE(tree.items.empty());
        Play(std::nullopt);
        filter.SetUserPids({});
        garbage = {};
    }
    Play("news10");
    EXPECT_TRUE(SearchOnce());
}

TEST_F(SearchStreamTest, SecondSearchIsRefusedWhileOneRuns) {
    Play("news10");
    ASSERT_TRUE(search.Start());
    // The idle flag is taken before the worker's thread runs at all.
    EXPECT_EQ(state.searchIdle.load(), 0);
    CProgramSearch other{state, {filter, db, tree, tree, RealClock()}};
    EXPECT_FALSE(other.Start());
    EXPECT_FALSE(other.RunNow());
    EXPECT_FALSE(search.Start());
    search.Join();
    EXPECT_TRUE(search.Succeeded());
    EXPECT_TRUE(other.Start());
    other.Join();
}

// The programs of a file as ffprobe reports them, as a multiplex: PMT and
// PCR PIDs, and video (as H.264) and audio (as AAC) streams in their order.
sim::MuxConfig Probe(const std::string& path) {
    const std::string command =
        "ffprobe -v error -show_entries program=pmt_pid,pcr_pid:"
        "program_stream=codec_type,id -of default=nw=1 " +
        path;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    sim::MuxConfig mux;
    mux.networkEntry = false;
    char line[256], type[16] = {};
    std::uint16_t pid = 0;
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        if (std::sscanf(line, "pmt_pid=%hu", &pid) == 1) mux.programs.emplace_back().pmtPid = pid;
        if (mux.programs.empty()) continue;
        sim::MuxProgram& p = mux.programs.back();
        std::sscanf(line, "pcr_pid=%hu", &p.pcrPid);
        std::sscanf(line, "codec_type=%15s", type);  // comes before the id
        if (std::sscanf(line, "id=%hx", &pid) == 1)
            p.streams.push_back({static_cast<std::uint8_t>(type[0] == 'v' ? 0x1B : 0x0F), pid});
    }
    if (pipe != nullptr) ::pclose(pipe);
    return mux;
}

// A stream made by ffmpeg, carried by the simulated card, gives what ffprobe
// reports of the same file.
TEST_F(SearchStreamTest, FfmpegStreamGivesWhatFfprobeReports) {
    if (std::system("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed (tools/install_deps.sh installs it)";
    const std::string path = (fixture.dir.Path() / "made.ts").string();
    // Three programs: video and audio; video and two audio; audio alone.
    const std::string make =
        "ffmpeg -v error -y -f lavfi -i testsrc=s=160x120 -f lavfi -i sine=f=440 -f lavfi -i "
        "testsrc2=s=160x120 -f lavfi -i sine=f=880 -f lavfi -i sine=f=660 -f lavfi -i sine=f=330 "
        "-t 2 -map 0:v -map 1:a -map 2:v -map 3:a -map 4:a -map 5:a -c:v libx264 -preset ultrafast "
        "-b:v 300k -c:a aac -b:a 64k -program program_num=5:st=0:st=1 -program program_num=9:st=2:st=3:st=4 "
        "-program program_num=12:st=5 -muxrate 1500000 -f mpegts " +
        path;
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const sim::MuxConfig probed = Probe(path);
    ASSERT_EQ(probed.programs.size(), 3u);
    Play("file:" + path);
    ASSERT_TRUE(SearchOnce()) << tree.status;
    ExpectStored(db, probed);
}

// A generated multiplex of today's stream types; and a program that repeats
// its PMT only every 0.5 s, slower than a datagram fills within one receive
// time-out. The search reports its progress on the way.
TEST_F(SearchStreamTest, TodaysTypesAndASlowPmt) {
    for (const char* stream : {"mux:tv=3,radio=2,modern=1", "mux:tv=1,modern=1,pmt=500"}) {
        SCOPED_TRACE(stream);
        ProgramSearchState slow{fixture.notices, kReceiveTimeoutMs, port};
        CProgramSearch one{slow, {filter, db, tree, tree, RealClock()}};
        std::vector<SearchProgress> progress;
        one.SetProgressCallback([&](const SearchProgress& p) { progress.push_back(p); });
        Play(stream);
        tree.items.clear();
        ASSERT_TRUE(one.RunNow()) << tree.status;
        std::string error;
        const auto source = sim::MakeStreamSource(stream, 0, error);
        const auto& mux = dynamic_cast<const sim::CGeneratedMux&>(*source).Config();
        ExpectStored(db, mux);
        const int n = static_cast<int>(mux.programs.size());
        ASSERT_GE(progress.size(), 4u);
        EXPECT_EQ(progress.front().stage, SearchStage::Started);
        EXPECT_EQ(progress[1].stage, SearchStage::PatReceived);
        EXPECT_EQ(progress[1].programs, n);
        EXPECT_EQ(progress[2].stage, SearchStage::PmtProgress);
        EXPECT_EQ(progress[2].pmtsReceived, n);
        EXPECT_EQ(progress.back().stage, SearchStage::Stored);
        EXPECT_EQ(progress.back().stored, n);
    }
}

// A write that fails half way through the program list leaves no part of it.
TEST_F(SearchStreamTest, AFailedWriteLeavesNoPartialProgramList) {
    Play("news10");
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    // Room for the first few program records, not for all ten.
    rlimit small = old;
    small.rlim_cur = 400;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::vector<SearchProgress> progress;
    search.SetProgressCallback([&](const SearchProgress& p) { progress.push_back(p); });
    const bool found = SearchOnce();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(found);
    EXPECT_EQ(tree.status, "请重新搜索：节目无法存入数据库");
    ProgramEntry first;
    EXPECT_FALSE(db.ReadProgram(CChannelDatabase::MakeProgramKey(1), first));
    EXPECT_EQ(db.CountPrograms(), 0);
    EXPECT_TRUE(tree.items.empty());
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().stage, SearchStage::Failed);
    EXPECT_EQ(Utf8(progress.back().reasonGbk), "节目无法存入数据库");
}

// A transponder whose stream file cannot be read: the card says why once,
// naming the file, however long it stays locked.
TEST(StreamOutput, TellsOnceWhyAStreamFileCannotBePlayed) {
    std::atomic<int> asked{0};
    const std::array<std::uint16_t, 32> table{0x6000};
    sim::CStreamOutput output{{[&] { return table; }, [] { return std::uint8_t{2}; }},
                              [&]() -> std::optional<sim::LockedStream> {
                                  ++asked;
                                  return sim::LockedStream{"S/T", "file:/no/such/stream.ts", 0};
                              },
                              {"127.255.255.255", kPort, 1}};
    ::testing::internal::CaptureStderr();
    std::string error;
    ASSERT_TRUE(output.Start(error)) << error;
    for (int i = 0; i < 10'000 && asked < 50; ++i) std::this_thread::sleep_for(1ms);
    output.Stop();
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_GE(asked.load(), 50);
    const auto at = told.find("/no/such/stream.ts");
    ASSERT_NE(at, std::string::npos) << told;
    EXPECT_EQ(told.find("/no/such/stream.ts", at + 1), std::string::npos) << told;
}

}  // namespace
}  // namespace orbix
