#include "search/psi.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/search/ts_builder.h"

namespace orbix {
namespace {

using test::Bytes;
using test::FillerPacket;
using test::Join;
using test::Packets;
using test::PatSection;

TEST(HexToInt, ConvertsAsCallersExpect) {
    const struct {
        const char* text;
        int value;
    } cases[] = {{"1FFF", 8191}, {"ff", 255}, {"", 0},          {"g", 55},
                 {"1ff", 511},   {"00", 0},   {"FFFFFFFF", -1}, {"100000000", 0}};
    for (const auto& c : cases) EXPECT_EQ(HexToInt(c.text), c.value) << c.text;
}

TEST(ParsePat, TakesTheFirstPatPacketOfTheDatagram) {
    std::vector<sim::TsPacket> packets(7, FillerPacket(0x100));
    packets[2] = Packets(0, PatSection({{0, 0x10}, {1, 0x100}, {2, 0x200}}))[0];
    packets[4] = Packets(0, PatSection({{9, 0x900}}))[0];
    const Bytes buffer = Join(packets);
    PatTable table;
    ASSERT_EQ(ParsePat(buffer, 7, table), 3);
    EXPECT_EQ(table.tableId, 0);
    EXPECT_EQ(table.sectionLength, 9 + 12);
    EXPECT_EQ(table.entries[0].programNumber, 0);
    EXPECT_EQ(table.entries[0].pid, 0x10);
    EXPECT_EQ(table.entries[2].programNumber, 2);
    EXPECT_EQ(table.entries[2].pid, 0x200);
}

TEST(ParsePat, EmptyPatHasNoEntries) {
    const Bytes buffer = Join(Packets(0, PatSection({})));
    PatTable table;
    table.count = 5;
    EXPECT_EQ(ParsePat(buffer, 1, table), 0);
    EXPECT_EQ(table.count, 0);
}

TEST(ParsePat, PatSpanningTwoPacketsKeepsTheFirst64Entries) {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> entries;
    for (std::uint16_t i = 1; i <= 70; ++i)
        entries.push_back({i, static_cast<std::uint16_t>(0x100 + i)});
    auto packets = Packets(0, PatSection(entries));
    ASSERT_EQ(packets.size(), 2u);
    packets.insert(packets.begin() + 1, FillerPacket(0x33));
    const Bytes buffer = Join(packets);
    PatTable table;
    ASSERT_EQ(ParsePat(buffer, 3, table), kPatCapacity);
    EXPECT_EQ(table.entries[63].programNumber, 64);
    EXPECT_EQ(table.entries[63].pid, 0x140);
}

TEST(ParsePat, PointerFieldIsHonoured) {
    Bytes section = PatSection({{7, 0x700}});
    sim::TsPacket p = FillerPacket(0);
    p[1] |= 0x40;
    p[4] = 10;  // ten bytes of a previous section come first
    std::copy(section.begin(), section.end(), p.begin() + 15);
    const Bytes buffer(p.begin(), p.end());
    PatTable table;
    ASSERT_EQ(ParsePat(buffer, 1, table), 1);
    EXPECT_EQ(table.entries[0].programNumber, 7);
    EXPECT_EQ(table.entries[0].pid, 0x700);
}

// A buffer whose PAT must not be taken, and what must come back.
struct BadPat {
    const char* name;
    Bytes buffer;
    int packets;
    int result;
};

Bytes PatWithLength(int length) {
    Bytes section = PatSection({{1, 0x100}});
    test::SetSectionLength(section, length);
    return Join(Packets(0, section));
}

Bytes PatWithPointer(std::uint8_t pointer) {
    Bytes buffer = Join(Packets(0, PatSection({{1, 0x100}})));
    buffer[4] = pointer;
    return buffer;
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST(ParsePat, BadStreamsNeverReadOutsideAndGiveTheHardenedResult) {
    const Bytes good = Join(Packets(0, PatSection({{1, 0x100}, {2, 0x200}})));
    Bytes noStart = good;
    noStart[1] &= 0xBF;
    Bytes adaptationPastEnd = good;
    adaptationPastEnd[3] = 0x30;
    adaptationPastEnd[4] = 200;
    const BadPat cases[] = {
        {"zero-filled", Bytes(kDatagramSize, 0), 7, -1},
        {"all 0xFF", Bytes(kDatagramSize, 0xFF), 7, -1},
        {"section_length below its header", PatWithLength(8), 1, -1},
        {"section_length zero", PatWithLength(0), 1, -1},
        {"section_length above the largest legal", PatWithLength(1022), 1, -1},
        {"section_length beyond the bytes held", PatWithLength(1021), 1, -1},
        {"pointer_field past the packet", PatWithPointer(183), 1, -1},
        {"pointer_field at the last byte", PatWithPointer(182), 1, -1},
        {"adaptation field past the packet", adaptationPastEnd, 1, -1},
        {"no section start", noStart, 1, -1},
        {"datagram cut inside the header", Cut(good, 10), 1, -1},
        {"datagram cut inside a packet", Cut(good, 187), 1, -1},
        {"count larger than the buffer", good, 7, 2},
        {"negative count", good, -3, -1},
    };
    for (const BadPat& c : cases) {
        PatTable table;
        table.count = 77;
        const int result = ParsePat(c.buffer, c.packets, table);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(table.count, result < 0 ? 77 : result) << c.name;
    }
}

sim::MuxProgram Program(std::vector<sim::MuxStream> streams) {
    return sim::MuxProgram{1, 0x100, 0x101, std::move(streams), false, 0};
}

TEST(ParsePmt, ReadsStreamsAndCaDescriptors) {
    const struct {
        const char* name;
        sim::MuxProgram program;
        int streams;
        bool programScrambled;
        bool streamScrambled;
    } cases[] = {
        {"plain", Program({{2, 0x101, false}, {4, 0x102, false}}), 2, false, false},
        {"CA in the second stream", Program({{2, 0x101, false}, {4, 0x102, true}}), 2, false, true},
        {"CA at program level", sim::MuxProgram{1, 0x100, 0x101, {{2, 0x101, false}}, true, 0}, 1,
         true, false},
        {"no streams", Program({}), 0, false, false},
    };
    for (const auto& c : cases) {
        const Bytes buffer = Join(Packets(0x100, sim::BuildPmtSection(c.program)));
        PmtTable table;
        ASSERT_EQ(ParsePmt(buffer, 1, table, 0x100), c.streams) << c.name;
        EXPECT_EQ(table.programScrambled, c.programScrambled) << c.name;
        EXPECT_EQ(table.streamScrambled, c.streamScrambled) << c.name;
        EXPECT_EQ(table.pcrPid, 0x101) << c.name;
        for (int k = 0; k < c.streams; ++k) {
            EXPECT_EQ(table.streams[k].pid, c.program.streams[k].pid) << c.name;
            EXPECT_EQ(table.streams[k].streamType, c.program.streams[k].streamType) << c.name;
        }
    }
}

// A PMT section of the given section_length (streams of type 6 with
// descriptors as filler), CRC bytes included.
Bytes PmtOfLength(int length) {
    sim::MuxProgram program = Program({});
    program.privateInfoBytes = 0;
    Bytes section = sim::BuildPmtSection(program);  // section_length 13
    int grow = length - 13;
    std::vector<sim::MuxStream> streams;
    while (grow >= 5) {
        streams.push_back({6, static_cast<std::uint16_t>(0x200 + streams.size()), false});
        grow -= 5;
    }
    program.streams = streams;
    program.privateInfoBytes = grow == 0 ? 0 : grow + 5;  // ends on an exact length
    if (grow != 0) program.streams.pop_back();
    section = sim::BuildPmtSection(program);
    return section;
}

TEST(AssembleSection, TakesContinuationsOnlyWhenTheSectionNeedsThem) {
    const struct {
        int sectionLength;
        std::size_t packets;
    } cases[] = {{184, 1}, {185, 2}, {367, 2}, {368, 3}, {1021, 6}};
    for (const auto& c : cases) {
        const Bytes section = PmtOfLength(c.sectionLength);
        ASSERT_EQ(((section[1] & 0x0F) << 8 | section[2]), c.sectionLength);
        auto packets = Packets(0x100, section);
        // Other PIDs between the first packet and its continuations are skipped.
        for (std::size_t i = 1; i < packets.size(); i += 2)
            packets.insert(packets.begin() + static_cast<long>(i), FillerPacket(0x55));
        const Bytes buffer = Join(packets);
        std::vector<std::uint8_t> out(kAssemblyAreaSize);
        const int n = static_cast<int>(packets.size());
        ASSERT_EQ(AssembleSection(0x100, 1, buffer, n, out), 1) << c.sectionLength;
        PmtTable table;
        EXPECT_GE(ParsePmt(out, 1, table, 0x100), 0) << c.sectionLength;
        EXPECT_EQ(table.sectionLength, c.sectionLength);
        // Without its continuations the section is not complete.
        if (c.packets > 1) {
            EXPECT_EQ(AssembleSection(0x100, 1, buffer, 2, out), 0) << c.sectionLength;
        }
    }
}

TEST(AssembleSection, LongPmtGivesEveryStream) {
    const sim::MuxConfig mux = sim::MakeMux(2, 0, 0, true);
    const sim::MuxProgram& program = mux.programs[0];
    const Bytes buffer = Join(Packets(program.pmtPid, sim::BuildPmtSection(program)));
    ASSERT_GT(buffer.size(), 188u);
    std::vector<std::uint8_t> out(kAssemblyAreaSize);
    ASSERT_EQ(
        AssembleSection(program.pmtPid, 1, buffer, static_cast<int>(buffer.size() / 188), out), 1);
    PmtTable table;
    ASSERT_EQ(ParsePmt(out, 1, table, program.pmtPid), static_cast<int>(program.streams.size()));
    EXPECT_EQ(table.streams[13].pid, program.streams[13].pid);
}

TEST(AssembleSection, MatchesTheProgramNumberAndRefusesSmallAreas) {
    const Bytes buffer = Join(Packets(0x100, sim::BuildPmtSection(Program({{2, 0x101, false}}))));
    std::vector<std::uint8_t> out(kAssemblyAreaSize);
    EXPECT_EQ(AssembleSection(0x100, 2, buffer, 1, out), 0);
    EXPECT_EQ(AssembleSection(0x101, 1, buffer, 1, out), 0);
    std::vector<std::uint8_t> small(100);
    EXPECT_EQ(AssembleSection(0x100, 1, buffer, 1, small), 0);
}

Bytes PmtPacket(const sim::MuxProgram& program, void (*damage)(Bytes&)) {
    Bytes section = sim::BuildPmtSection(program);
    damage(section);
    return Join(Packets(0x100, section));
}

TEST(ParsePmt, BadStreamsNeverReadOutsideAndGiveTheHardenedResult) {
    std::vector<sim::MuxStream> many;
    for (std::uint16_t k = 0; k < 36; ++k)
        many.push_back({3, static_cast<std::uint16_t>(0x300 + k), false});
    const sim::MuxProgram two = Program({{2, 0x101, false}, {4, 0x102, false}});
    sim::MuxProgram withInfo = two;
    withInfo.privateInfoBytes = 10;
    const struct {
        const char* name;
        Bytes buffer;
        int result;
    } cases[] = {
        {"section_length below its header",
         PmtPacket(two, [](Bytes& s) { test::SetSectionLength(s, 12); }), -1},
        {"section_length above the largest legal",
         PmtPacket(two, [](Bytes& s) { test::SetSectionLength(s, 0xFFF); }), -1},
        {"section_length beyond the bytes held",
         PmtPacket(two, [](Bytes& s) { test::SetSectionLength(s, 1000); }), -1},
        {"program_info_length past the section",
         PmtPacket(two, [](Bytes& s) { s[10] = 0xFF, s[11] = 0xFF; }), 0},
        {"descriptor length past program_info", PmtPacket(withInfo, [](Bytes& s) { s[13] = 200; }),
         2},
        {"ES_info_length past the section",
         PmtPacket(two, [](Bytes& s) { s[15] = 0xFF, s[16] = 0xFF; }), 1},
        {"more than 32 streams (two packets)",
         Join(Packets(0x100, sim::BuildPmtSection(Program(many)))), kPmtStreamCapacity},
        {"zero-filled", Bytes(kDatagramSize, 0), -1},
        {"all 0xFF", Bytes(kDatagramSize, 0xFF), -1},
    };
    for (const auto& c : cases) {
        PmtTable table;
        table.streamCount = 77;
        const int result =
            ParsePmt(c.buffer, static_cast<int>(c.buffer.size() / 188), table, 0x100);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(table.streamCount, result < 0 ? 77 : result) << c.name;
    }
}

}  // namespace
}  // namespace orbix
