#include "db/channel_database.h"

#include <gtest/gtest.h>

#include "db/name_check.h"
#include "platform/text.h"
#include "tests/db/temp_dir.h"

namespace orbix {
namespace {

using test::CTempDir;
using test::ReadBytes;
using test::WriteBytes;

class ChannelDatabaseTest : public ::testing::Test {
  protected:
    std::string Path() const { return m_dir.File("SATSETUPL.ini"); }
    // Writes the file from UTF-8 text, stored as GBK.
    void Given(const std::string& utf8) { WriteBytes(Path(), Gbk(utf8)); }
    std::string FileUtf8() const { return Utf8(ReadBytes(Path())); }
    std::string Key(const char* section, const std::string& key) const {
        return Utf8(CProfileFile(Path()).ReadString(Gbk(section), key, "NOT FIND", 100));
    }

    CTempDir m_dir;
    CChannelDatabase m_db{Path()};
};

TransponderParams Params(const char* satellite, const char* name, float frequency, int symbolRate) {
    TransponderParams tp;
    tp.satellite = Gbk(satellite);
    tp.name = Gbk(name);
    tp.frequency = frequency;
    tp.symbolRate = symbolRate;
    tp.polarisation = Gbk("垂直");
    tp.lnbFrequency = "5150";
    tp.fec = Gbk("自动");
    tp.diseqc = Gbk("关");
    tp.band = "Ku";
    tp.tone22k = Gbk("关");
    return tp;
}

TEST_F(ChannelDatabaseTest, AbsentFileReadsAsEmpty) {
    EXPECT_EQ(m_db.CountSatellites(), 0);
    EXPECT_EQ(m_db.GetSatelliteName(1), "NOT FIND");
    EXPECT_FALSE(m_db.SatelliteExists("sino"));
    EXPECT_EQ(m_db.FindTransponderIndex("sino", "CETV"), -1);
    TransponderParams tp = Params("keep", "me", 1, 2);
    m_db.ReadTransponder("sino", "CETV", tp);
    EXPECT_EQ(tp.satellite, "keep") << "not found leaves the record alone";
    m_db.ReadDefaultTransponder(tp);
    EXPECT_EQ(tp.satellite, "sino");
    EXPECT_EQ(tp.name, "");
    EXPECT_EQ(tp.frequency, 0);
    EXPECT_EQ(tp.symbolRate, 0);
    EXPECT_EQ(tp.tone22k, "");
    SatelliteTransponder last;
    EXPECT_FALSE(m_db.ReadLast(last));
    EXPECT_EQ(m_db.CountPrograms(), 0);
    PidLists lists = m_db.ReadPidLists();
    EXPECT_EQ(lists.activeCount, 0);
    EXPECT_EQ(lists.inactiveCount, 0);
    EXPECT_FALSE(std::filesystem::exists(Path())) << "reads never create the file";
}

TEST_F(ChannelDatabaseTest, DefaultContentIsExactlyTheFourKeys) {
    ASSERT_TRUE(m_db.WriteDefaultContent());
    EXPECT_EQ(FileUtf8(),
              "[Main]\r\nNUM=1\r\nSAT1=sino\r\n[sino]\r\nNUMTP=1\r\n"
              "TP1=CETV|12622|32.533|垂直|11300|自动|开|Ku|开|\r\n");
    std::string name;
    EXPECT_EQ(m_db.GetSatelliteName(1), "sino");
    EXPECT_EQ(m_db.GetTransponderName("sino", 1, name), 4);
    EXPECT_EQ(name, "CETV");
    TransponderParams tp;
    m_db.ReadTransponder("sino", "CETV", tp);
    EXPECT_EQ(tp.frequency, 12622.0f);
    EXPECT_EQ(tp.symbolRate, 32) << "32.533 reads as its integer part";
    EXPECT_EQ(Utf8(tp.polarisation), "垂直");
    EXPECT_EQ(tp.lnbFrequency, "11300");
    EXPECT_EQ(Utf8(tp.fec), "自动");
    EXPECT_EQ(Utf8(tp.diseqc), "开");
    EXPECT_EQ(tp.band, "Ku");
    EXPECT_EQ(Utf8(tp.tone22k), "开");
}

struct RecordCase {
    const char* what;
    std::string record;  // UTF-8
    std::string name;
    float frequency;
    int symbolRate;
    std::string polarisation;
    std::string tone22k;
};

class RecordSplitTest : public ChannelDatabaseTest,
                        public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordSplitTest, FieldsSplitAtEachBar) {
    const RecordCase& c = GetParam();
    Given("[Default]\nsino=" + c.record + "\n");
    TransponderParams tp;
    m_db.ReadDefaultTransponder(tp);
    EXPECT_EQ(Utf8(tp.name), c.name) << c.what;
    EXPECT_EQ(tp.frequency, c.frequency) << c.what;
    EXPECT_EQ(tp.symbolRate, c.symbolRate) << c.what;
    EXPECT_EQ(Utf8(tp.polarisation), c.polarisation) << c.what;
    EXPECT_EQ(Utf8(tp.tone22k), c.tone22k) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordSplitTest,
    ::testing::Values(
        RecordCase{"whole record", "N|12622.5|27500f|水平|9750|3/4|关|Ku|开|", "N", 12622.5f, 27500,
                   "水平", "开"},
        RecordCase{"last field without its bar is empty", "N|1|2|a|b|c|d|e|f", "N", 1, 2, "a", ""},
        RecordCase{"text after the last bar ignored", "N|1|2|a|b|c|d|e|f|junk", "N", 1, 2, "a",
                   "f"},
        RecordCase{"no bar at all", "CETV", "", 0, 0, "", ""},
        RecordCase{"adjacent bars are empty fields", "N|||p|", "N", 0, 0, "p", ""},
        RecordCase{"numbers take leading digits", "N| 3840.25MHz|-7x|", "N", 3840.25f, -7, "", ""},
        RecordCase{"too large a number reads as 0", "N|" + std::string(60, '9') + "|1|", "N", 0, 1,
                   "", ""},
        RecordCase{"a double-byte character ending in | is no bar", "亅|1|2|", "亅", 1, 2, "",
                   ""}));

TEST_F(ChannelDatabaseTest, LookupsCompareWholeNames) {
    Given(
        "[Main]\nNUM=3\nSAT1=AsiaSat\nSAT2=Asia\nSAT3=Sky\n"
        "[Asia]\nNUMTP=3\nTP1=CETV|1|2|\nTP3=CETV1|3|4|\n");
    EXPECT_EQ(m_db.FindSatelliteIndex("Asia"), 2);
    EXPECT_EQ(m_db.FindSatelliteIndex("asia"), -1) << "names compare byte for byte";
    EXPECT_EQ(m_db.FindSatelliteIndex("Sk"), -1);
    EXPECT_EQ(m_db.FindTransponderIndex("Asia", "CET"), -1);
    EXPECT_EQ(m_db.FindTransponderIndex("Asia", "CETV"), 1);
    EXPECT_EQ(m_db.FindTransponderIndex("Asia", "CETV1"), 3) << "a missing TP2 is skipped";
    std::string name = "unchanged";
    EXPECT_EQ(m_db.GetTransponderName("Asia", 2, name), 0);
    EXPECT_EQ(name, "unchanged");
}

TEST_F(ChannelDatabaseTest, DamagedCountsKeepScansShort) {
    Given("[Main]\nNUM=4294967296\nSAT1=A\n[A]\nNUMTP=99999999999\nTP1=t|1|\n");
    EXPECT_EQ(m_db.CountSatellites(), 9999);
    EXPECT_EQ(m_db.CountTransponders("A"), 9999);
    EXPECT_EQ(m_db.FindTransponderIndex("A", "missing"), -1);
    EXPECT_EQ(m_db.FindSatelliteIndex("missing"), -1);
}

TEST_F(ChannelDatabaseTest, SatelliteExistsStopsAtAnEmptyName) {
    Given("[Main]\nNUM=3\nSAT1=A\nSAT2=\nSAT3=C\n");
    EXPECT_TRUE(m_db.SatelliteExists("A"));
    EXPECT_FALSE(m_db.SatelliteExists("C"));
    EXPECT_EQ(m_db.FindSatelliteIndex("C"), 3);
}

TEST_F(ChannelDatabaseTest, LongSatelliteNameReadsBackCut) {
    const std::string name25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    CProfileFile(Path()).WriteString("Main", "NUM", "1");
    CProfileFile(Path()).WriteString("Main", "SAT1", name25);
    EXPECT_EQ(m_db.GetSatelliteName(1), name25.substr(0, 19));
    EXPECT_EQ(m_db.FindSatelliteIndex(name25), 1) << "the index search reads 49 bytes";
    EXPECT_EQ(m_db.AddTransponder(Params("ABCDEFGHIJKLMNOPQRSTUVWXY", "T", 1, 1), nullptr),
              AddOutcome::Refused);
}

TEST_F(ChannelDatabaseTest, AddFollowsTheNumbering) {
    ASSERT_TRUE(m_db.WriteDefaultContent());
    EXPECT_EQ(m_db.AddTransponder(Params("sino", "Transponder", 0, 0), nullptr), AddOutcome::Added);
    EXPECT_EQ(Key("sino", "TP2"), "Transponder|0.0|0f|垂直|5150|自动|关|Ku|关|");
    EXPECT_EQ(Key("sino", "NUMTP"), "2");

    EXPECT_EQ(m_db.AddTransponder(Params("Asia", "T1", 11800, 27500), nullptr), AddOutcome::Added);
    EXPECT_EQ(FileUtf8(),
              "[Main]\r\nNUM=2\r\nSAT1=sino\r\nSAT2=Asia\r\n"
              "[sino]\r\nNUMTP=2\r\nTP1=CETV|12622|32.533|垂直|11300|自动|开|Ku|开|\r\n"
              "TP2=Transponder|0.0|0f|垂直|5150|自动|关|Ku|关|\r\n"
              "[Asia]\r\nNUMTP=1\r\nTP1=T1|11800.0|27500f|垂直|5150|自动|关|Ku|关|\r\n");
    TransponderParams tp;
    m_db.ReadTransponder("Asia", "T1", tp);
    EXPECT_EQ(tp.frequency, 11800.0f);
    EXPECT_EQ(tp.symbolRate, 27500);

    const std::string before = ReadBytes(Path());
    int asked = 0;
    auto answer = [&](bool yes) {
        return [&asked, yes] {
            ++asked;
            return yes;
        };
    };
    EXPECT_EQ(m_db.AddTransponder(Params("Asia", "T1", 11800, 27500), answer(true)),
              AddOutcome::Identical);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(m_db.AddTransponder(Params("Asia", "T1", 11900, 27500), answer(false)),
              AddOutcome::Declined);
    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_EQ(m_db.AddTransponder(Params("Asia", "T1", 11900, 27500), answer(true)),
              AddOutcome::Overwritten);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Key("Asia", "TP1"), "T1|11900.0|27500f|垂直|5150|自动|关|Ku|关|");
    EXPECT_EQ(Key("Asia", "NUMTP"), "1");
}

