#include "db/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/db/temp_dir.h"

namespace orbix {
namespace {

using test::CTempDir;
using test::ReadBytes;
using test::WriteBytes;

using namespace std::string_literals;

struct ReadCase {
    const char* what;
    std::string file;
    std::string section;
    std::string key;
    std::size_t buffer;
    std::string expected;  // "<default>" when the default comes back
};

class ProfileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, ReadsAsTheWindowsProfileFunctionsDo) {
    const ReadCase& c = GetParam();
    CTempDir dir;
    WriteBytes(dir.File("a.ini"), c.file);
    CProfileFile file(dir.File("a.ini"));
    std::string got = file.ReadString(c.section, c.key, "<default>", c.buffer);
    EXPECT_EQ(got, c.expected) << c.what;
}

const std::string kLongLine(100'000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileReadTest,
    ::testing::Values(
        ReadCase{"names ignore letter case", "[Last]\r\nsino=CETV\r\n", "LAST", "SINO", 50, "CETV"},
        ReadCase{"first of duplicate sections", "[A]\nk=1\n[a]\nk=2\n", "A", "k", 50, "1"},
        ReadCase{"keys of a later duplicate section are not seen", "[A]\nx=1\n[a]\nk=2\n", "a", "k",
                 50, "<default>"},
        ReadCase{"first of duplicate keys", "[A]\nk=1\nK=2\n", "A", "k", 50, "1"},
        ReadCase{"blanks trimmed", "  [ A ]  \n \t k  =  v v \t\n", "A", "k", 50, "v v"},
        ReadCase{"requested names trimmed", "[A]\nk=1\n", " A ", " k", 50, "1"},
        ReadCase{"double quotes removed", "[A]\nk=\"q q\"\n", "A", "k", 50, "q q"},
        ReadCase{"single quotes removed", "[A]\nk='q'\n", "A", "k", 50, "q"},
        ReadCase{"unmatched quotes kept", "[A]\nk=\"q'\n", "A", "k", 50, "\"q'"},
        ReadCase{"a lone quote kept", "[A]\nk=\"\n", "A", "k", 50, "\""},
        ReadCase{"empty value", "[A]\nk=\n", "A", "k", 50, ""},
        ReadCase{"line without = is no key", "[A]\nk\n", "A", "k", 50, "<default>"},
        ReadCase{"[Name without ] opens no section", "[A]\n[B\nk=1\n", "A", "k", 50, "1"},
        ReadCase{"text after ] ignored", "[A] junk\nk=1\n", "A", "k", 50, "1"},
        ReadCase{"CR line ends", "[A]\rk=1\rj=2", "A", "j", 50, "2"},
        ReadCase{"mixed line ends", "[A]\r\nk=1\nj=2\r[B]\n", "A", "j", 50, "2"},
        ReadCase{"value cut to buffer - 1", "[A]\nk=abcdef\n", "A", "k", 4, "abc"},
        ReadCase{"default cut to buffer - 1", "", "PID", "NUM", 4, "<de"},
        ReadCase{"buffer of one gives nothing", "[A]\nk=abc\n", "A", "k", 1, ""},
        ReadCase{"buffer of zero gives nothing", "[A]\nk=abc\n", "A", "k", 0, ""},
        ReadCase{"GBK second byte ] inside a section name", "[\x81]x]\nk=1\n", "\x81]x", "k", 50,
                 "1"},
        ReadCase{"GBK second bytes [ ] \\ inside a value", "[A]\nk=\x81[\x81]\x81\\\n", "A", "k",
                 50, "\x81[\x81]\x81\\"},
        ReadCase{"GBK second bytes are not case-folded", "[\x81\x41]\nk=1\n", "\x81\x61", "k", 50,
                 "<default>"},
        ReadCase{"GBK section names match exactly", "[\xCE\xC0\xD0\xC7]\nk=1\n", "\xCE\xC0\xD0\xC7",
                 "k", 50, "1"},
        ReadCase{"UTF-8 byte-order mark skipped", "\xEF\xBB\xBF[Main]\r\nNUM=3\r\n", "Main", "NUM",
                 50, "3"},
        ReadCase{"keys before any section belong to none", "k=1\n[A]\n", "A", "k", 50, "<default>"},
        ReadCase{"no sections at all", "k=1\nj=2\n", "A", "k", 50, "<default>"},
        ReadCase{"NUL bytes kept", "[A]\nk=a\0b\n"s, "A", "k", 50, "a\0b"s},
        ReadCase{"binary garbage around keys", "\x01\xFF\x80\x00\x7F\n[A]\n\xFE\xFE\xFE\nk=1\n"s,
                 "A", "k", 50, "1"},
        ReadCase{"100,000-byte line", "[A]\n" + kLongLine + "\nk=1\n", "A", "k", 50, "1"},
        ReadCase{"100,000-byte value cut", "[A]\nk=" + kLongLine + "\n", "A", "k", 100,
                 std::string(99, 'x')},
        ReadCase{"lone lead byte at the end", "[A]\nk=\x81", "A", "k", 50, "\x81"},
        ReadCase{"lone lead byte at the end of a header", "[A\x81", "A\x81", "k", 50,
                 "<default>"}));

TEST(ProfileFile, AbsentFileReadsAsEmpty) {
    CTempDir dir;
    CProfileFile file(dir.File("none.ini"));
    EXPECT_EQ(file.ReadString("Main", "SAT1", "NOT FIND", 20), "NOT FIND");
    EXPECT_EQ(file.ReadInt("Main", "NUM", 0), 0);
    EXPECT_TRUE(file.ReadSection("Last", 50).empty());
}

TEST(ProfileFile, IntegerReadTakesTheLeadingDigits) {
    CTempDir dir;
    WriteBytes(dir.File("a.ini"),
               "[A]\na=12abc\nb=abc\nc=-5\nd=99999999999\ne=\"42\"\nf=27500f\ng=32.533\n");
    CProfileFile file(dir.File("a.ini"));
    const std::pair<const char*, int> cases[] = {{"a", 12}, {"b", 0},     {"c", 0},  {"d", INT_MAX},
                                                 {"e", 42}, {"f", 27500}, {"g", 32}, {"absent", 7}};
    for (const auto& [key, expected] : cases) EXPECT_EQ(file.ReadInt("A", key, 7), expected) << key;
}

TEST(ProfileFile, SectionReadFollowsTheBufferRule) {
    CTempDir dir;
    WriteBytes(dir.File("a.ini"), "[Last]\nsino = \"CETV\"\nnot a key\nx=y\n[B]\nz=1\n");
    CProfileFile file(dir.File("a.ini"));
    using Lines = std::vector<std::string>;
    EXPECT_EQ(file.ReadSection("LAST", 50), (Lines{"sino=\"CETV\"", "x=y"}));
    EXPECT_EQ(file.ReadSection("Last", 8), (Lines{"sino=\""}));
    EXPECT_EQ(file.ReadSection("Last", 13), (Lines{"sino=\"CETV\""}));
    EXPECT_EQ(file.ReadSection("Last", 15), (Lines{"sino=\"CETV\"", "x"}));
    EXPECT_EQ(file.ReadSection("Last", 1), Lines{});
}

TEST(ProfileFile, SeriesOfWritesGivesExactBytes) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    WriteBytes(path, "; note\n[Main]\nNUM = 1\n\n[sino]\nNUMTP=1\nTP1=x\n[sino]\nTP1=old\n");
    CProfileFile file(path);
    EXPECT_TRUE(file.WriteString("Main", "SAT1", "sino"));
    EXPECT_TRUE(file.WriteString("MAIN", "num", "2"));
    EXPECT_TRUE(file.WriteString("New", "k", "v"));
    EXPECT_TRUE(file.DeleteKey("SINO", "numtp"));
    EXPECT_TRUE(file.WriteSection("Last", "a=b"));
    EXPECT_TRUE(file.WriteSection("last", "c=d"));
    EXPECT_TRUE(file.DeleteSection("NEW"));
    EXPECT_TRUE(file.WriteSection("Sino", "TP1=y"));
    EXPECT_EQ(ReadBytes(path),
              "; note\r\n[Main]\r\nNUM=2\r\nSAT1=sino\r\n\r\n[sino]\r\nTP1=y\r\n"
              "[Last]\r\nc=d\r\n");
}

