// Searches over the real loopback port 8511: the simulated card's stream
// output, the card's PID table programmed through the card layer, and the
// search worker storing into a channel database in a temporary directory.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "demod/tune_worker.h"
#include "platform/text.h"
#include "search/program_search.h"
#include "sim/stream_output.h"
#include "support/card_fixture.h"
#include "tests/demod/demod_rig.h"

namespace orbix {
namespace {

using namespace std::chrono_literals;

class CTreeRecorder final : public IProgramTree, public IStatusText {
  public:
    void AddProgramItem(const std::string& name, bool tv) override {
        std::lock_guard lock(m_mutex);
        items.emplace_back(Utf8(name), tv);
    }
    void ExpandFirstItem() override { expanded.fetch_add(1); }
    void Redraw() override { redraws.fetch_add(1); }
    void SetStatusText(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        status = Utf8(text);
    }
    std::string Status() {
        std::lock_guard lock(m_mutex);
        return status;
    }

    std::vector<std::pair<std::string, bool>> items;
    std::string status;
    std::atomic<int> expanded{0};
    std::atomic<int> redraws{0};

  private:
    std::mutex m_mutex;
};

// The stored record a program of the multiplex must get, worked out from
// the multiplex itself.
ProgramEntry Expected(const sim::MuxProgram& p, int patIndex) {
    ProgramEntry e;
    e.name = "节目" + std::to_string(patIndex);
    bool scrambled = p.scrambled;
    int firstAudio = -1, lastAudio = -1, video = -1;
    for (int k = 0; k < static_cast<int>(p.streams.size()); ++k) {
        const auto type = p.streams[k].streamType;
        scrambled = scrambled || p.streams[k].scrambled;
        if (type == 1 || type == 2) video = k;
        if (type == 3 || type == 4) (firstAudio < 0 ? firstAudio : lastAudio) = k;
    }
    auto hex = [&p](int k) {
        if (k < 0) return std::string("00");
        char t[8];
        std::snprintf(t, sizeof t, "%x", p.streams[k].pid);
        return std::string(t);
    };
    char pmt[8], pcr[8];
    std::snprintf(pmt, sizeof pmt, "%x", p.pmtPid);
    std::snprintf(pcr, sizeof pcr, "%x", p.pcrPid);
    if (scrambled) e.name += "(加扰)";
    e.type = video >= 0 ? "电视节目" : "广播节目";
    e.pmtPid = pmt;
    e.pcrPid = pcr;
    e.videoPid = hex(video);
    e.audioPid1 = hex(firstAudio);
    e.audioPid2 = hex(lastAudio);
    return e;
}

class SearchStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fixture.LoadLogic();
        fixture.access.SetLnbSelect(2);
        filter.SetCardAccess(&fixture.access);
    }
    void TearDown() override {
        search.Stop();
        output.Stop();
        filter.SetCardAccess(nullptr);
    }

    void Play(std::string stream) {
        std::lock_guard lock(lockMutex);
        locked = sim::LockedStream{stream, stream, 0};
    }
    void StartOutput() {
        std::string error;
        ASSERT_TRUE(output.Start(error)) << error;
    }
    // Runs one search to its end, at most 60 s.
    bool SearchOnce() {
        if (!search.Start()) return false;
        search.Join();
        return search.Succeeded();
    }
    // Every program of the multiplex is stored as its PAT and PMT say.
    void ExpectStored(const sim::MuxConfig& mux) {
        ASSERT_EQ(db.CountPrograms(), static_cast<int>(mux.programs.size()));
        for (std::size_t i = 0; i < mux.programs.size(); ++i) {
            const int patIndex = static_cast<int>(i) + (mux.networkEntry ? 1 : 0);
            const ProgramEntry want = Expected(mux.programs[i], patIndex);
            ProgramEntry got;
            ASSERT_TRUE(
                db.ReadProgram(CChannelDatabase::MakeProgramKey(static_cast<int>(i) + 1), got));
            EXPECT_EQ(Utf8(got.name), want.name) << i;
            EXPECT_EQ(Utf8(got.type), want.type) << i;
            EXPECT_EQ(got.pmtPid, want.pmtPid) << i;
            EXPECT_EQ(got.videoPid, want.videoPid) << i;
            EXPECT_EQ(got.audioPid1, want.audioPid1) << i;
            EXPECT_EQ(got.audioPid2, want.audioPid2) << i;
            EXPECT_EQ(got.pcrPid, want.pcrPid) << i;
        }
    }
    void ExpectFailedCleanly() {
        EXPECT_FALSE(search.Succeeded());
        EXPECT_EQ(tree.Status(), "请重新搜索");
        EXPECT_FALSE(state.receiver.IsOpen());
        EXPECT_EQ(state.searchIdle.load(), 1);
        EXPECT_EQ(db.CountPrograms(), 0);
        EXPECT_TRUE(tree.items.empty());
    }

