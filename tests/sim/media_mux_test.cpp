// The generated multiplexes with the media cache's pictures and sound: the
// PSI of every preset stays what it was, the loop point is seamless, and
// scrambled programs stay scrambled.
#include "sim/media_mux.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "sim/ts_mux.h"
#include "tests/support/temp_dir.h"

namespace orbix {
namespace {

using sim::TsPacket;

// The cache the build encodes, read once for all the tests of this file.
std::shared_ptr<const sim::CMediaLibrary> Library() {
    static const auto library = [] {
        std::string error;
        return sim::LoadMediaLibrary(error);
    }();
    return library;
}

#define REQUIRE_MEDIA() \
    if (!Library()) GTEST_SKIP() << "no media cache (ffmpeg missing when it was built)"

std::vector<TsPacket> Play(const std::string& stream, bool media, double seconds) {
    std::string error;
    auto source = sim::MakeStreamSource(stream, 0, error, nullptr, media ? Library() : nullptr);
    EXPECT_TRUE(source) << error;
    const auto count =
        static_cast<std::int64_t>(seconds * static_cast<double>(source->BitRate()) / (188 * 8));
    std::vector<TsPacket> packets(static_cast<std::size_t>(count));
    for (TsPacket& p : packets) source->NextPacket(p);
    return packets;
}

int Pid(const TsPacket& p) { return ((p[1] & 0x1F) << 8) | p[2]; }
// PAT or PMT (PMTs are on 0x1000 + the program number).
bool IsPsi(const TsPacket& p) { return Pid(p) == 0 || (Pid(p) > 0x1000 && Pid(p) <= 0x1100); }
bool HasPayload(const TsPacket& p) { return (p[3] & 0x10) != 0; }
std::size_t PayloadAt(const TsPacket& p) { return (p[3] & 0x20) ? 5u + p[4] : 4u; }

std::int64_t Timestamp(const std::uint8_t* at) {
    return (static_cast<std::int64_t>(at[0] & 0x0E) << 29) | (at[1] << 22) |
           ((at[2] & 0xFE) << 14) | (at[3] << 7) | (at[4] >> 1);
}

constexpr const char* kStreams[] = {"news10", "bouquet40", "pay6", "radio8",
                                    "mux:tv=3,radio=3,modern=1,psi=40,pmt=500"};

TEST(MediaMux, PsiPacketsStayWhereAndWhatTheyWere) {
    REQUIRE_MEDIA();
    for (const char* stream : kStreams) {
        const auto filler = Play(stream, false, 1.0);
        const auto media = Play(stream, true, 1.0);
        ASSERT_EQ(filler.size(), media.size());
        std::size_t psi = 0;
        for (std::size_t i = 0; i < filler.size(); ++i) {
            if (!IsPsi(filler[i]) && !IsPsi(media[i])) continue;
            ASSERT_EQ(filler[i], media[i]) << stream << " packet " << i;
            ++psi;
        }
        EXPECT_GT(psi, 10u) << stream;
    }
}

// Over two loops of every clip: continuity counters, PCRs at most 100 ms
// apart and rising, timestamps rising on every PID, and every access unit in
// before its decoding time by no more than a second.
TEST(MediaMux, LoopPointIsSeamless) {
    REQUIRE_MEDIA();
    for (const char* stream : kStreams) {
        SCOPED_TRACE(stream);
        struct PidState {
            int cc = -1;
            std::int64_t dts = -1;
            int units = 0;
        };
        std::map<int, PidState> pids;
        std::map<int, std::int64_t> lastPcr;
        std::int64_t pcr = -1;  // the latest PCR of any program: one clock for all
        const auto packets = Play(stream, true, 5.0);
        for (std::size_t i = 0; i < packets.size(); ++i) {
            const TsPacket& p = packets[i];
            const int pid = Pid(p);
            if (pid == 0x1FFF || IsPsi(p)) continue;
            PidState& s = pids[pid];
            if ((p[3] & 0x20) && p[4] >= 7 && (p[5] & 0x10)) {
                const std::int64_t base = (std::int64_t{p[6]} << 25) | (p[7] << 17) | (p[8] << 9) |
                                          (p[9] << 1) | (p[10] >> 7);
                const std::int64_t now = base * 300 + (((p[10] & 1) << 8) | p[11]);
                if (lastPcr.contains(pid) && !(p[5] & 0x80)) {
                    EXPECT_GT(now, lastPcr[pid]) << "PID " << pid;
                    EXPECT_LE(now - lastPcr[pid], 27'000'000 / 10) << "PID " << pid;
                }
                lastPcr[pid] = pcr = now;
            }
            const int cc = p[3] & 0x0F;
            if (s.cc >= 0) {
                EXPECT_EQ(cc, HasPayload(p) ? (s.cc + 1) & 0x0F : s.cc) << "PID " << pid;
            }
            s.cc = cc;
            const std::uint8_t* pes = p.data() + PayloadAt(p);
            if (!(p[1] & 0x40) || (p[3] & 0xC0) || pes[0] || pes[1] || pes[2] != 1) continue;
            const std::int64_t pts = Timestamp(pes + 9);
            const std::int64_t dts = (pes[7] & 0x40) ? Timestamp(pes + 14) : pts;
            EXPECT_GT(dts, s.dts) << "PID " << pid;
            if (pcr >= 0) {
                EXPECT_GT(dts * 300, pcr) << "PID " << pid << " late";
                EXPECT_LT(dts * 300 - pcr, 27'000'000) << "PID " << pid << " early";
            }
            s.dts = dts;
            ++s.units;
        }
        int media = 0;
        for (const auto& [pid, s] : pids) media += s.units > 50;
        EXPECT_GE(media, 4) << "streams with pictures or sound";
    }
}

TEST(MediaMux, ScrambledProgramsStayScrambled) {
    REQUIRE_MEDIA();
    const auto packets = Play("pay6", true, 2.0);
    // Program 1 scrambled as a whole, program 2's data stream alone.
    const std::map<int, bool> scrambled{{0x210, true},  {0x211, true}, {0x213, true},
                                        {0x221, false}, {0x223, true}, {0x231, false}};
    std::map<int, int> seen;
    for (const TsPacket& p : packets) {
        const auto it = scrambled.find(Pid(p));
        if (it == scrambled.end() || !HasPayload(p)) continue;
        ++seen[it->first];
        EXPECT_EQ((p[3] & 0xC0) == 0x80, it->second) << "PID " << it->first;
    }
    EXPECT_EQ(seen.size(), scrambled.size());
}

// ffmpeg decodes the multiplex: the name box at the top of program 1's
// picture stays the same from one second to the next but differs from
// program 3's.
TEST(MediaMux, ProgramsShowTheirOwnNames) {
    REQUIRE_MEDIA();
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg";
    testing::CTempDir dir;
    const auto packets = Play("news10", true, 4.0);
    const std::string ts = (dir.Path() / "news10.ts").string();
    std::ofstream(ts, std::ios::binary)
        .write(reinterpret_cast<const char*>(packets.data()),
               static_cast<std::streamsize>(packets.size() * sizeof(TsPacket)));
    // The name box shrunk to 64x16 grey pixels.
    auto nameBox = [&](int program, const char* at) {
        const std::string out = (dir.Path() / "box").string();
        const std::string cmd = "ffmpeg -v error -y -i " + ts +
                                " -map 0:p:" + std::to_string(program) + ":v -ss " + at +
                                " -frames:v 1 -vf crop=320:72:0:16,scale=64:16,format=gray"
                                " -f rawvideo " +
                                out;
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        std::ifstream in(out, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    };
    // Pixels far apart: coding noise stays well below the threshold, a
    // different glyph does not.
    auto differing = [](const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
        if (a.size() != 1024 || b.size() != 1024) return 1024;
        int count = 0;
        for (std::size_t i = 0; i < a.size(); ++i) count += std::abs(a[i] - b[i]) > 48;
        return count;
    };
    const auto first = nameBox(1, "1.5");
    EXPECT_LE(differing(first, nameBox(1, "2.9")), 4);
    EXPECT_GE(differing(first, nameBox(3, "1.5")), 12);
}

}  // namespace
}  // namespace orbix