TEST_F(ChannelDatabaseTest, AddNeverDuplicatesAStoredSatellite) {
    // An empty SAT2 hides "sino" from the existence test; the satellite is
    // still the stored one and keeps its transponders.
    Given("[Main]\nNUM=3\nSAT1=A\nSAT2=\nSAT3=sino\n[sino]\nNUMTP=2\nTP1=a|1|1|\nTP2=b|2|2|\n");
    EXPECT_EQ(m_db.AddTransponder(Params("sino", "c", 3, 3), nullptr), AddOutcome::Added);
    EXPECT_EQ(Key("Main", "NUM"), "3");
    EXPECT_EQ(Key("sino", "NUMTP"), "3");
    EXPECT_EQ(Key("sino", "TP1"), "a|1|1|");
    EXPECT_EQ(Key("sino", "TP3"), "c|3.0|3f|垂直|5150|自动|关|Ku|关|");

    EXPECT_EQ(m_db.CheckNewNames("SINO", "x"), CaseClashMessage());
    EXPECT_EQ(m_db.AddTransponder(Params("SINO", "x", 1, 1), nullptr), AddOutcome::Refused);
    EXPECT_EQ(m_db.CheckNewNames("sino", "x"), "");
}

TEST_F(ChannelDatabaseTest, RecordsLongerThanReadersSeeAreRefused) {
    TransponderParams tp = Params("S", "T", 12000, 27500);
    tp.polarisation.clear();
    tp.polarisation = std::string(99 - CChannelDatabase::BuildAddRecord(tp).size(), 'p');
    EXPECT_EQ(CChannelDatabase::BuildAddRecord(tp).size(), 99u);
    EXPECT_EQ(m_db.AddTransponder(tp, nullptr), AddOutcome::Added);
    tp.polarisation += 'p';
    EXPECT_NE(CChannelDatabase::CheckRecordLength(CChannelDatabase::BuildAddRecord(tp)), "");
    EXPECT_EQ(m_db.AddTransponder(tp, [] { return true; }), AddOutcome::Refused);
    tp.polarisation += 'p';
    EXPECT_FALSE(m_db.EditTransponder(tp));
    EXPECT_EQ(CProfileFile(Path()).ReadString("S", "TP1", "", 200).size(), 99u);
}

