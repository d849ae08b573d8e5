#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "db/channel_database.h"
#include "platform/text.h"
#include "search/dvb_text.h"
#include "search/network_scan.h"
#include "search/service_names.h"
#include "search/si_receive.h"
#include "search/si_tables.h"
#include "sim/si_generator.h"
#include "sim/sky.h"
#include "sim/ts_mux.h"

namespace orbix {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view s) { return {s.begin(), s.end()}; }

TEST(DvbText, DecodesEveryTableToGbk) {
    struct Case {
        const char* what;
        std::string_view bytes;
        NoSelectorCharset noSelector;
        const char* utf8;
    };
    const Case cases[] = {
        {"GB2312 selector", "\x13\xd6\xd0\xce\xc4", NoSelectorCharset::Iso6937, "中文"},
        {"GBK without selector, set to GBK", "\xd6\xd0\xce\xc4", NoSelectorCharset::Gb18030,
         "中文"},
        {"ISO 6937 diacritic before its letter",
         "Caf\xc2"
         "e",
         NoSelectorCharset::Iso6937, "Café"},
        {"UCS-2", std::string_view("\x11\x4e\x2d\x65\x87", 5), NoSelectorCharset::Iso6937, "中文"},
        {"UTF-8, a character GBK lacks, then more", "\x15\xe4\xb8\xad\xf0\x9f\x98\x80X",
         NoSelectorCharset::Iso6937, "中?X"},
        {"UTF-8 cut inside a character",
         "\x15"
         "A\xe4\xb8",
         NoSelectorCharset::Iso6937, "A?"},
        {"ISO 8859-5 by number", std::string_view("\x10\x00\x05\xd1\xd2", 5),
         NoSelectorCharset::Iso6937, "бв"},
        {"ISO 8859-7 by selector", "\x03\xe1", NoSelectorCharset::Iso6937, "α"},
        {"euro sign GBK lacks", "\x03\xa4\xe1", NoSelectorCharset::Iso6937, "?α"},
        {"reserved selector",
         "\x1c"
         "ABC",
         NoSelectorCharset::Iso6937, ""},
        {"ISO 8859 part 12 does not exist",
         std::string_view("\x10\x00\x0c"
                          "A",
                          4),
         NoSelectorCharset::Iso6937, ""},
        {"emphasis dropped, line break a blank",
         "A\x86"
         "B\x87\x8a"
         "C",
         NoSelectorCharset::Iso6937, "AB C"},
        {"record separator and outer blanks", "  a|b  ", NoSelectorCharset::Iso6937, "a/b"},
        {"empty", "", NoSelectorCharset::Iso6937, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8(DecodeDvbText(B(c.bytes), c.noSelector)), c.utf8) << c.what;
    }
    // The standard's default table does not make Chinese of GBK bytes.
    EXPECT_NE(Utf8(DecodeDvbText(B("\xd6\xd0\xce\xc4"), NoSelectorCharset::Iso6937)), "中文");
}

TEST(DvbText, CutsOnlyBetweenCharacters) {
    const std::string text = Gbk("ab中文");
    EXPECT_EQ(CutGbk(text, 3), "ab");
    EXPECT_EQ(CutGbk(text, 4), Gbk("ab中"));
    EXPECT_EQ(CutGbk(text, 99), text);
}

TEST(ServiceNames, LongNamesFitTheRecordAndKeepTheScrambledMark) {
    ProgramEntry p{Gbk("节目1"), Gbk("节目1(加扰)"), Gbk("电视节目"), "1001", "211", "212", "210",
                   "210"};
    const std::string longName = Gbk("很长很长很长很长很长很长很长的名字");
    const std::string name = ProgramNameFor(p, longName);
    p.name = name;
    EXPECT_LE(CChannelDatabase::BuildProgramRecord(p).size(), 49u);
    EXPECT_TRUE(name.ends_with(Gbk("(加扰)"))) << Utf8(name);
    EXPECT_TRUE(longName.starts_with(name.substr(0, name.size() - Gbk("(加扰)").size())));
    EXPECT_EQ(ProgramNameFor(p, "   "), p.name);  // nothing to name it by
}

sim::MuxConfig Mux(int tv, int radio) { return sim::MakeMux(tv, radio, 0, false); }

std::vector<Bytes> SdtSections(const sim::MuxConfig& config) {
    std::vector<Bytes> out;
    const auto si = sim::SiContextOf(sim::DefaultSky(), 0, 4);
    for (const auto& s : sim::BuildSiSections(config, si))
        if (s.pid == kSdtPid) out.push_back(s.bytes);
    return out;
}

