#include "db/channel_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "db/channel_import.h"
#include "db/transponder_merge.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace orbix {
namespace {

using namespace testing;
namespace fs = std::filesystem;

constexpr const char* kScanTables = "/usr/share/dvb/dvb-s";

std::string Group(const std::string& name, const std::string& system, const std::string& body) {
    return "[" + name + "]\n\tDELIVERY_SYSTEM = " + system + "\n" + body;
}
std::string DvbS(unsigned khz, const char* pol = "VERTICAL", unsigned rate = 27500000,
                 const char* fec = "AUTO") {
    return Group(std::to_string(khz), "DVBS",
                 "\tFREQUENCY = " + std::to_string(khz) + "\n\tPOLARIZATION = " + pol +
                     "\n\tSYMBOL_RATE = " + std::to_string(rate) + "\n\tINNER_FEC = " + fec + "\n");
}

// Record fields 2 to 9 and the name, as a user reads them (UTF-8).
std::string Shown(const TransponderParams& tp) {
    return Utf8(CChannelDatabase::BuildTuneRecord(tp));
}
auto Fields(const TuningEntry& e) {
    return std::tuple(e.frequencyKhz, e.symbolRate, e.polarisation, e.fec);
}

TEST(TransponderMapping, EachPolarisationFecLnbAndBandEdge) {
    const LnbChoice ku{}, c{LnbChoice::Kind::CBand, 5150},
        lo11300{LnbChoice::Kind::SingleLo, 11300};
    struct Row {
        std::uint32_t khz, rate;
        Polarisation pol;
        InnerFec fec;
        LnbChoice lnb;
        const char* expected;
    };
    const Row rows[] = {
        {12622000, 27500000, Polarisation::Vertical, InnerFec::Auto, ku,
         "12622V|12622.0|27500|垂直|10600|自动|关|Ku|开|"},
        {11699900, 27500000, Polarisation::Horizontal, InnerFec::Fec3_4, ku,
         "11700H|11699.9|27500|水平|9750|3/4|关|Ku|关|"},
        {11700000, 22000000, Polarisation::Horizontal, InnerFec::Fec5_6, ku,
         "11700H|11700.0|22000|水平|10600|5/6|关|Ku|开|"},
        {12621450, 27498500, Polarisation::Vertical, InnerFec::Fec1_2, ku,
         "12622V|12621.5|27499|垂直|10600|1/2|关|Ku|开|"},
        {3840000, 4420000, Polarisation::Horizontal, InnerFec::Fec2_3, c,
         "3840H|3840.0|4420|水平|5150|2/3|关|C|关|"},
        {12395000, 28800000, Polarisation::Vertical, InnerFec::Fec7_8, lo11300,
         "12395V|12395.0|28800|垂直|11300|7/8|关|Ku|关|"},
    };
    for (const Row& r : rows) {
        const TransponderParams tp = MapTransponder("S", {r.khz, r.rate, r.pol, r.fec}, r.lnb);
        EXPECT_EQ(Shown(tp), r.expected) << r.khz;
    }
    // Rates the demodulator has no setting for run on its automatic search.
    for (const char* text : {"AUTO", "NONE", "8/9", "3/5", "9/10", ""}) {
        EXPECT_EQ(FecFromText(text), InnerFec::Auto) << text;
    }
    EXPECT_EQ(FecFromDescriptorCode(5), InnerFec::Fec7_8);
    EXPECT_EQ(FecFromDescriptorCode(6), InnerFec::Auto);
    // Circular polarisation picks the supply voltage that selects it.
    const auto file = ParseChannelFile(DvbS(12000000, "RIGHT") + DvbS(12100000, "LEFT"), "f");
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(std::pair(file.dvbs[0].polarisation, file.dvbs[1].polarisation),
              std::pair(Polarisation::Vertical, Polarisation::Horizontal));
}

TEST(TransponderMapping, LnbChoiceTexts) {
    for (const char* good : {"ku", "KU", "c", "C", "11300", "10750"}) {
        auto lnb = ParseLnbChoice(good);
        ASSERT_TRUE(lnb) << good;
        EXPECT_EQ(ParseLnbChoice(LnbChoiceText(*lnb))->kind, lnb->kind);
    }
    for (const char* bad : {"", "0", "-5", "abc", "20001", "113000", "11300MHz", " ku"}) {
        EXPECT_FALSE(ParseLnbChoice(bad)) << bad;
    }
}

TEST(ChannelFileParser, BadInputNamesFileAndLineAndYieldsNothing) {
    const std::string good = DvbS(12000000);
    struct Row {
        std::string text;
        int line;  // 0: the message names the file only
    };
    const Row rows[] = {
        {good + "\tFREQUENCY = 12abc\n", 7},
        {good + "\tFREQUENCY = 99999999999999999\n", 7},
        {good + "\tSYMBOL_RATE = -5\n", 7},
        {good + "\tPOLARIZATION = SIDEWAYS\n", 7},
        {good + "[broken\n", 7},
        {good + "just text\n", 7},
        {"FREQUENCY = 1\n" + good, 1},
        {good + Group("x", "DVBS", "\tFREQUENCY = 12100000\n"), 7},  // truncated group
        {good + "[y]\n\tFREQUENCY = 12100000\n", 7},                 // no delivery system
        {good + std::string("\tINNER_FEC = 3/4\0\x01\x02", 19) + "\n", 7},
        {good + "\tMODULATION = " + std::string(2000, 'Q') + "\n", 7},
        {"# only a comment\n", 0},
        {"", 0},
    };
    for (const Row& r : rows) {
        const ChannelFileContent c = ParseChannelFile(r.text, "table.conf");
        EXPECT_FALSE(c.ok) << r.text;
        EXPECT_TRUE(c.dvbs.empty());
        const std::string expected = r.line > 0
                                         ? "文件 table.conf 第" + std::to_string(r.line) + "行："
                                         : std::string("文件 table.conf：");
        EXPECT_EQ(Utf8(c.message).rfind(expected, 0), 0u) << Utf8(c.message);
    }
    EXPECT_FALSE(ParseChannelFile(std::string(kMaxChannelFileBytes + 1, '#'), "big").ok);
}

TEST(ChannelFileParser, SkipsAndCountsWhatIsNotDvbS) {
    const std::string text =
        "# comment\r\n" + DvbS(12000000) +
        Group("s2", "DVBS2", "\tFREQUENCY = 12100000\n\tMODULATION = PSK/8\n") +
        Group("t", "DVBT", "\tFREQUENCY = 474000000\n\tBANDWIDTH_HZ = 8000000\n") + "\n\t\n" +
        DvbS(12200000, "HORIZONTAL", 30000000, "2/3") + DvbS(12300000, "VERTICAL", 201500000) +
        DvbS(0);
    const ChannelFileContent c = ParseChannelFile(text, "f");
    ASSERT_TRUE(c.ok) << Utf8(c.message);
    ASSERT_EQ(c.dvbs.size(), 2u);
    // Out of range: a 201.5 MS/s typing error, a frequency of 0.
    EXPECT_EQ(
        std::tuple(c.skippedDvbs2, c.skippedOther, c.skippedOutOfRange, c.firstOutOfRangeLine),
        std::tuple(1, 1, 2, 28));
    EXPECT_EQ(Fields(c.dvbs[1]),
              std::tuple(12200000u, 30000000u, Polarisation::Horizontal, InnerFec::Fec2_3));
}

class MergeTest : public ::testing::Test {
  protected:
    std::string Path() const { return m_dir.File("SATSETUPL.ini"); }
    void Given(const std::string& utf8) { WriteBytes(Path(), Gbk(utf8)); }
    std::string File() const { return Utf8(ReadBytes(Path())); }
    static TransponderParams Tp(double mhz, Polarisation pol = Polarisation::Vertical) {
        return MapTransponder(
            "", {static_cast<std::uint32_t>(mhz * 1000), 27500000, pol, InnerFec::Auto},
            LnbChoice{});
    }