TEST_F(ChannelDatabaseTest, EditKeepsKeyAndNameAndDropsTheF) {
    Given("[Main]\nNUM=1\nSAT1=S\n[S]\nNUMTP=2\nTP1=a|1.0|1f|x|\nTP2=b|2.0|2f|y|\n");
    EXPECT_TRUE(m_db.EditTransponder(Params("S", "b", 3840.25f, 27500)));
    EXPECT_EQ(Key("S", "TP2"), "b|3840.2|27500|垂直|5150|自动|关|Ku|关|");
    EXPECT_EQ(Key("S", "TP1"), "a|1.0|1f|x|");
    EXPECT_FALSE(m_db.EditTransponder(Params("S", "zz", 1, 1)));
}

TEST_F(ChannelDatabaseTest, DeleteClosesUpTheNumbering) {
    Given(
        "[Main]\nNUM=3\nSAT1=A\nSAT2=B\nSAT3=C\n"
        "[A]\nNUMTP=3\nTP1=t1|1|\nTP2=t2|2|\nTP3=t3|3|\n[B]\nNUMTP=1\nTP1=only|1|\n"
        "[C]\nNUMTP=1\nTP1=c|1|\n[Last]\nA=t2\n[Lock]\nA=t2\n");
    EXPECT_EQ(m_db.DeleteTransponder("A", "t2"), DeleteOutcome::TransponderDeleted);
    EXPECT_EQ(Key("A", "TP1"), "t1|1|");
    EXPECT_EQ(Key("A", "TP2"), "t3|3|");
    EXPECT_EQ(Key("A", "TP3"), "NOT FIND");
    EXPECT_EQ(Key("A", "NUMTP"), "2");
    SatelliteTransponder pair;
    EXPECT_FALSE(m_db.ReadLast(pair)) << "Last named the deleted transponder";
    EXPECT_TRUE(m_db.IsLockTarget("A", "t2")) << "Lock is never deleted";

    EXPECT_EQ(m_db.DeleteTransponder("B", "only"), DeleteOutcome::SatelliteDeleted);
    EXPECT_EQ(Key("Main", "NUM"), "2");
    EXPECT_EQ(Key("Main", "SAT2"), "C");
    EXPECT_EQ(Key("Main", "SAT3"), "NOT FIND");
    EXPECT_EQ(FileUtf8().find("[B]"), std::string::npos);

    EXPECT_EQ(m_db.DeleteTransponder("A", "nope"), DeleteOutcome::NotFound);
    ASSERT_TRUE(m_db.WriteLockAndLast("C", "c"));
    EXPECT_EQ(m_db.DeleteSatellite("A"), DeleteOutcome::SatelliteDeleted);
    EXPECT_TRUE(m_db.ReadLast(pair)) << "Last names another satellite";
    EXPECT_EQ(m_db.DeleteSatellite("C"), DeleteOutcome::SatelliteDeleted);
    EXPECT_FALSE(m_db.ReadLast(pair));
    EXPECT_EQ(FileUtf8(), "[Main]\r\nNUM=0\r\n[Lock]\r\nC=c\r\n");
    EXPECT_EQ(m_db.DeleteSatellite("C"), DeleteOutcome::NotFound);
}

