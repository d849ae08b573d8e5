#include <gtest/gtest.h>

#include "platform/text.h"
#include "search/program_search.h"

namespace orbix {
namespace {

SearchRow Row(std::vector<std::pair<std::uint8_t, std::uint16_t>> streams, std::uint16_t pcr,
              bool programScrambled = false, bool streamScrambled = false) {
    SearchRow row;
    row.streamCount = static_cast<int>(streams.size());
    for (std::size_t k = 0; k < streams.size(); ++k) {
        row.streamTypes[k] = streams[k].first;
        row.streamPids[k] = streams[k].second;
    }
    row.pcrPid = pcr;
    row.programScrambled = programScrambled;
    row.streamScrambled = streamScrambled;
    return row;
}

TEST(MakeProgramEntry, FillsTheRecordFromThePatEntryAndItsRow) {
    const struct {
        const char* what;
        int key;
        int index;
        PatEntry entry;
        SearchRow row;
        // name, type, pmt, audio 1, audio 2, video, pcr (UTF-8)
        std::array<const char*, 7> expected;
    } cases[] = {
        {"video and two audio",
         1,
         1,
         {1, 0x100},
         Row({{2, 0x101}, {4, 0x102}, {4, 0x103}}, 0x101),
         {"节目1", "电视节目", "100", "102", "103", "101", "101"}},
        {"three audio: the second is the last",
         2,
         2,
         {2, 0x1FF},
         Row({{4, 0x201}, {1, 0x202}, {3, 0x203}, {4, 0x204}}, 0x202),
         {"节目2", "电视节目", "1ff", "201", "204", "202", "202"}},
        {"two video streams: the last counts",
         1,
         0,
         {5, 0x30},
         Row({{2, 0x31}, {2, 0x32}}, 0x31),
         {"节目0", "电视节目", "30", "00", "00", "32", "31"}},
        {"scrambled stream",
         3,
         4,
         {9, 0x900},
         Row({{3, 0x901}}, 0x901, false, true),
         {"节目4(加扰)", "广播节目", "900", "901", "00", "00", "901"}},
        {"scrambled program",
         3,
         4,
         {9, 0x900},
         Row({{3, 0x901}}, 0x901, true, false),
         {"节目4(加扰)", "广播节目", "900", "901", "00", "00", "901"}},
        {"only types 6 and 0x1B",
         1,
         1,
         {1, 0x40},
         Row({{6, 0x41}, {0x1B, 0x42}}, 0x42),
         {"节目1", "广播节目", "40", "00", "00", "00", "42"}},
        {"PMT never found",
         1,
         1,
         {1, 0x40},
         SearchRow{},
         {"节目1", "广播节目", "40", "00", "00", "00", "0"}},
    };
    for (const auto& c : cases) {
        const ProgramEntry e = MakeProgramEntry(c.key, c.index, c.entry, c.row);
        EXPECT_EQ(Utf8(e.key), "节目" + std::to_string(c.key)) << c.what;
        EXPECT_EQ(Utf8(e.name), c.expected[0]) << c.what;
        EXPECT_EQ(Utf8(e.type), c.expected[1]) << c.what;
        EXPECT_EQ(e.pmtPid, c.expected[2]) << c.what;
        EXPECT_EQ(e.audioPid1, c.expected[3]) << c.what;
        EXPECT_EQ(e.audioPid2, c.expected[4]) << c.what;
        EXPECT_EQ(e.videoPid, c.expected[5]) << c.what;
        EXPECT_EQ(e.pcrPid, c.expected[6]) << c.what;
    }
}

}  // namespace
}  // namespace orbix