    CTempDir m_dir;
    CChannelDatabase m_db{Path()};
};

TEST_F(MergeTest, NewSatelliteFollowsTheNumbering) {
    Given(
        "[Main]\r\nNUM=1\r\nSAT1=sino\r\n[sino]\r\nNUMTP=1\r\nTP1=CETV|12622|32|垂直|11300|自动|开|"
        "Ku|开|\r\n");
    const MergeReport r = MergeTransponders(
        m_db, "Astra", {Tp(11000), Tp(11000.5), Tp(11000, Polarisation::Horizontal)});
    // One duplicate within the list itself.
    EXPECT_EQ(std::tuple(r.outcome, r.satelliteAdded, r.added, r.duplicates),
              std::tuple(MergeOutcome::Done, true, 2, 1));
    EXPECT_EQ(File(),
              "[Main]\r\nNUM=2\r\nSAT1=sino\r\nSAT2=Astra\r\n[sino]\r\nNUMTP=1\r\n"
              "TP1=CETV|12622|32|垂直|11300|自动|开|Ku|开|\r\n[Astra]\r\nNUMTP=2\r\n"
              "TP1=11000V|11000.0|27500f|垂直|9750|自动|关|Ku|关|\r\n"
              "TP2=11000H|11000.0|27500f|水平|9750|自动|关|Ku|关|\r\n");
    EXPECT_EQ(Utf8(MergeSummary("Astra", r)),
              "卫星“Astra”：新增2个转发器（新卫星），1个与已有转发器重复（同极化、频率相差不超过2 "
              "MHz），未导入");
}

TEST_F(MergeTest, ExistingSatelliteGetsOnlyWhatIsNew) {
    Given(
        "[Main]\r\nNUM=1\r\nSAT1=sino\r\n[sino]\r\nNUMTP=2\r\nTP1=CETV|12622.0|27500|垂直|11300|"
        "自动|开|Ku|开|\r\n"
        "TP2=12700V|11500.0|27500|垂直|9750|自动|关|Ku|关|\r\n");
    const MergeReport r = MergeTransponders(
        m_db, "sino",
        {Tp(12624), Tp(12620), Tp(12624.1), Tp(12622, Polarisation::Horizontal), Tp(12700)});
    EXPECT_EQ(r.added, 2);        // 12624.1 V and 12622 H
    EXPECT_EQ(r.duplicates, 2);   // 2 MHz either side of CETV
    EXPECT_EQ(r.nameClashes, 1);  // "12700V" names another stored transponder
    EXPECT_FALSE(r.satelliteAdded);
    EXPECT_EQ(std::pair(m_db.CountSatellites(), m_db.CountTransponders("sino")), std::pair(1, 4));
    EXPECT_EQ(m_db.FindTransponderIndex("sino", "12624V"), 3);
    EXPECT_EQ(m_db.FindTransponderIndex("sino", "12622H"), 4);
}

TEST_F(MergeTest, RefusalsAndNothingNewLeaveTheFileByteIdentical) {
    const std::string base =
        "[Main]\r\nNUM=1\r\nSAT1=Astra\r\n[Astra]\r\nNUMTP=1\r\n"
        "TP1=11000V|11000.0|27500f|垂直|9750|自动|关|Ku|关|\r\n";
    struct Row {
        std::string file;
        std::string satellite;
        MergeOutcome outcome;
    };
    const Row rows[] = {
        {base, "Main", MergeOutcome::Refused},
        {base, "a|b", MergeOutcome::Refused},
        {base, "ABCDEFGHIJKLMNOPQRST", MergeOutcome::Refused},  // 20 bytes
        {base, "ASTRA", MergeOutcome::Refused},                 // only the case differs
        {"[Main]\r\nNUM=9999\r\n", "New", MergeOutcome::CountOutOfRange},
        {"[Main]\r\nNUM=-1\r\n", "New", MergeOutcome::CountOutOfRange},
        {"[Main]\r\nNUM=1\r\nSAT1=Astra\r\n[Astra]\r\nNUMTP=9999\r\n", "Astra",
         MergeOutcome::CountOutOfRange},
        {base, "Astra", MergeOutcome::Done},  // the one transponder is there already
    };
    for (const Row& r : rows) {
        Given(r.file);
        const std::string before = ReadBytes(Path());
        const MergeReport report =
            MergeTransponders(m_db, Gbk(r.satellite), {Tp(11000), Tp(11001)});
        EXPECT_EQ(report.outcome, r.outcome) << r.satellite;
        EXPECT_EQ(report.added, 0);
        EXPECT_EQ(report.outcome == MergeOutcome::Done, report.message.empty());
        EXPECT_EQ(ReadBytes(Path()), before) << r.satellite;
    }
    // A transponder name the dialog could not hold is refused as a whole list.
    Given(base);
    TransponderParams longName = Tp(12000);
    longName.name = "1234567890123";
    EXPECT_EQ(MergeTransponders(m_db, "Astra", {Tp(12500), longName}).outcome,
              MergeOutcome::Refused);
    EXPECT_EQ(File(), Utf8(Gbk(base)));
}

class ImportTest : public MergeTest {
  protected:
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = m_dir.File(name);
        WriteBytes(path, text);
        return path;
    }
};