    testing::CardFixture fixture;
    CPidFilter filter;
    CChannelDatabase db{(fixture.dir.Path() / "SATSETUPL.ini").string()};
    CTreeRecorder tree;
    // A port of this process's own: other runs of these tests on the machine
    // cannot cross its streams. The real port is used further down.
    const int port = 20000 + static_cast<int>(::getpid() % 20000);
    // A shorter receive time-out (still above the 700 ms a datagram of seven
    // PAT packets takes to fill) keeps the silent cases quick; the search's
    // logic is the same at 3000 ms.
    ProgramSearchState state{fixture.notices, 1500, port};
    CProgramSearch search{state, {filter, db, tree, tree, RealClock()}};
    std::mutex lockMutex;
    std::optional<sim::LockedStream> locked;
    sim::CStreamOutput output{sim::ViewOfLogic(fixture.card.Logic()),
                              [this] {
                                  std::lock_guard lock(lockMutex);
                                  return locked;
                              },
                              {"127.255.255.255", port, 2}};
};

TEST_F(SearchStreamTest, StoresEveryProgramOfTheGeneratedMultiplexes) {
    StartOutput();
    for (const char* preset : {"news10", "pay6", "bouquet40"}) {
        SCOPED_TRACE(preset);
        std::string error;
        const auto source = sim::MakeStreamSource(preset, 0, error);
        const auto& mux = dynamic_cast<const sim::CGeneratedMux&>(*source).Config();
        Play(preset);
        db.DeleteAllPrograms();
        tree.items.clear();
        ASSERT_TRUE(SearchOnce()) << tree.Status();
        EXPECT_EQ(tree.Status(), "搜索节目完毕");
        EXPECT_FALSE(state.receiver.IsOpen());
        ExpectStored(mux);
        EXPECT_EQ(tree.items.size(), mux.programs.size());
    }
}

TEST_F(SearchStreamTest, CardSendingNothingFailsAfterOneTimeOut) {
    StartOutput();  // never locked
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SearchOnce());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    ExpectFailedCleanly();
    // The LNB supply off stops the stream as well.
    fixture.access.SetLnbSelect(0);
    Play("news10");
    EXPECT_FALSE(SearchOnce());
    ExpectFailedCleanly();
    // And a new search can start and succeed.
    fixture.access.SetLnbSelect(3);
    EXPECT_TRUE(SearchOnce());
}

TEST_F(SearchStreamTest, CardSendingOnlyOtherPidsFailsWithinTheBound) {
    StartOutput();
    Play("news10");
    // A user PID left in the filter keeps every datagram mixed.
    const std::uint16_t video = 0x210;
    filter.SetUserPids(std::span(&video, 1));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SearchOnce());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    ExpectFailedCleanly();
}

TEST_F(SearchStreamTest, CardStoppingAfterThePatFailsAndStoresNothing) {
    StartOutput();
    // The card stops as soon as the filter no longer asks for the PAT.
    output.Stop();
    sim::CStreamOutput stopping{
        sim::ViewOfLogic(fixture.card.Logic()),
        [this] {
            const auto table = fixture.card.Logic().PidTable();
            const bool pat = table[0] == 0x6000;
            return pat ? std::optional(sim::LockedStream{"a", "news10", 0}) : std::nullopt;
        },
        {"127.255.255.255", port, 2}};
    std::string error;
    ASSERT_TRUE(stopping.Start(error));
    EXPECT_FALSE(SearchOnce());
    ExpectFailedCleanly();
}

