#include "db/channel_database.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <sstream>
#include <tuple>

#include "db/database_check.h"
#include "db/name_check.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace orbix {
namespace {

using namespace testing;

class ChannelDatabaseTest : public ::testing::Test {
  protected:
    std::string Path() const { return m_dir.File("SATSETUPL.ini"); }
    // Files and keys are given and compared in UTF-8, stored as GBK.
    void Given(const std::string& utf8) { WriteBytes(Path(), Gbk(utf8)); }
    std::string FileUtf8() const { return Utf8(ReadBytes(Path())); }
    std::string Key(const char* section, const char* key) const {
        return Utf8(CProfileFile(Path()).ReadString(Gbk(section), Gbk(key), "NOT FIND", 100));
    }

    CTempDir m_dir;
    CChannelDatabase m_db{Path()};
};

TransponderParams Params(const char* satellite, const char* name, float frequency, int rate) {
    return TransponderParams{Gbk(satellite), Gbk(name),   frequency, rate, Gbk("垂直"),
                             "5150",         Gbk("自动"), Gbk("关"), "Ku", Gbk("关")};
}

// A record as read, in UTF-8: satellite/name|frequency|rate|fields 4 to 9|
std::string Shown(const TransponderParams& tp) {
    std::ostringstream out;
    out << tp.satellite << "/" << tp.name << "|" << tp.frequency << "|" << tp.symbolRate << "|"
        << tp.polarisation << "|" << tp.lnbFrequency << "|" << tp.fec << "|" << tp.diseqc << "|"
        << tp.band << "|" << tp.tone22k << "|";
    return Utf8(out.str());
}

TEST_F(ChannelDatabaseTest, AbsentFileReadsAsEmptyUntilTheDefaultContent) {
    EXPECT_EQ(m_db.CountSatellites(), 0);
    TransponderParams tp = Params("keep", "me", 1, 2);
    m_db.ReadTransponder("sino", "CETV", tp);
    EXPECT_EQ(tp.satellite, "keep") << "not found leaves the record alone";
    m_db.ReadDefaultTransponder(tp);
    EXPECT_EQ(Shown(tp), "sino/|0|0|||||||");
    EXPECT_FALSE(std::filesystem::exists(Path())) << "reads never create the file";

    ASSERT_TRUE(m_db.WriteDefaultContent());  // its bytes: the tree window's test
    m_db.ReadTransponder("sino", "CETV", tp);
    const std::string record = CChannelDatabase::BuildTuneRecord(tp);
    EXPECT_EQ(Utf8(record), "CETV|12622.0|32|垂直|11300|自动|开|Ku|开|") << "tune write-back";
    EXPECT_TRUE(m_db.WriteTransponderRecord("sino", 1, record));
    EXPECT_EQ(Key("sino", "TP1"), Utf8(record));
    EXPECT_FALSE(m_db.WriteTransponderRecord("sino", -1, record));
}

TEST_F(ChannelDatabaseTest, RecordFieldsSplitAtEachBar) {
    const std::pair<std::string, std::string> cases[] = {
        {"N|12622.5|27500f|水平|9750|3/4|关|Ku|开|",
         "sino/N|12622.5|27500|水平|9750|3/4|关|Ku|开|"},
        {"N|1|2|a|b|c|d|e|f", "sino/N|1|2|a|b|c|d|e||"},             // last field lacks its bar
        {"N|1|2|a|b|c|d|e|f|junk", "sino/N|1|2|a|b|c|d|e|f|"},       // text after the last bar
        {"N|" + std::string(60, '9') + "|1|", "sino/N|0|1|||||||"},  // too large for a float
        {"亅|1|2|", "sino/亅|1|2|||||||"},  // a character whose second byte is "|"
    };
    for (const auto& [record, shown] : cases) {
        Given("[Default]\nsino=" + record + "\n");
        TransponderParams tp;
        m_db.ReadDefaultTransponder(tp);
        EXPECT_EQ(Shown(tp), shown) << record;
    }
}

TEST_F(ChannelDatabaseTest, LookupsCompareWholeNames) {
    Given(
        "[Main]\nNUM=4\nSAT1=AsiaSat\nSAT2=Asia\nSAT3=\nSAT4=Sky\n"
        "[Asia]\nNUMTP=3\nTP1=CETV|1|2|\nTP3=CETV1|3|4|\n");
    EXPECT_EQ(m_db.FindSatelliteIndex("Asia"), 2);
    EXPECT_EQ(m_db.FindSatelliteIndex("asia"), -1) << "names compare byte for byte";
    EXPECT_EQ(m_db.FindTransponderIndex("Asia", "CET"), -1);
    EXPECT_EQ(m_db.FindTransponderIndex("Asia", "CETV"), 1);
    EXPECT_EQ(m_db.FindTransponderIndex("Asia", "CETV1"), 3) << "a missing TP2 is skipped";
}

// The add, overwrite and edit bytes are checked through the tree window;
// here what the file cannot take.
TEST_F(ChannelDatabaseTest, AddRefusesWhatTheFileCannotHold) {
    using enum AddOutcome;
    // An empty SAT2 hides "sino" from the existence test, yet it is stored.
    Given("[Main]\nNUM=3\nSAT1=A\nSAT2=\nSAT3=sino\n[sino]\nNUMTP=2\nTP1=a|1|1|\nTP2=b|2|2|\n");
    EXPECT_EQ(m_db.AddTransponder(Params("sino", "c", 3, 3), nullptr), Added);
    EXPECT_EQ(Key("Main", "NUM") + Key("sino", "NUMTP") + Key("sino", "TP1"), "33a|1|1|");

    EXPECT_EQ(m_db.AddTransponder(Params("SINO", "x", 1, 1), nullptr), Refused) << "[sino] twice";
    EXPECT_EQ(m_db.AddTransponder(Params("ABCDEFGHIJKLMNOPQRST", "x", 1, 1), nullptr), Refused);

    TransponderParams tp = Params("S", "T", 12000, 27500);
    tp.polarisation = std::string(100 - CChannelDatabase::BuildAddRecord(tp).size() + 4, 'p');
    EXPECT_EQ(m_db.AddTransponder(tp, nullptr), Refused) << "readers would see 99";
    EXPECT_EQ(Key("S", "TP1"), "NOT FIND");
    EXPECT_FALSE(m_db.EditTransponder(Params("sino", "zz", 1, 1)));
}

TEST_F(ChannelDatabaseTest, DeleteClosesUpTheNumbering) {
    Given(
        "[Main]\nNUM=3\nSAT1=A\nSAT2=B\nSAT3=C\n"
        "[A]\nNUMTP=3\nTP1=t1|\nTP2=t2|\nTP3=t3|\n[B]\nNUMTP=1\nTP1=only|\n"
        "[C]\nNUMTP=1\nTP1=c|\n[Last]\nA=t2\n[Lock]\nA=t2\n");
    EXPECT_EQ(m_db.DeleteTransponder("A", "t2"), DeleteOutcome::TransponderDeleted);
    EXPECT_EQ(Key("A", "NUMTP") + Key("A", "TP1") + Key("A", "TP2") + Key("A", "TP3"),
              "2t1|t3|NOT FIND");
    SatelliteTransponder pair;
    EXPECT_FALSE(m_db.ReadLast(pair)) << "Last named the deleted transponder";
    EXPECT_TRUE(m_db.IsLockTarget("A", "t2")) << "Lock is never deleted";

    EXPECT_EQ(m_db.DeleteTransponder("B", "only"), DeleteOutcome::SatelliteDeleted);
    EXPECT_EQ(Key("Main", "NUM") + Key("Main", "SAT2") + Key("Main", "SAT3"), "2CNOT FIND");

    EXPECT_EQ(m_db.DeleteTransponder("A", "nope"), DeleteOutcome::NotFound);
    ASSERT_TRUE(m_db.WriteLockAndLast("C", "c"));
    EXPECT_EQ(m_db.DeleteSatellite("A"), DeleteOutcome::SatelliteDeleted);
    EXPECT_TRUE(m_db.ReadLast(pair)) << "Last names another satellite";
    EXPECT_EQ(m_db.DeleteSatellite("C"), DeleteOutcome::SatelliteDeleted);
    EXPECT_EQ(FileUtf8(), "[Main]\r\nNUM=0\r\n[Lock]\r\nC=c\r\n");
}

TEST_F(ChannelDatabaseTest, LockAndLastLinesInTheirOrder) {
    Given("[LAST]\nold=x\nmore=y\n[lock]\nold=x\n[last]\nstale=z\n");
    ASSERT_TRUE(m_db.WriteLockAndLast("sino", "CETV"));
    EXPECT_EQ(FileUtf8(), "[lock]\r\nsino=CETV\r\n[Last]\r\nsino=CETV\r\n");
    SatelliteTransponder last;
    ASSERT_TRUE(m_db.ReadLast(last));
    EXPECT_EQ(last.satellite + "/" + last.transponder, "sino/CETV");
    EXPECT_TRUE(m_db.IsLockTarget("sino", "CETV"));
    EXPECT_FALSE(m_db.WriteLockAndLast("a=b", "c")) << "= in a satellite name";
    // Only the first line counts: one without "=" means "use the default",
    // never "tune the next line".
    for (const char* text : {"[Last]\nno equals sign here\nsino=CETV\n", "[Last]\n", ""}) {
        Given(text);
        SatelliteTransponder kept{"keep", "me"};
        EXPECT_FALSE(m_db.ReadLast(kept)) << text;
        EXPECT_EQ(kept.satellite + kept.transponder, "keepme") << text;
    }
    Given("[Last]\n; comment\n\nsino=CETV\n");
    ASSERT_TRUE(m_db.ReadLast(last)) << "blank lines and comments are no lines";
    EXPECT_EQ(last.satellite + "/" + last.transponder, "sino/CETV");
}

// Counts out of 0 ... 9999 are clamped for the scans, and no change writes
// back a count derived from a clamped one: the file stays as it was.
TEST_F(ChannelDatabaseTest, ChangesRefuseToRewriteCountsOutOfRange) {
    using enum DeleteOutcome;
    // Add a satellite, a transponder; delete a satellite, an only and one of two
    // transponders. Each says whether it refused.
    auto add = [&](const char* sat, const char* tp) {
        return m_db.AddTransponder(Params(sat, tp, 1, 1), nullptr) == AddOutcome::CountOutOfRange;
    };
    const std::function<bool()> operations[] = {
        [&] { return add("C", "c"); },
        [&] { return add("B", "b3"); },
        [&] { return m_db.DeleteSatellite("A") == CountOutOfRange; },
        [&] { return m_db.DeleteTransponder("A", "t") == CountOutOfRange; },
        [&] { return m_db.DeleteTransponder("B", "b1") == CountOutOfRange; },
    };
    // "Main"/"NUM", "B"/"NUMTP", which operations refuse
    const std::tuple<const char*, const char*, std::array<bool, 5>> cases[] = {
        {"10000", "2", {true, false, true, true, false}},
        {"9999", "2", {true, false, false, false, false}},  // the next one would pass 9999
        {"-1", "2", {true, true, false, false, false}},     // no satellite is listed
        {"+2", "99999", {false, true, false, false, true}},
        {"2", "-2", {false, true, false, false, false}},  // "B" lists no transponder
    };
    for (const auto& [num, numtp, refusals] : cases) {
        const std::string text = std::string("[Main]\nNUM=") + num + "\nSAT1=A\nSAT2=B\n" +
                                 "[A]\nNUMTP=1\nTP1=t|\n[B]\nNUMTP=" + numtp +
                                 "\nTP1=b1|\nTP2=b2|\n";
        for (std::size_t op = 0; op < refusals.size(); ++op) {
            Given(text);
            const std::string before = ReadBytes(Path());
            const bool refused = operations[op]();
            EXPECT_EQ(refused, refusals[op]) << text << "operation " << op;
            EXPECT_TRUE(!refused || ReadBytes(Path()) == before) << text << "operation " << op;
        }
    }
    Given("[Main]\nNUM=+2\nSAT1=A\nSAT2=B\n");
    EXPECT_EQ(m_db.CountSatellites(), 2) << "a leading + is read";
}

TEST_F(ChannelDatabaseTest, ProgramsSkipDeletedKeysAndPidListsKeepTheirOrder) {
    Given("[PId]\nNUM=1234\n[IP]\nACTIVENUMPID=1234\nACTIVEPID=100|200|1FFF|\n");
    EXPECT_EQ(m_db.CountPrograms(), 123) << "counts are read through four bytes";
    PidLists lists = m_db.ReadPidLists();
    EXPECT_EQ(std::to_string(lists.activeCount) + lists.active +
                  std::to_string(lists.inactiveCount) + lists.inactive,
              "123100|200|1FFF|0NOT FIND");
    ASSERT_TRUE(m_db.WritePidLists(PidLists{2, "1ff|2a0|", 0, ""}));
    EXPECT_EQ(FileUtf8(),
              "[PId]\r\nNUM=1234\r\n[IP]\r\nACTIVENUMPID=2\r\nACTIVEPID=1ff|2a0|\r\n"
              "NOACTIVENUMPID=0\r\nNOACTIVEPID=\r\n");

    ProgramEntry e{"", "", "", "100", "2a0", "2a1", "1ff", "1fe"};
    for (int i = 1; i <= 3; ++i) {
        e.name = Gbk("节目" + std::to_string(i));
        ASSERT_TRUE(m_db.WriteProgram(CChannelDatabase::MakeProgramKey(i), e));
    }
    ASSERT_TRUE(m_db.WriteProgramCount(3));
    EXPECT_EQ(Key("PID", "节目3"), "节目3||100|1ff|2a0|2a1|1fe|");
    EXPECT_TRUE(m_db.DeleteProgram(Gbk("节目2")));
    int listed = 0;
    for (int i = 1; i <= m_db.CountPrograms(); ++i)
        listed += m_db.ReadProgram(CChannelDatabase::MakeProgramKey(i), e);
    EXPECT_EQ(listed, 2);
    ProgramEntry found{"caller's", "", "", "", "", "", "", ""};
    EXPECT_FALSE(m_db.FindProgramByName(Gbk("节目2"), found));
    ASSERT_TRUE(m_db.FindProgramByName(Gbk("节目3"), found));
    EXPECT_EQ(found.key + found.pmtPid + found.audioPid1 + found.audioPid2 + found.videoPid +
                  found.pcrPid,
              "caller's1002a02a11ff1fe");
}

TEST(NameCheck, RefusesNamesTheFileCannotHold) {
    const char* cases[][3] = {
        {"亚洲卫星一二三四五", "一二三四五六七八九十一二", ""},  // 18 bytes, 12 characters
        {"", "CETV", "请输入卫星名和转发器名!"},
        {"si|no", "CETV", "卫星名和转发器名不能包含字符 | 或 = !"},
        {"sino", "CE=TV", "卫星名和转发器名不能包含字符 | 或 = !"},
        {"si[no", "CETV", "卫星名不能包含字符 [ 或 ]，也不能用引号括起来!"},
        {"\"sino\"", "CETV", "卫星名不能包含字符 [ 或 ]，也不能用引号括起来!"},
        {"Pid", "CETV", "卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!"},
        {"亚洲卫星一二三四五六", "CETV", "卫星名不能超过19个字节（一个汉字占两个字节）!"},
        {"sino", "一二三四五六七八九十一二三", "转发器名不能超过12个字符!"},
        {" sino", "CETV", "卫星名和转发器名的首尾不能有空格!"},
        {"sino", "CETV ", "卫星名和转发器名的首尾不能有空格!"},
        {"si\nno", "CETV", "卫星名和转发器名不能包含控制字符!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8(CheckNames(Gbk(c[0]), Gbk(c[1]))), c[2]) << c[0] << " / " << c[1];
    // "\x81|" is one character; a lead byte alone would take the record's next "|".
    EXPECT_EQ(CheckNames("sino", "\x81|"), "");
    for (const char* broken : {"CETV\x81", "\x81 x", "\x80"})
        EXPECT_EQ(Utf8(CheckNames("sino", broken)), "卫星名和转发器名含有无法识别的字符!");
}

TEST_F(ChannelDatabaseTest, CaseClashAndLongRecordSayWhy) {
    Given("[Main]\nNUM=1\nSAT1=AsiaSat\n");
    EXPECT_EQ(Utf8(m_db.CheckNewNames("ASIASAT", "T")),
              "已有一颗只是字母大小写不同的卫星，请使用与它完全相同的名字!");
    EXPECT_EQ(CChannelDatabase::CheckRecordLength(std::string(99, 'x')), "");
    EXPECT_EQ(Utf8(CChannelDatabase::CheckRecordLength(std::string(100, 'x'))),
              "转发器参数太长，请缩短所填的内容!");
}

// Only a file without any satellite may get the default content; a file that
// lists satellites but whose count cannot be used, or holds lines that are no
// profile lines, names the first damaged line.
TEST(DatabaseCheck, TellsEmptyFromDamaged) {
    // text, empty, damaged line, satellites the tree reads
    const std::tuple<const char*, bool, int, int> cases[] = {
        {"", true, 0, 0},
        {"; a comment\r\n\r\n", true, 0, 0},
        {"[Lock]\r\nsino=CETV\r\n[PID]\r\nNUM=0\r\n", true, 0, 0},
        {"[Main]\r\nNUM=0\r\n", true, 0, 0},
        {"\xEF\xBB\xBF[Main]\r\nNUM=2\r\nSAT1=a\r\nSAT2=b\r\n", false, 0, 2},
        {"[main]\r\nnum=1\r\nsat1=a\r\n[a]\r\nNUMTP=0\r\n", false, 0, 1},
        {"[Main]\r\nNUM=-3\r\nSAT1=a\r\nSAT3=c\r\n", false, 2, 3},
        {"[Main]\r\nNUM=1x\r\nSAT1=a\r\n", false, 2, 1},
        {"[Main]\r\nSAT1=a\r\n", false, 1, 1},
        {"[a]\r\nNUMTP=1\r\nTP1=x|\r\n", false, 1, 0},  // a satellite without "Main"
        {"[Main]\r\nNUM=0\r\nSAT1=a\r\n", false, 2, 1},
        {"junk\r\n", false, 1, 0},
        {"NUM=1\r\n[Main]\r\n", false, 1, 0},  // a key before any section
        {"[Main]\r\nNUM=1\r\nSAT1=a\r\n\x01\x02\x03\r\n", false, 4, 1},
    };
    for (const auto& [text, empty, line, satellites] : cases) {
        const DatabaseCheck check = CheckDatabaseText(text);
        EXPECT_EQ(std::tuple(check.empty, check.damagedLine, check.satellites),
                  std::tuple(empty, line, satellites))
            << text;
    }
}

// The whole "PID" section is replaced in one change: a failed write leaves
// the previous one byte for byte.
TEST_F(ChannelDatabaseTest, ProgramsReplacedWholeOrNotAtAll) {
    Given("[PID]\r\nNUM=2\r\n节目1=a|广播节目|1|00|00|00|0|\r\n节目2=b|广播节目|2|00|00|00|0|\r\n");
    const std::string key = CChannelDatabase::MakeProgramKey(1);
    ProgramEntry p{key, Gbk("节目1"), Gbk("电视节目"), "100", "101", "00", "102", "102"};
    const std::string before = ReadBytes(Path());
    std::filesystem::create_directory(Path() + ".lock");  // the file cannot be written
    EXPECT_FALSE(m_db.ReplacePrograms({p}));
    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_EQ(m_db.LastWriteError(), "Is a directory");
    std::filesystem::remove(Path() + ".lock");
    EXPECT_TRUE(m_db.ReplacePrograms({p}));
    EXPECT_EQ(FileUtf8(), "[PID]\r\n节目1=节目1|电视节目|100|102|101|00|102|\r\nNUM=1\r\n");
}

}  // namespace
}  // namespace orbix