TEST_F(ImportTest, DefaultSatelliteNameFollowsTheNameRules) {
    struct Row {
        const char* file;
        const char* name;
    };
    const Row rows[] = {{"/x/Astra-19.2E", "Astra-19.2E"},
                        {"Main", "Main_"},
                        {"/x/a[b]c=d|e", "a_b_c_d_e"},
                        {"Eutelsat-Hotbird-13.0E-Hispasat", "Eutelsat-Hotbird-13"},
                        {" x ", "x"},
                        {"", "_"}};
    for (const Row& r : rows) {
        std::string note;
        EXPECT_EQ(SatelliteNameForFile(r.file, note), r.name);
        EXPECT_EQ(note.empty(), fs::path(r.file).filename() == r.name) << r.file;
    }
}

TEST_F(ImportTest, BadFileChangesNothing) {
    Given("[Main]\r\nNUM=0\r\n");
    const std::string before = ReadBytes(Path());
    const std::string path = Write("bad.conf", DvbS(12000000) + "\tFREQUENCY = x\n");
    const ImportResult r = ImportChannelFile(m_db, path, "", LnbChoice{});
    EXPECT_EQ(r.outcome, TransferOutcome::BadInput);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(Utf8(r.messages[0]).find("bad.conf 第7行"), std::string::npos);
    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_EQ(ImportChannelFile(m_db, m_dir.File("absent"), "", {}).outcome,
              TransferOutcome::BadInput);
}