TEST(ProfileFile, NewFileAndDeletes) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    CProfileFile file(path);
    EXPECT_TRUE(file.DeleteKey("A", "k"));
    EXPECT_TRUE(file.DeleteSection("A"));
    EXPECT_FALSE(std::filesystem::exists(path)) << "deleting nothing creates no file";
    EXPECT_TRUE(file.WriteString("A", "k", "1"));
    EXPECT_TRUE(file.WriteString("A", "j", "2"));
    EXPECT_TRUE(file.WriteString("B", "k", "3"));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nk=1\r\nj=2\r\n[B]\r\nk=3\r\n");
    EXPECT_TRUE(file.WriteString("A", "k", ""));
    EXPECT_EQ(file.ReadString("A", "k", "NOT FIND", 10), "") << "an empty value is a value";
    WriteBytes(path, "[A]\nk=1\nk=2\nj=3\n[a]\nk=4\n");
    EXPECT_TRUE(file.DeleteKey("a", "K"));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nj=3\r\n[a]\r\nk=4\r\n") << "every copy within the section";
    EXPECT_TRUE(file.DeleteSection("A"));
    EXPECT_EQ(ReadBytes(path), "") << "duplicates go too";
}

TEST(ProfileFile, RefusedTextsLeaveTheFileAlone) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    const std::string before = "[A]\r\nk=1\r\n";
    WriteBytes(path, before);
    CProfileFile file(path);
    struct Refused {
        const char* what;
        std::function<bool()> write;
    };
    const Refused cases[] = {
        {"CRLF in a value", [&] { return file.WriteString("A", "k", "a\r\nb=c"); }},
        {"LF in a value", [&] { return file.WriteString("A", "k", "a\nb"); }},
        {"CR in a value", [&] { return file.WriteString("A", "k", "a\rb"); }},
        {"NUL in a value", [&] { return file.WriteString("A", "k", "a\0b"s); }},
        {"LF in a key", [&] { return file.WriteString("A", "k\n[B]", "1"); }},
        {"= in a key", [&] { return file.WriteString("A", "a=b", "1"); }},
        {"[ opening a key", [&] { return file.WriteString("A", "[B]", "1"); }},
        {"blank around a key", [&] { return file.WriteString("A", " k", "1"); }},
        {"empty key", [&] { return file.WriteString("A", "", "1"); }},
        {"CR in a section name", [&] { return file.WriteString("A\r", "k", "1"); }},
        {"] in a section name", [&] { return file.WriteString("A]B", "k", "1"); }},
        {"lead byte ending a section name", [&] { return file.WriteString("A\x81", "k", "1"); }},
        {"empty section name", [&] { return file.WriteString("", "k", "1"); }},
        {"LF in a section line", [&] { return file.WriteSection("A", "a=b\nc=d"); }},
        {"header as a section line", [&] { return file.WriteSection("A", "[B]"); }},
        {"LF in a deleted key", [&] { return file.DeleteKey("A", "k\n"); }},
        {"LF in a deleted section", [&] { return file.DeleteSection("A\n"); }},
    };
    for (const Refused& c : cases) {
        EXPECT_FALSE(c.write()) << c.what;
        EXPECT_EQ(ReadBytes(path), before) << c.what;
    }
}