TEST_F(ChannelDatabaseTest, LockAndLastLinesInTheirOrder) {
    Given("[LAST]\nold=x\nmore=y\n[lock]\nold=x\n[last]\nstale=z\n");
    ASSERT_TRUE(m_db.WriteLockAndLast("sino", "CETV"));
    EXPECT_EQ(FileUtf8(), "[lock]\r\nsino=CETV\r\n[Last]\r\nsino=CETV\r\n");
    SatelliteTransponder last;
    ASSERT_TRUE(m_db.ReadLast(last));
    EXPECT_EQ(last.satellite, "sino");
    EXPECT_EQ(last.transponder, "CETV");
    EXPECT_TRUE(m_db.IsLockTarget("sino", "CETV"));
    EXPECT_FALSE(m_db.IsLockTarget("sino", "CET"));
    EXPECT_FALSE(m_db.WriteLockAndLast("a=b", "c")) << "= in a satellite name";

    Given("[Last]\nno equals sign here\n");
    EXPECT_FALSE(m_db.ReadLast(last));
}

TEST_F(ChannelDatabaseTest, TuneWriteBackRecord) {
    ASSERT_TRUE(m_db.WriteDefaultContent());
    TransponderParams tp;
    m_db.ReadTransponder("sino", "CETV", tp);
    tp.frequency = 12622.4f;
    tp.symbolRate = 27500;
    std::string record = CChannelDatabase::BuildTuneRecord(tp);
    EXPECT_EQ(Utf8(record), "CETV|12622.4|27500|垂直|11300|自动|开|Ku|开|");
    EXPECT_TRUE(
        m_db.WriteTransponderRecord("sino", m_db.FindTransponderIndex("sino", "CETV"), record));
    EXPECT_EQ(Key("sino", "TP1"), "CETV|12622.4|27500|垂直|11300|自动|开|Ku|开|");
    EXPECT_FALSE(m_db.WriteTransponderRecord("sino", -1, record));
}