// Every LNB: an exported satellite imported into an empty database gives the
// same records, and the library's own reader takes the export.
TEST_F(ImportTest, ExportReimportsToTheSameRecords) {
    const std::string source =
        Write("src.conf", DvbS(12621450, "VERTICAL", 27498500, "3/4") + DvbS(11699900, "LEFT") +
                              DvbS(3840000, "HORIZONTAL", 4420000, "7/8") +
                              DvbS(12000000, "RIGHT", 1000000, "8/9"));
    for (const char* lnbText : {"ku", "c", "10750"}) {
        const LnbChoice lnb = *ParseLnbChoice(lnbText);
        CTempDir a, b;
        CChannelDatabase first(a.File("db.ini")), second(b.File("db.ini"));
        ASSERT_EQ(ImportChannelFile(first, source, "Sat", lnb).outcome, TransferOutcome::Done);
        const std::string exported = a.File("out.conf");
        const ExportResult e = ExportSatellite(first, "Sat", exported);
        ASSERT_EQ(e.outcome, TransferOutcome::Done);
        EXPECT_EQ(e.written, 4);
        ASSERT_EQ(ImportChannelFile(second, exported, "Sat", lnb).outcome, TransferOutcome::Done);
        EXPECT_EQ(ReadBytes(b.File("db.ini")), ReadBytes(a.File("db.ini"))) << lnbText;
    }
    CTempDir c;
    EXPECT_EQ(ExportSatellite(CChannelDatabase(c.File("db.ini")), "None", c.File("o")).outcome,
              TransferOutcome::BadInput);
    EXPECT_FALSE(fs::exists(c.File("o")));
}