TEST_F(SearchStreamTest, GarbageDatagramsFailTheSearch) {
    std::atomic<bool> done{false};
    std::thread sender([&done, this] {
        const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
        const int on = 1;
        ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, "127.255.255.255", &to.sin_addr);
        std::vector<std::uint8_t> junk(kDatagramSize);
        std::uint32_t seed = 7;
        for (int n = 0; !done.load(); ++n) {
            for (auto& b : junk)
                b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
            // Now and then a short, a zero-filled or an all-0xFF datagram.
            std::size_t size = n % 5 == 0 ? static_cast<std::size_t>(n % 1316) : junk.size();
            if (n % 7 == 0) std::fill(junk.begin(), junk.end(), n % 2 ? 0x00 : 0xFF);
            ::sendto(s, junk.data(), size, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            std::this_thread::sleep_for(1ms);
        }
        ::close(s);
    });
    EXPECT_FALSE(SearchOnce());
    done = true;
    sender.join();
    ExpectFailedCleanly();
}

TEST_F(SearchStreamTest, SecondSearchIsRefusedWhileOneRuns) {
    StartOutput();
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

struct ProbedProgram {
    int pmtPid = 0;
    int pcrPid = 0;
    std::vector<std::pair<std::string, int>> streams;  // codec type, PID
};

// What ffprobe reports of a file's programs.
std::vector<ProbedProgram> Probe(const std::string& path) {
    const std::string command =
        "ffprobe -v error -show_entries program=pmt_pid,pcr_pid:stream=id,codec_type -of flat " +
        path;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::vector<ProbedProgram> programs;
    if (pipe == nullptr) return programs;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        unsigned program = 0;
        unsigned stream = 0;
        char value[64] = {};
        if (std::sscanf(line, "programs.program.%u.", &program) != 1) continue;
        if (programs.size() <= program) programs.resize(program + 1);
        ProbedProgram& p = programs[program];
        if (std::sscanf(line, "programs.program.%*u.pmt_pid=%d", &p.pmtPid) == 1) continue;
        if (std::sscanf(line, "programs.program.%*u.pcr_pid=%d", &p.pcrPid) == 1) continue;
        if (std::sscanf(line, "programs.program.%*u.streams.stream.%u.%*[a-z_]=%63s", &stream,
                        value) != 2)
            continue;
        if (p.streams.size() <= stream) p.streams.resize(stream + 1);
        const std::string text(value);
        if (std::strstr(line, ".codec_type=") != nullptr)
            p.streams[stream].first = text.substr(1, text.size() - 2);
        if (std::strstr(line, ".id=") != nullptr)
            p.streams[stream].second = static_cast<int>(std::strtol(text.c_str() + 1, nullptr, 16));
    }
    ::pclose(pipe);
    return programs;
}

std::string HexText(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    return text;
}

