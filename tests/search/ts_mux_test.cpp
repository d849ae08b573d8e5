// The simulated card's stream sources.
#include "sim/ts_mux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "search/psi.h"
#include "tests/search/ts_builder.h"

namespace orbix {
namespace {

TEST(StreamSource, DescriptionsAreReadOrRefusedWithAReason) {
    const struct {
        const char* text;
        int skyIndex;
        bool made;
        int programs;
    } cases[] = {
        {"", 0, true, 10},
        {"", 1, true, 40},
        {"", 2, true, 6},
        {"", 7, true, 8},
        {"news10", 5, true, 10},
        {"bouquet40", 0, true, 40},
        {"mux:tv=3,radio=2", 0, true, 5},
        {"tv=1", 0, true, 1},
        {"mux:tv=x", 0, false, 0},
        {"mux:tv=3,colour=2", 0, false, 0},
        {"mux:tv=500", 0, false, 0},
        {"mux:rate=5", 0, false, 0},
        {"unknown", 0, false, 0},
        {"file:/no/such/file.ts", 0, false, 0},
        {"file:/dev/null@x", 0, false, 0},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto source = sim::MakeStreamSource(c.text, c.skyIndex, error);
        EXPECT_EQ(source != nullptr, c.made) << c.text << ": " << error;
        if (!source) {
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        const auto* mux = dynamic_cast<const sim::CGeneratedMux*>(source.get());
        ASSERT_NE(mux, nullptr);
        EXPECT_EQ(static_cast<int>(mux->Config().programs.size()), c.programs) << c.text;
    }
}

TEST(GeneratedMux, RepeatsPsiAtItsIntervalWithPcrAndNulls) {
    std::string error;
    auto source = sim::MakeStreamSource("mux:tv=2,radio=1,rate=1504000,psi=50", 0, error);
    // 1000 packets a second: PSI every 50 packets.
    std::map<int, int> count;
    std::vector<int> patAt;
    int pcrs = 0;
    for (int i = 0; i < 1000; ++i) {
        sim::TsPacket p;
        source->NextPacket(p);
        ASSERT_EQ(p[0], 0x47);
        const int pid = PacketPid(p.data());
        ++count[pid];
        if (pid == 0) patAt.push_back(i);
        if ((p[3] & 0x20) && p[4] >= 7 && (p[5] & 0x10)) ++pcrs;
    }
    ASSERT_EQ(patAt.size(), 20u);
    EXPECT_EQ(patAt[1] - patAt[0], 50);
    EXPECT_GT(count[0x1FFF], 50);
    EXPECT_GE(pcrs, 3 * 30);  // every 30 ms at least, for each of three programs
}

TEST(TsFileSource, PlaysAFileInALoopAtItsPcrRate) {
    // A file of a generated multiplex at 2 Mbit/s.
    const auto path = std::filesystem::temp_directory_path() /
                      ("orbixrx-ts-" + std::to_string(::getpid()) + ".ts");
    std::string error;
    auto mux = sim::MakeStreamSource("mux:tv=2,rate=2000000", 0, error);
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 3000; ++i) {
            sim::TsPacket p;
            mux->NextPacket(p);
            out.write(reinterpret_cast<const char*>(p.data()), 188);
        }
    }
    auto file = sim::MakeStreamSource("file:" + path.string(), 0, error);
    ASSERT_TRUE(file) << error;
    EXPECT_NEAR(static_cast<double>(file->BitRate()), 2e6, 2e4);
    auto fixed = sim::MakeStreamSource("file:" + path.string() + "@5000000", 0, error);
    ASSERT_TRUE(fixed) << error;
    EXPECT_EQ(fixed->BitRate(), 5000000);
    sim::TsPacket first, p;
    file->NextPacket(first);
    for (int i = 1; i < 3000; ++i) file->NextPacket(p);
    file->NextPacket(p);
    EXPECT_EQ(p, first);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace orbix
