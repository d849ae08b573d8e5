#include "search/psi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/search/ts_builder.h"
#include "tests/support/temp_dir.h"

namespace orbix {
namespace {

using namespace test;

// The longest legal section and its three header bytes.
constexpr std::size_t kSectionLengthBytes = 3 + kMaxSectionLength;

// Damage done to a section or packet; Length sets section_length of the
// section starting at byte at.
using Damage = std::function<void(Bytes&)>;
Damage Length(int length, std::size_t at = 0) {
    return [=](Bytes& s) { SetSectionLength(s, length, at); };
}

// A PAT whose section_length is length, held in full over six packets: its
// entries run on into 0xFF filler.
Bytes LongPat(int length) {
    Bytes section = PatSection({{1, 0x100}, {2, 0x200}});
    section.resize(kSectionLengthBytes, 0xFF);
    SetSectionLength(section, length);
    return Join(Packets(0, section));
}

Bytes PatWith(const Damage& damage = nullptr) {
    Bytes buffer = Join(Packets(0, PatSection({{1, 0x100}, {2, 0x200}})));
    if (damage) damage(buffer);
    return buffer;
}

// Good PATs give their entries; bad streams give -1 and leave the table as it
// was, reading nothing outside the buffer (the sanitizers watch).
TEST(ParsePat, GoodAndBadStreams) {
    std::vector<sim::TsPacket> first(7, FillerPacket(0x100));
    first[2] = Packets(0, PatSection({{0, 0x10}, {1, 0x100}, {2, 0x200}}))[0];
    first[4] = Packets(0, PatSection({{9, 0x900}}))[0];
    // 70 entries over two packets, another PID between them: the first 64 kept.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> seventy;
    for (std::uint16_t i = 1; i <= 70; ++i)
        seventy.push_back({i, static_cast<std::uint16_t>(0x100 + i)});
    auto spanning = Packets(0, PatSection(seventy));
    spanning.insert(spanning.begin() + 1, FillerPacket(0x33));
    // Ten bytes of a previous section before the pointer_field's start.
    const Bytes pointed =
        PatWith([](Bytes& b) { b.insert(b.begin() + 5, 10, 0xAA), b.resize(188), b[4] = 10; });
    const Bytes good = PatWith();
    const std::tuple<const char*, Bytes, int, int, PatEntry> cases[] = {
        {"first PAT of the datagram", Join(first), 7, 3, {2, 0x200}},
        {"empty PAT", Join(Packets(0, PatSection({}))), 1, 0, {}},
        {"more than 64 entries", Join(spanning), 3, kPatCapacity, {64, 0x140}},
        {"pointer_field honoured", pointed, 1, 2, {2, 0x200}},
        {"count larger than the buffer", good, 7, 2, {2, 0x200}},
        {"zero-filled", Bytes(kDatagramSize, 0), 7, -1, {}},
        {"section_length below its header", PatWith(Length(8, 5)), 1, -1, {}},
        {"section_length above the largest legal", PatWith(Length(1022, 5)), 1, -1, {}},
        {"section_length beyond the bytes held", PatWith(Length(1021, 5)), 1, -1, {}},
        {"section_length 1021 held in full", LongPat(1021), 6, kPatCapacity, {0xFFFF, 0x1FFF}},
        {"section_length 1022 held in full", LongPat(1022), 6, -1, {}},
        {"pointer_field past the packet", PatWith([](Bytes& b) { b[4] = 183; }), 1, -1, {}},
        {"adaptation too long", PatWith([](Bytes& b) { b[3] = 0x30, b[4] = 200; }), 1, -1, {}},
        {"no section start", PatWith([](Bytes& b) { b[1] &= 0xBF; }), 1, -1, {}},
        {"datagram cut inside a packet", PatWith([](Bytes& b) { b.resize(187); }), 1, -1, {}},
        {"negative count", good, -3, -1, {}},
    };
    for (const auto& [name, buffer, packets, expected, last] : cases) {
        PatTable table;
        table.count = 77;
        const int result = ParsePat(buffer, packets, table);
        EXPECT_EQ(result, expected) << name;
        EXPECT_EQ(table.count, result < 0 ? 77 : result) << name;
        if (result <= 0) continue;
        EXPECT_EQ(table.entries[result - 1].programNumber, last.programNumber) << name;
        EXPECT_EQ(table.entries[result - 1].pid, last.pid) << name;
    }
}

sim::MuxProgram Program(std::vector<sim::MuxStream> streams, bool scrambled = false, int info = 0) {
    return sim::MuxProgram{1, 0x100, 0x101, std::move(streams), scrambled, info};
}

TEST(AssembleSection, TakesContinuationsOnlyWhenTheSectionNeedsThem) {
    // Packets needed: the section is complete once the bytes before its CRC_32
    // are held; a first packet holds 183 bytes, a continuation 184.
    const std::pair<int, int> cases[] = {{184, 1}, {185, 2}, {367, 2}, {368, 3}, {1021, 6}};
    for (const auto& [length, needed] : cases) {
        auto packets = Packets(0x100, sim::BuildPmtSection(Program({}, false, length - 13)));
        for (std::size_t i = 1; i < packets.size(); i += 2)
            packets.insert(packets.begin() + static_cast<long>(i), FillerPacket(0x55));
        const Bytes buffer = Join(packets);
        std::vector<std::uint8_t> out(kAssemblyAreaSize);
        const int n = static_cast<int>(packets.size());
        ASSERT_EQ(AssembleSection(0x100, 1, buffer, n, out), 1) << length;
        PmtTable table;
        EXPECT_EQ(ParsePmt(out, 1, table, 0x100), 0) << length;
        EXPECT_EQ(table.sectionLength, length);
        // Without its continuations the section is not complete.
        EXPECT_EQ(AssembleSection(0x100, 1, buffer, 2, out), needed > 1 ? 0 : 1) << length;
    }
    // Another program number or PID, or an area too small, assembles nothing.
    const Bytes buffer = Join(Packets(0x100, sim::BuildPmtSection(Program({{2, 0x101}}))));
    std::vector<std::uint8_t> out(kAssemblyAreaSize), small(100);
    EXPECT_EQ(AssembleSection(0x100, 2, buffer, 1, out), 0);
    EXPECT_EQ(AssembleSection(0x101, 1, buffer, 1, out), 0);
    EXPECT_EQ(AssembleSection(0x100, 1, buffer, 1, small), 0);
}

Bytes PmtWith(const sim::MuxProgram& p, const Damage& damage = nullptr) {
    Bytes section = sim::BuildPmtSection(p);
    if (damage) damage(section);
    return Join(Packets(0x100, section));
}

// Good PMTs give their streams and CA descriptors; bad streams give -1 and
// leave the table as it was, or keep what lies within the bounds.
TEST(ParsePmt, GoodAndBadStreams) {
    std::vector<sim::MuxStream> many;
    for (std::uint16_t k = 0; k < 36; ++k)
        many.push_back({3, static_cast<std::uint16_t>(0x300 + k), false});
    const sim::MuxProgram two = Program({{2, 0x101}, {4, 0x102}});
    const sim::MuxProgram withInfo = Program(two.streams, false, 10);
    const struct {
        const char* name;
        Bytes buffer;
        int result;
        std::uint16_t lastPid;  // of the last stream kept
        bool programScrambled = false;
        bool streamScrambled = false;
    } cases[] = {
        {"plain", PmtWith(two), 2, 0x102},
        {"CA in the second stream", PmtWith(Program({{2, 0x101}, {4, 0x102, true}})), 2, 0x102,
         false, true},
        {"CA at program level", PmtWith(Program({{2, 0x101}}, true)), 1, 0x101, true},
        {"no streams", PmtWith(Program({})), 0, 0},
        {"section_length below its header", PmtWith(two, Length(12)), -1, 0},
        {"section_length above the largest legal", PmtWith(two, Length(0xFFF)), -1, 0},
        {"section_length beyond the bytes held", PmtWith(two, Length(1000)), -1, 0},
        {"program_info_length past the section",
         PmtWith(two, [](Bytes& s) { s[10] = 0xFF, s[11] = 0xFF; }), 0, 0},
        {"descriptor length past program_info", PmtWith(withInfo, [](Bytes& s) { s[13] = 200; }), 2,
         0x102},
        {"ES_info_length past the section",
         PmtWith(two, [](Bytes& s) { s[15] = 0xFF, s[16] = 0xFF; }), 1, 0x101},
        {"more than 32 streams (two packets)", PmtWith(Program(many)), kPmtStreamCapacity, 0x31F},
        {"zero-filled", Bytes(kDatagramSize, 0), -1, 0},
    };
    for (const auto& c : cases) {
        PmtTable table;
        table.streamCount = 77;
        const int result =
            ParsePmt(c.buffer, static_cast<int>(c.buffer.size() / 188), table, 0x100);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(table.streamCount, result < 0 ? 77 : result) << c.name;
        if (result < 0) continue;
        EXPECT_EQ(table.pcrPid, 0x101) << c.name;
        EXPECT_EQ(table.programScrambled, c.programScrambled) << c.name;
        EXPECT_EQ(table.streamScrambled, c.streamScrambled) << c.name;
        EXPECT_EQ(result > 0 ? table.streams[result - 1].pid : 0, c.lastPid) << c.name;
    }
}

TEST(StreamSource, RefusesBadDescriptionsWithAReason) {
    for (const char* text : {"mux:tv=x", "mux:tv=3,colour=2", "mux:tv=500", "mux:rate=5", "unknown",
                             "file:/no/such/file.ts", "file:/dev/null@x"}) {
        std::string error;
        EXPECT_EQ(sim::MakeStreamSource(text, 0, error), nullptr) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

// A file plays at its PCR rate, or at the rate given, and loops.
TEST(TsFileSource, PlaysAFileInALoopAtItsPcrRate) {
    testing::CTempDir dir;
    const std::string path = dir.File("a.ts");
    std::string error;
    auto mux = sim::MakeStreamSource("mux:tv=2,rate=2000000", 0, error);
    std::vector<sim::TsPacket> packets(3000);
    for (auto& p : packets) mux->NextPacket(p);
    const Bytes bytes = Join(packets);
    testing::WriteBytes(path, std::string(bytes.begin(), bytes.end()));
    auto file = sim::MakeStreamSource("file:" + path, 0, error);
    ASSERT_TRUE(file) << error;
    EXPECT_NEAR(static_cast<double>(file->BitRate()), 2e6, 2e4);
    EXPECT_EQ(sim::MakeStreamSource("file:" + path + "@5000000", 0, error)->BitRate(), 5000000);
    sim::TsPacket first, p;
    file->NextPacket(first);
    for (int i = 0; i < 3000; ++i) file->NextPacket(p);
    EXPECT_EQ(p, first);
}

}  // namespace
}  // namespace orbix