// A stream made by ffmpeg, carried by the simulated card, gives what ffprobe
// reports of the same file.
TEST_F(SearchStreamTest, FfmpegStreamGivesWhatFfprobeReports) {
    if (std::system("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ffmpeg is not installed (tools/install_deps.sh installs it)";
    }
    const std::string path = (fixture.dir.Path() / "made.ts").string();
    const std::string make =
        "ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i "
        "sine=frequency=440 "
        "-f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=frequency=880 "
        "-f lavfi -i sine=frequency=660 -f lavfi -i sine=frequency=330 -t 2 "
        "-map 0:v -map 1:a -map 2:v -map 3:a -map 4:a -map 5:a -c:v mpeg2video -b:v 300k -c:a mp2 "
        "-b:a 64k -program program_num=5:st=0:st=1 -program program_num=9:st=2:st=3:st=4 "
        "-program program_num=12:st=5 -muxrate 1500000 -f mpegts " +
        path;
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::vector<ProbedProgram> probed = Probe(path);
    ASSERT_EQ(probed.size(), 3u);

    StartOutput();
    Play("file:" + path);
    ASSERT_TRUE(SearchOnce()) << tree.Status();
    ASSERT_EQ(db.CountPrograms(), 3);
    for (std::size_t i = 0; i < probed.size(); ++i) {
        ProgramEntry got;
        ASSERT_TRUE(db.ReadProgram(CChannelDatabase::MakeProgramKey(static_cast<int>(i) + 1), got));
        std::vector<int> video, audio;
        for (const auto& [type, pid] : probed[i].streams)
            (type == "video" ? video : audio).push_back(pid);
        EXPECT_EQ(got.pmtPid, HexText(probed[i].pmtPid)) << i;
        EXPECT_EQ(got.pcrPid, HexText(probed[i].pcrPid)) << i;
        EXPECT_EQ(got.videoPid, video.empty() ? "00" : HexText(video.back())) << i;
        EXPECT_EQ(got.audioPid1, audio.empty() ? "00" : HexText(audio.front())) << i;
        EXPECT_EQ(got.audioPid2, audio.size() < 2 ? "00" : HexText(audio.back())) << i;
        EXPECT_EQ(Utf8(got.type), video.empty() ? "广播节目" : "电视节目") << i;
    }
}

// The whole road on the simulated card: the demodulator locks a transponder
// of the default sky, the card streams that transponder's multiplex, and the
// search stores what the multiplex carries.
TEST(SearchOnTheSimulatedCard, LocksAndStoresTheTransponderMultiplex) {
    const sim::Sky sky = sim::DefaultSky();
    const sim::SkySatellite& sat = sky.satellites.at(0);
    // The first two: ten programs, then more than 32 (the batch path).
    for (int index : {0, 1}) {
        const sim::SkyTransponder& tp = sat.transponders.at(static_cast<std::size_t>(index));
        SCOPED_TRACE(tp.name);
        testing::DemodRig rig;
        CPidFilter filter;
        filter.SetCardAccess(&rig.access);
        const TransponderParams record = testing::RecordFor(sat, tp);
        const TuneSettings settings = SettingsFor(record);
        rig.demod.SetLnbSelect(settings.lnbSelect);
        rig.demod.SetToneWanted(settings.toneOn);
        ASSERT_EQ(rig.demod.TuneTransponder(record.symbolRate, settings.tunerFrequency), 1);
        std::string error;
        auto output = sim::StartStreamOutput(rig.card, rig.frontEnd, error);
        ASSERT_TRUE(output) << error;
        std::string sourceError;
        const auto source = sim::MakeStreamSource(tp.stream, index, sourceError);
        ASSERT_TRUE(source) << sourceError;
        const auto& mux = dynamic_cast<const sim::CGeneratedMux&>(*source).Config();
        ASSERT_GE(mux.programs.size(), index == 0 ? 10u : 33u);

        CChannelDatabase db((rig.dir.Path() / "SATSETUPL.ini").string());
        CTreeRecorder tree;
        ProgramSearchState state(rig.notices);
        CProgramSearch search(state, {filter, db, tree, tree, RealClock()});
        ASSERT_TRUE(search.RunNow()) << tree.Status();
        ASSERT_EQ(db.CountPrograms(), static_cast<int>(mux.programs.size()));
        for (std::size_t i = 0; i < mux.programs.size(); ++i) {
            const ProgramEntry want = Expected(mux.programs[i], static_cast<int>(i) + 1);
            ProgramEntry got;
            ASSERT_TRUE(
                db.ReadProgram(CChannelDatabase::MakeProgramKey(static_cast<int>(i) + 1), got));
            EXPECT_EQ(Utf8(got.name), want.name);
            EXPECT_EQ(got.pmtPid, want.pmtPid);
            EXPECT_EQ(got.videoPid, want.videoPid);
            EXPECT_EQ(got.audioPid1, want.audioPid1);
            EXPECT_EQ(got.audioPid2, want.audioPid2);
            EXPECT_EQ(got.pcrPid, want.pcrPid);
        }
        output->Stop();
        filter.SetCardAccess(nullptr);
    }
}

}  // namespace
}  // namespace orbix