TEST(SdtSection, GeneratedTableNamesEveryServiceDistinctly) {
    const auto config = Mux(30, 10);
    const auto sections = SdtSections(config);
    ASSERT_EQ(sections.size(), 2u);  // 40 services take two sections
    const ServiceNames names = DecodeServiceNames(sections, NoSelectorCharset::Iso6937);
    ASSERT_EQ(names.size(), 40u);
    std::set<std::string> distinct;
    for (std::size_t i = 0; i < 40; ++i) {
        const auto& text = names.at(config.programs[i].number);
        EXPECT_EQ(Utf8(text.name), sim::ServiceNameUtf8(i));
        EXPECT_EQ(Utf8(text.provider), i % 2 == 0 ? "天网传媒" : "SkyCast");
        distinct.insert(text.name);
    }
    EXPECT_EQ(distinct.size(), 40u);
}

TEST(SdtSection, CutOrDamagedSectionsAreRefusedOrEndTheirLoop) {
    const Bytes whole = SdtSections(Mux(2, 0)).front();
    for (std::size_t n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(ParseSdtSection(std::span(whole).first(n))) << n;
    }
    Bytes badCrc = whole;
    badCrc.back() ^= 1;
    EXPECT_FALSE(ParseSdtSection(badCrc));
    EXPECT_FALSE(ParseNitSection(whole));  // not the table asked for

    // A service descriptor whose name runs past it: the service stays,
    // without a name, and the search keeps the numbered one.
    Bytes s{0x42, 0, 0, 0, 1, 0xC1, 0, 0, 0, 1, 0xFF, 0, 1, 0xFC, 0x80, 6, 0x48, 4, 1, 0, 5, 'A'};
    const auto sdt = ParseSdtSection(sim::FinishSection(s));
    ASSERT_TRUE(sdt);
    ASSERT_EQ(sdt->services.size(), 1u);
    EXPECT_FALSE(sdt->services[0].hasServiceDescriptor);
}

// The sections as the card delivers them: cut into packets on one
// continuity counter, seven to a datagram.
std::vector<Bytes> Datagrams(const std::vector<Bytes>& sections, std::uint16_t pid, int repeats) {
    std::vector<sim::TsPacket> packets;
    std::uint8_t continuity = 0;
    for (int r = 0; r < repeats; ++r)
        for (const Bytes& s : sections) {
            const auto p = sim::PacketizeSection(pid, s, continuity);
            packets.insert(packets.end(), p.begin(), p.end());
        }
    std::vector<Bytes> out;
    for (std::size_t i = 0; i < packets.size(); i += 7) {
        const std::vector<sim::TsPacket> seven(
            packets.begin() + static_cast<long>(i),
            packets.begin() + static_cast<long>(std::min(i + 7, packets.size())));
        out.push_back(sim::JoinPackets(seven));
    }
    return out;
}

TEST(ServiceNames, ReceivedFromTheStreamWithinTheTime) {
    const auto config = Mux(30, 10);
    CVirtualClock clock;
    CStopSignal stop;
    struct Case {
        const char* what;
        int repeats;
        int dropDatagram;  // -1: none
        bool received;
    };
    for (const Case c :
         {Case{"whole table", 1, -1, true}, Case{"a lost datagram, then again", 3, 0, true},
          Case{"a lost datagram, once", 2, 0, false}, Case{"nothing", 0, -1, false}}) {
        CBufferDatagramSource source;
        const auto datagrams = Datagrams(SdtSections(config), kSdtPid, c.repeats);
        for (std::size_t i = 0; i < datagrams.size(); ++i)
            if (static_cast<int>(i) != c.dropDatagram) source.Add(datagrams[i]);
        const TableWait wait{source, clock, stop, kSdtWaitMs, {}};
        const SdtResult r = ReceiveServiceNames(wait, NoSelectorCharset::Iso6937);
        EXPECT_EQ(r.received, c.received) << c.what;
        EXPECT_EQ(r.services.size(), c.received ? 40u : 0u) << c.what;
    }
}

TEST(ServiceNames, OnlyProgramsInTheTableAreRenamed) {
    PatTable pat;
    pat.entries[0] = {0, 0x10};
    pat.entries[1] = {1, 0x1001};
    pat.entries[2] = {7, 0x1007};
    pat.count = 3;
    std::vector<ProgramEntry> programs(2);
    programs[0] = {Gbk("节目1"), Gbk("节目1"), Gbk("电视节目"), "1001", "00", "00", "00", "0"};
    programs[1] = {Gbk("节目2"), Gbk("节目2"), Gbk("电视节目"), "1007", "00", "00", "00", "0"};
    const ServiceNames services{{7, {Gbk("体育"), Gbk("天网")}}, {9, {"Other", ""}}};
    std::map<std::string, std::string> providers;
    EXPECT_EQ(ApplyServiceNames(programs, pat, services, providers), 1);
    EXPECT_EQ(Utf8(programs[0].name), "节目1");
    EXPECT_EQ(Utf8(programs[1].name), "体育");
    EXPECT_EQ(programs[1].key, Gbk("节目2"));  // the key stays
    EXPECT_EQ(providers, (std::map<std::string, std::string>{{Gbk("节目2"), Gbk("天网")}}));
}