TEST(ProfileFile, BadInputKeepsItsValidKeysOnTheNextWrite) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    const std::string garbage = "\xEF\xBB\xBF[Main]\nNUM=2\n\x01\x02\x00\xFF\n"s + kLongLine +
                                "\n[sino]\r\nTP1=\x81[\x81]|\r\n\x81";
    WriteBytes(path, garbage);
    CProfileFile file(path);
    EXPECT_TRUE(file.WriteString("Main", "SAT1", "sino"));
    std::string expected = "\xEF\xBB\xBF[Main]\r\nNUM=2\r\n\x01\x02\x00\xFF\r\n"s + kLongLine +
                           "\r\nSAT1=sino\r\n[sino]\r\nTP1=\x81[\x81]|\r\n\x81\r\n";
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(file.ReadString("sino", "TP1", "", 100), "\x81[\x81]|");
}

TEST(ProfileFile, ReadsSeeChangesMadeBehindTheirBack) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    WriteBytes(path, "[A]\nk=1\n");
    CProfileFile file(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));  // old enough to be kept parsed
    ASSERT_EQ(file.ReadString("A", "k", "", 10), "1");
    ASSERT_EQ(file.ReadString("A", "k", "", 10), "1");

    // Same size, same modification time, same inode: only the change time tells.
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(6);
        f.put('2');
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(file.ReadString("A", "k", "", 10), "2");

    // Replaced by another file at once.
    std::string other = dir.File("b.ini");
    WriteBytes(other, "[A]\nk=3\n");
    ASSERT_EQ(rename(other.c_str(), path.c_str()), 0);
    EXPECT_EQ(file.ReadString("A", "k", "", 10), "3");
}