TEST_F(ChannelDatabaseTest, ProgramsSkipDeletedKeys) {
    const char* names[] = {"节目1", "节目2", "节目3(加扰)", "节目4", "节目5"};
    for (int i = 1; i <= 5; ++i) {
        ProgramEntry e;
        e.name = Gbk(names[i - 1]);
        e.type = Gbk(i == 4 ? "广播节目" : "电视节目");
        e.pmtPid = "100";
        e.videoPid = i == 4 ? "00" : "1ff";
        e.audioPid1 = "2a0";
        e.audioPid2 = "00";
        e.pcrPid = "1ff";
        ASSERT_TRUE(m_db.WriteProgram(CChannelDatabase::MakeProgramKey(i), e));
    }
    ASSERT_TRUE(m_db.WriteProgramCount(5));
    EXPECT_EQ(Key("PID", Gbk("节目4")), "节目4|广播节目|100|00|2a0|00|1ff|");
    EXPECT_TRUE(m_db.DeleteProgram(Gbk("节目3")));

    int listed = 0;
    for (int i = 1; i <= m_db.CountPrograms(); ++i) {
        ProgramEntry e;
        if (m_db.ReadProgram(CChannelDatabase::MakeProgramKey(i), e)) ++listed;
    }
    EXPECT_EQ(listed, 4);

    ProgramEntry found;
    found.key = "caller's";
    EXPECT_FALSE(m_db.FindProgramByName(Gbk("节目3(加扰)"), found));
    ASSERT_TRUE(m_db.FindProgramByName(Gbk("节目4"), found));
    EXPECT_EQ(found.key, "caller's");
    EXPECT_EQ(Utf8(found.type), "广播节目");
    EXPECT_EQ(found.pmtPid, "100");
    EXPECT_EQ(found.videoPid, "00");
    EXPECT_EQ(found.audioPid1, "2a0");
    EXPECT_EQ(found.pcrPid, "1ff");

    EXPECT_TRUE(m_db.DeleteAllPrograms());
    EXPECT_EQ(m_db.CountPrograms(), 0);
}