// The NIT of the simulated Sat-Ku as deliveries.
std::vector<SatelliteDelivery> SkuDeliveries() {
    std::vector<Bytes> sections;
    for (const auto& s : sim::BuildSiSections(Mux(1, 0), sim::SiContextOf(sim::DefaultSky(), 0, 4)))
        if (s.pid == kNitPid) sections.push_back(s.bytes);
    return DeliveriesOf(sections);
}

TransponderParams Stored(const char* name, float mhz, const char* pol, const char* lo,
                         const char* tone) {
    TransponderParams tp;
    tp.satellite = "Sat-Ku";
    tp.name = name;
    tp.frequency = mhz;
    tp.polarisation = Gbk(pol);
    tp.lnbFrequency = lo;
    tp.tone22k = Gbk(tone);
    tp.diseqc = Gbk("关");
    return tp;
}

TEST(NetworkScan, PlansTheSatellitesOtherTranspondersWithTheStoredLnb) {
    const TransponderParams locked = Stored("12622V", 12622, "垂直", "10600", "开");
    const NetworkPlan plan = PlanNetworkTransponders(SkuDeliveries(), {locked}, locked);
    EXPECT_EQ(plan.counts.added, 4);
    EXPECT_EQ(plan.counts.known, 1);
    std::vector<std::string> records;
    for (const auto& tp : plan.add) records.push_back(Utf8(CChannelDatabase::BuildAddRecord(tp)));
    EXPECT_EQ(records, (std::vector<std::string>{"11052V|11052.0|27500f|垂直|9750|3/4|关|Ku|关|",
                                                 "11471H|11471.0|22000f|水平|9750|2/3|关|Ku|关|",
                                                 "12010V|12010.0|22000f|垂直|10600|5/6|关|Ku|开|",
                                                 "12380H|12380.0|5000f|水平|10600|1/2|关|Ku|开|"}));
}

TEST(NetworkScan, CountsWhatItSkips) {
    std::vector<SatelliteDelivery> d = SkuDeliveries();
    d[0].dvbS2 = true;              // 11052V
    d[1].modulationType = 2;        // 11471H, 8PSK
    d[2].orbitalPosition = 1300;    // 12010V elsewhere
    d[3].frequency10kHz = 1238150;  // 12381.5H, near a stored 12380H
    struct Case {
        const char* what;
        TransponderParams locked;
        std::vector<TransponderParams> stored;
        NetworkScanCounts counts;
    };
    const TransponderParams locked = Stored("12622V", 12622, "垂直", "10600", "开");
    const TransponderParams near = Stored("12380H", 12380, "水平", "10600", "开");
    const TransponderParams nearOtherPol = Stored("12380V", 12380, "垂直", "10600", "开");
    for (const Case& c :
         {Case{"near one known", locked, {locked, near}, {0, 2, 2, 1}},
          Case{"other polarisation is new", locked, {locked, nearOtherPol}, {1, 1, 2, 1}}}) {
        const NetworkPlan plan = PlanNetworkTransponders(d, c.stored, c.locked);
        EXPECT_EQ(plan.counts.added, c.counts.added) << c.what;
        EXPECT_EQ(plan.counts.known, c.counts.known) << c.what;
        EXPECT_EQ(plan.counts.skippedS2, c.counts.skippedS2) << c.what;
        EXPECT_EQ(plan.counts.skippedPosition, c.counts.skippedPosition) << c.what;
    }
}

TEST(NitSection, CutSectionsAreRefused) {
    std::vector<Bytes> sections;
    for (const auto& s : sim::BuildSiSections(Mux(1, 0), sim::SiContextOf(sim::DefaultSky(), 0, 4)))
        if (s.pid == kNitPid) sections.push_back(s.bytes);
    ASSERT_EQ(sections.size(), 1u);
    for (std::size_t n = 0; n < sections[0].size(); ++n)
        EXPECT_FALSE(ParseNitSection(std::span(sections[0]).first(n))) << n;
    EXPECT_EQ(DeliveriesOf(sections).size(), 5u);
    // A frequency that is not BCD drops that one delivery.
    Bytes bad = sections[0];
    const std::array<std::uint8_t, 2> kTag{0x43, 11};
    const auto at = std::search(bad.begin(), bad.end(), kTag.begin(), kTag.end());
    ASSERT_NE(at, bad.end());
    at[2] = 0xAA;
    bad.resize(bad.size() - 4);
    sim::AppendMpegCrc32(bad);
    EXPECT_EQ(DeliveriesOf({bad}).size(), 4u);
}

}  // namespace
}  // namespace orbix