TEST(ProfileFile, UnreadableFileIsNeverOverwritten) {
    CTempDir dir;
    const std::pair<const char*, std::function<void(const std::string&)>> cases[] = {
        {"directory", [](const std::string& p) { std::filesystem::create_directory(p); }},
        {"pipe", [](const std::string& p) { mkfifo(p.c_str(), 0644); }},
    };
    for (const auto& [what, make] : cases) {
        std::string path = dir.File(what);
        make(path);
        auto type = std::filesystem::status(path).type();
        CProfileFile file(path);
        EXPECT_EQ(file.ReadString("A", "k", "NOT FIND", 20), "NOT FIND") << what;
        EXPECT_FALSE(file.WriteString("A", "k", "1")) << what;
        EXPECT_EQ(std::filesystem::status(path).type(), type) << what;
    }
}

TEST(ProfileFile, TransactionIsAllOrNothing) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    WriteBytes(path, "[A]\r\nk=1\r\n");
    CProfileFile file(path);
    EXPECT_FALSE(file.Transact([](IProfile& p) {
        p.WriteString("A", "k", "2");
        p.WriteString("A", "j", "bad\nvalue");
    }));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nk=1\r\n");
    EXPECT_TRUE(file.Transact([](IProfile& p) {
        p.WriteString("A", "k", "2");
        p.WriteString("A", "j", p.ReadString("A", "k", "", 10) + "0");
    }));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nk=2\r\nj=20\r\n") << "reads inside see earlier writes";
}

TEST(ProfileFile, WritesThroughASymbolicLink) {
    CTempDir dir;
    std::string target = dir.File("real.ini");
    std::string link = dir.File("link.ini");
    WriteBytes(target, "[A]\r\nk=1\r\n");
    std::filesystem::create_symlink(target, link);
    CProfileFile file(link);
    EXPECT_TRUE(file.WriteString("A", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "[A]\r\nk=2\r\n");
}

TEST(ProfileFile, KeepsPermissionsAndRemovesStaleTemporaries) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    WriteBytes(path, "[A]\r\nk=1\r\n");
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    WriteBytes(path + ".tmpAbC123", "left by a killed writer");
    CProfileFile file(path);
    EXPECT_TRUE(file.WriteString("A", "k", "2"));
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmpAbC123"));
}

}  // namespace
}  // namespace orbix
