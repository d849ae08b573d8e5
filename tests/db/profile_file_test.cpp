#include "db/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <thread>

#include "tests/db/temp_dir.h"

namespace orbix {
namespace {

using test::CTempDir;
using test::ReadBytes;
using test::WriteBytes;
using namespace std::string_literals;

const std::string kLongLine(100'000, 'x');

struct ReadCase {
    std::string file, section, key;
    std::size_t buffer;
    std::string expected;  // "<default>" when the default comes back
};

TEST(ProfileFile, ReadsAsTheWindowsProfileFunctionsDo) {
    const ReadCase cases[] = {
        {"[Last]\r\nsino=CETV\r\n", "LAST", "SINO", 50, "CETV"},  // letter case ignored
        {"[A]\nk=1\n[a]\nk=2\n", "A", "k", 50, "1"},              // first duplicate section
        {"[A]\nx=1\n[a]\nk=2\n", "a", "k", 50, "<default>"},      // later duplicate unseen
        {"[A]\nk=1\nK=2\n", "A", "k", 50, "1"},                   // first duplicate key
        {"  [ A ]  \n \t k  =  v v \t\n", "A", "k", 50, "v v"},   // blanks trimmed
        {"[A]\nk=1\n", " A ", " k", 50, "1"},                     // requested names trimmed
        {"[A]\nk=\"q q\"\n", "A", "k", 50, "q q"},                // matching quotes removed
        {"[A]\nk='q'\n", "A", "k", 50, "q"},
        {"[A]\nk=\"q'\n", "A", "k", 50, "\"q'"},  // unmatched quotes kept
        {"[A]\nk=\"\n", "A", "k", 50, "\""},
        {"[A]\nk\n", "A", "k", 50, "<default>"},        // no "=": no key
        {"[A]\n[B\nk=1\n", "A", "k", 50, "1"},          // "[B" opens no section
        {"[A] junk\nk=1\n", "A", "k", 50, "1"},         // text after "]" ignored
        {"[A]\rk=1\rj=2", "A", "j", 50, "2"},           // CR line ends
        {"[A]\r\nk=1\nj=2\r[B]\n", "A", "j", 50, "2"},  // mixed line ends
        {"[A]\nk=abcdef\n", "A", "k", 4, "abc"},        // cut to buffer - 1
        {"", "PID", "NUM", 4, "<de"},                   // the default too
        {"[A]\nk=abc\n", "A", "k", 0, ""},
        {"[\x81]x]\nk=1\n", "\x81]x", "k", 50, "1"},  // GBK second byte "]" in a section name
        {"[A]\nk=\x81[\x81]\x81\\\n", "A", "k", 50, "\x81[\x81]\x81\\"},  // and in a value
        {"[\x81\x41]\nk=1\n", "\x81\x61", "k", 50, "<default>"},  // second bytes not case-folded
        {"\xEF\xBB\xBF[Main]\r\nNUM=3\r\n", "Main", "NUM", 50, "3"},  // byte-order mark
        {"k=1\n[A]\n", "A", "k", 50, "<default>"},                    // keys before any section
        {"k=1\nj=2\n", "A", "k", 50, "<default>"},                    // no sections at all
        {"[A]\nk=a\0b\n"s, "A", "k", 50, "a\0b"s},                    // NUL bytes kept
        {"\x01\xFF\x80\x00\x7F\n[A]\n\xFE\xFE\xFE\nk=1\n"s, "A", "k", 50, "1"},  // garbage
        {"[A]\n" + kLongLine + "\nk=1\n", "A", "k", 50, "1"},
        {"[A]\nk=" + kLongLine + "\n", "A", "k", 100, std::string(99, 'x')},
        {"[A]\nk=\x81", "A", "k", 50, "\x81"},  // lone lead byte at the end
        {"[A\x81", "A\x81", "k", 50, "<default>"},
    };
    CTempDir dir;
    CProfileFile file(dir.File("a.ini"));
    for (const ReadCase& c : cases) {
        WriteBytes(file.Path(), c.file);
        EXPECT_EQ(file.ReadString(c.section, c.key, "<default>", c.buffer), c.expected) << c.file;
    }
}

TEST(ProfileFile, IntegersAndSections) {
    CTempDir dir;
    CProfileFile file(dir.File("a.ini"));
    WriteBytes(file.Path(), "[A]\na=12abc\nb=abc\nc=-5\nd=99999999999\ne=\"42\"\nf=27500f\n");
    const std::pair<const char*, int> ints[] = {
        {"a", 12}, {"b", 0}, {"c", 0}, {"d", INT_MAX}, {"e", 42}, {"f", 27500}, {"absent", 7}};
    for (const auto& [key, expected] : ints) EXPECT_EQ(file.ReadInt("A", key, 7), expected) << key;

    WriteBytes(file.Path(), "[Last]\nsino = \"CETV\"\nnot a key\nx=y\n[B]\nz=1\n");
    using Lines = std::vector<std::string>;
    EXPECT_EQ(file.ReadSection("LAST", 50), (Lines{"sino=\"CETV\"", "x=y"}));
    EXPECT_EQ(file.ReadSection("Last", 8), (Lines{"sino=\""}));
    EXPECT_EQ(file.ReadSection("Last", 13), (Lines{"sino=\"CETV\""}));
    EXPECT_EQ(file.ReadSection("Last", 15), (Lines{"sino=\"CETV\"", "x"}));
    EXPECT_TRUE(file.ReadSection("None", 50).empty());
}

TEST(ProfileFile, SeriesOfWritesGivesExactBytes) {
    CTempDir dir;
    CProfileFile file(dir.File("a.ini"));
    EXPECT_TRUE(file.DeleteSection("A"));
    EXPECT_FALSE(std::filesystem::exists(file.Path())) << "deleting nothing creates no file";
    WriteBytes(file.Path(), "; note\n[Main]\nNUM = 1\n\n[sino]\nNUMTP=1\nTP1=x\n[sino]\nTP1=old\n");
    EXPECT_TRUE(file.WriteString("Main", "SAT1", "sino"));
    EXPECT_TRUE(file.WriteString("MAIN", "num", "2"));
    EXPECT_TRUE(file.WriteString("New", "k", "v"));
    EXPECT_TRUE(file.DeleteKey("SINO", "numtp"));
    EXPECT_TRUE(file.WriteSection("Last", "a=b"));
    EXPECT_TRUE(file.WriteSection("last", "c=d"));
    EXPECT_TRUE(file.DeleteSection("NEW"));
    EXPECT_TRUE(file.WriteSection("Sino", "TP1=y"));
    EXPECT_TRUE(file.WriteString("Last", "e", ""));
    EXPECT_EQ(ReadBytes(file.Path()),
              "; note\r\n[Main]\r\nNUM=2\r\nSAT1=sino\r\n\r\n[sino]\r\nTP1=y\r\n"
              "[Last]\r\nc=d\r\ne=\r\n");
    WriteBytes(file.Path(), "[A]\nk=1\nk=2\nj=3\n[a]\nk=4\n");
    EXPECT_TRUE(file.DeleteKey("a", "K"));
    EXPECT_EQ(ReadBytes(file.Path()), "[A]\r\nj=3\r\n[a]\r\nk=4\r\n");
    EXPECT_TRUE(file.DeleteSection("A"));
    EXPECT_EQ(ReadBytes(file.Path()), "") << "duplicate sections go too";
}

TEST(ProfileFile, RefusedTextsLeaveTheFileAlone) {
    CTempDir dir;
    CProfileFile file(dir.File("a.ini"));
    const std::string before = "[A]\r\nk=1\r\n";
    WriteBytes(file.Path(), before);
    const std::function<bool()> writes[] = {
        [&] { return file.WriteString("A", "k", "a\r\nb=c"); },
        [&] { return file.WriteString("A", "k", "a\rb"); },
        [&] { return file.WriteString("A", "k", "a\0b"s); },
        [&] { return file.WriteString("A", "k\n[B]", "1"); },
        [&] { return file.WriteString("A", "a=b", "1"); },
        [&] { return file.WriteString("A", "[B]", "1"); },
        [&] { return file.WriteString("A", " k", "1"); },
        [&] { return file.WriteString("A]B", "k", "1"); },
        [&] { return file.WriteString("A\x81", "k", "1"); },  // would swallow its "]"
        [&] { return file.WriteSection("A", "a=b\nc=d"); },
        [&] { return file.WriteSection("A", "[B]"); },
        [&] { return file.DeleteSection("A\n"); },
    };
    for (std::size_t i = 0; i < std::size(writes); ++i) {
        EXPECT_FALSE(writes[i]()) << "write " << i;
        EXPECT_EQ(ReadBytes(file.Path()), before) << "write " << i;
    }
}

TEST(ProfileFile, BadInputKeepsItsValidKeysOnTheNextWrite) {
    CTempDir dir;
    CProfileFile file(dir.File("a.ini"));
    WriteBytes(file.Path(), "\xEF\xBB\xBF[Main]\nNUM=2\n\x01\x00\xFF\n"s + kLongLine +
                                "\n[sino]\r\nTP1=\x81[\x81]|\r\n\x81");
    EXPECT_TRUE(file.WriteString("Main", "SAT1", "sino"));
    EXPECT_EQ(ReadBytes(file.Path()), "\xEF\xBB\xBF[Main]\r\nNUM=2\r\n\x01\x00\xFF\r\n"s +
                                          kLongLine +
                                          "\r\nSAT1=sino\r\n[sino]\r\nTP1=\x81[\x81]|\r\n\x81\r\n");
}

TEST(ProfileFile, ReadsSeeChangesMadeBehindTheirBack) {
    CTempDir dir;
    CProfileFile file(dir.File("a.ini"));
    WriteBytes(file.Path(), "[A]\nk=1\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(120));  // old enough to be kept parsed
    ASSERT_EQ(file.ReadString("A", "k", "", 10), "1");

    // Same size, same modification time, same inode: only the change time tells.
    struct stat before {};
    ASSERT_EQ(stat(file.Path().c_str(), &before), 0);
    {
        std::fstream f(file.Path(), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(6);
        f.put('2');
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, file.Path().c_str(), times, 0), 0);
    EXPECT_EQ(file.ReadString("A", "k", "", 10), "2");

    WriteBytes(dir.File("b.ini"), "[A]\nk=3\n");
    ASSERT_EQ(rename(dir.File("b.ini").c_str(), file.Path().c_str()), 0);
    EXPECT_EQ(file.ReadString("A", "k", "", 10), "3");
}

TEST(ProfileFile, WhatIsNoFileIsNeitherReadNorOverwritten) {
    CTempDir dir;
    std::filesystem::create_directory(dir.File("directory"));
    mkfifo(dir.File("pipe").c_str(), 0644);
    for (const char* name : {"directory", "pipe"}) {
        CProfileFile file(dir.File(name));
        auto type = std::filesystem::status(file.Path()).type();
        EXPECT_EQ(file.ReadString("A", "k", "NOT FIND", 20), "NOT FIND") << name;
        EXPECT_FALSE(file.WriteString("A", "k", "1")) << name;
        EXPECT_EQ(std::filesystem::status(file.Path()).type(), type) << name;
    }
}

TEST(ProfileFile, TransactionIsAllOrNothing) {
    CTempDir dir;
    CProfileFile file(dir.File("a.ini"));
    WriteBytes(file.Path(), "[A]\r\nk=1\r\n");
    EXPECT_FALSE(file.Transact([](IProfile& p) {
        p.WriteString("A", "k", "2");
        p.WriteString("A", "j", "bad\nvalue");
    }));
    EXPECT_EQ(ReadBytes(file.Path()), "[A]\r\nk=1\r\n");
    EXPECT_TRUE(file.Transact([](IProfile& p) {
        p.WriteString("A", "k", "2");
        p.WriteString("A", "j", p.ReadString("A", "k", "", 10) + "0");
    }));
    EXPECT_EQ(ReadBytes(file.Path()), "[A]\r\nk=2\r\nj=20\r\n")
        << "reads inside see earlier writes";
}

TEST(ProfileFile, KeepsLinkPermissionsAndNoStaleTemporaries) {
    CTempDir dir;
    std::string target = dir.File("real.ini");
    WriteBytes(target, "[A]\r\nk=1\r\n");
    std::filesystem::permissions(target, std::filesystem::perms(0640));
    std::filesystem::create_symlink(target, dir.File("link.ini"));
    WriteBytes(target + ".tmpAbC123", "left by a killed writer");
    EXPECT_TRUE(CProfileFile(dir.File("link.ini")).WriteString("A", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(ReadBytes(target), "[A]\r\nk=2\r\n");
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
    EXPECT_FALSE(std::filesystem::exists(target + ".tmpAbC123"));
}

}  // namespace
}  // namespace orbix