// The converter of the DVB tools reads channel files without a device; what
// it reads from an export and writes back must be what the export holds.
TEST_F(ImportTest, DvbToolsReadTheExport) {
    const char* converter = "/usr/bin/dvb-format-convert";
    if (!fs::exists(converter)) GTEST_SKIP() << "dvb-tools are not installed";
    const std::string source =
        Write("src.conf", DvbS(12622000) + DvbS(11720000, "HORIZONTAL", 2963000, "5/6"));
    ASSERT_EQ(ImportChannelFile(m_db, source, "Sat", {}).outcome, TransferOutcome::Done);
    const std::string exported = m_dir.File("export.conf"), converted = m_dir.File("conv.conf");
    ASSERT_EQ(ExportSatellite(m_db, "Sat", exported).outcome, TransferOutcome::Done);
    const std::string command = std::string(converter) + " -I DVBV5 -O DVBV5 '" + exported + "' '" +
                                converted + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const ChannelFileContent ours = ReadChannelFile(exported), theirs = ReadChannelFile(converted);
    ASSERT_TRUE(theirs.ok) << Utf8(theirs.message);
    ASSERT_EQ(theirs.dvbs.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(Fields(theirs.dvbs[i]), Fields(ours.dvbs[i])) << i;
}

// The DVB-S groups of a file, counted without the parser under test.
int CountDvbSGroups(const std::string& text) {
    int count = 0;
    std::size_t at = 0;
    while ((at = text.find("DELIVERY_SYSTEM", at)) != std::string::npos) {
        const std::size_t eol = text.find('\n', at);
        std::string value = text.substr(at, eol - at);
        value.erase(0, value.find('=') + 1);
        value.erase(std::remove_if(value.begin(), value.end(), ::isspace), value.end());
        count += value == "DVBS";
        at = eol;
    }
    return count;
}

TEST_F(ImportTest, EveryScanTableImports) {
    if (!fs::is_directory(kScanTables)) GTEST_SKIP() << kScanTables << " is not installed";
    std::map<std::string, int> perSatellite;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(kScanTables)) {
        const std::string path = entry.path().string();
        const int expected = CountDvbSGroups(ReadBytes(path));
        // C-band tables are received with a C-band LNB.
        const ChannelFileContent content = ReadChannelFile(path);
        ASSERT_TRUE(content.ok) << Utf8(content.message);
        const bool cBand = !content.dvbs.empty() && content.dvbs.front().frequencyKhz < 5000000;
        const ImportResult r = ImportChannelFile(
            m_db, path, "", cBand ? LnbChoice{LnbChoice::Kind::CBand, 5150} : LnbChoice{});
        ASSERT_EQ(r.outcome, TransferOutcome::Done) << path;
        EXPECT_EQ(r.merge.added + r.merge.duplicates + r.merge.nameClashes, content.dvbs.size());
        EXPECT_EQ(static_cast<int>(content.dvbs.size()) + content.skippedOutOfRange, expected)
            << path;
        EXPECT_LE(content.skippedOutOfRange, 1) << path;
        perSatellite[r.satellite] += r.merge.added;
        ++files;
    }
    EXPECT_GT(files, 100);
    // The database reads back whole: every satellite listed, every record whole.
    int listed = 0;
    for (const auto& [satellite, added] : perSatellite) {
        if (added == 0) continue;
        ++listed;
        ASSERT_EQ(m_db.CountTransponders(satellite), added) << satellite;
        for (int k = 1; k <= added; ++k) {
            TransponderParams tp;
            CChannelDatabase::ParseTransponderRecord(m_db.ReadTransponderRecord(satellite, k), tp);
            EXPECT_GT(tp.frequency, 0) << satellite << k;
            EXPECT_EQ(CChannelDatabase::BuildAddRecord(tp),
                      m_db.ReadTransponderRecord(satellite, k));
        }
    }
    EXPECT_EQ(m_db.CountSatellites(), listed);
}

}  // namespace
}  // namespace orbix