TEST_F(ChannelDatabaseTest, CountsReadThroughFourBytes) {
    Given("[PID]\nNUM=1234\n[IP]\nACTIVENUMPID=3\nACTIVEPID=100|200|1FFF|\n");
    EXPECT_EQ(m_db.CountPrograms(), 123);
    PidLists lists = m_db.ReadPidLists();
    EXPECT_EQ(lists.activeCount, 3);
    EXPECT_EQ(lists.active, "100|200|1FFF|");
    EXPECT_EQ(lists.inactiveCount, 0);
    EXPECT_EQ(lists.inactive, "NOT FIND");
    ASSERT_TRUE(m_db.WritePidLists(PidLists{2, "1ff|2a0|", 0, ""}));
    EXPECT_EQ(FileUtf8(),
              "[PID]\r\nNUM=1234\r\n[IP]\r\nACTIVENUMPID=2\r\nACTIVEPID=1ff|2a0|\r\n"
              "NOACTIVENUMPID=0\r\nNOACTIVEPID=\r\n");
}

struct NameCase {
    const char* satellite;
    const char* transponder;
    const char* message;  // UTF-8; empty when accepted
};

TEST(NameCheck, RefusesNamesTheFileCannotHold) {
    const NameCase cases[] = {
        {"sino", "CETV", ""},
        {"亚洲三号卫星", "中央电视台一套节目", ""},
        {"ABCDEFGHIJKLMNOPQRS", "123456789012", ""},
        {"亚洲卫星一二三四五", "一二三四五六七八九十一二", ""},
        {"", "CETV", "请输入卫星名和转发器名!"},
        {"sino", "", "请输入卫星名和转发器名!"},
        {"si|no", "CETV", "卫星名和转发器名不能包含字符 | 或 = !"},
        {"sino", "CE=TV", "卫星名和转发器名不能包含字符 | 或 = !"},
        {"sino", "CE|TV", "卫星名和转发器名不能包含字符 | 或 = !"},
        {"si[no", "CETV", "卫星名不能包含字符 [ 或 ]，也不能用引号括起来!"},
        {"sino]", "CETV", "卫星名不能包含字符 [ 或 ]，也不能用引号括起来!"},
        {"\"sino\"", "CETV", "卫星名不能包含字符 [ 或 ]，也不能用引号括起来!"},
        {"sino", "[CETV]", ""},
        {"MAIN", "CETV", "卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!"},
        {"last", "CETV", "卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!"},
        {"Pid", "CETV", "卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!"},
        {"ip", "CETV", "卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!"},
        {"ABCDEFGHIJKLMNOPQRST", "CETV", "卫星名不能超过19个字节（一个汉字占两个字节）!"},
        {"亚洲卫星一二三四五六", "CETV", "卫星名不能超过19个字节（一个汉字占两个字节）!"},
        {"sino", "1234567890123", "转发器名不能超过12个字符!"},
        {"sino", "一二三四五六七八九十一二三", "转发器名不能超过12个字符!"},
        {" sino", "CETV", "卫星名和转发器名的首尾不能有空格!"},
        {"sino", "CETV ", "卫星名和转发器名的首尾不能有空格!"},
        {"si\nno", "CETV", "卫星名和转发器名不能包含控制字符!"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(Utf8(CheckNames(Gbk(c.satellite), Gbk(c.transponder))), c.message)
            << c.satellite << " / " << c.transponder;
    }
    // A double-byte character whose second byte is "|" is no bar; a lead byte
    // without its second byte would take the record's next "|" as one.
    EXPECT_EQ(CheckNames("sino", "\x81|"), "");
    for (const char* broken : {"CETV\x81", "\x81 x", "\x80", "\xFF"}) {
        EXPECT_EQ(Utf8(CheckNames("sino", broken)), "卫星名和转发器名含有无法识别的字符!");
    }
}

}  // namespace
}  // namespace orbix
