#include "db/profile_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <random>
#include <thread>
#include <tuple>

#include "db/profile_store.h"
#include "tests/support/temp_dir.h"

namespace orbix {
namespace {

using namespace testing;
using namespace std::string_literals;

const std::string kLongLine(100'000, 'x');

class ProfileFile : public ::testing::Test {
  protected:
    void Given(const std::string& text) { WriteBytes(file.Path(), text); }
    std::string Bytes() const { return ReadBytes(file.Path()); }

    CTempDir dir;
    CProfileFile file{dir.File("a.ini")};
};
using ProfileSafety = ProfileFile;

TEST_F(ProfileFile, ReadsAsTheWindowsProfileFunctionsDo) {
    // file, section, key, buffer size, what comes back
    const std::tuple<std::string, std::string, std::string, std::size_t, std::string> cases[] = {
        {"[Last]\r\nsino=CETV\r\n", "LAST", "SINO", 50, "CETV"},  // letter case ignored
        {"[A]\nx=1\n[a]\nk=2\n", "a", "k", 50, "<default>"},      // first duplicate section only
        {"[A]\nk=1\nK=2\n", "A", "k", 50, "1"},                   // first duplicate key
        {"  [ A ]  \n \t k  =  v v \t\n", "A", "k", 50, "v v"},   // blanks trimmed
        {"[A]\nk=\"q q\"\n", "A", "k", 50, "q q"},                // matching quotes removed
        {"[A]\nk=abcdef\n", "A", "k", 4, "abc"},                  // cut to buffer - 1
        {"[\x81]x]\nk=1\n", "\x81]x", "k", 50, "1"},  // GBK second byte "]" in a section name
        {"[A]\nk=\x81[\x81]\x81\\\n", "A", "k", 50, "\x81[\x81]\x81\\"},  // and in a value
        {"[\x81\x41]\nk=1\n", "\x81\x61", "k", 50, "<default>"},  // second bytes not case-folded
        {"\xEF\xBB\xBF[Main]\r\nNUM=3\r\n", "Main", "NUM", 50, "3"},  // byte-order mark
        {"[A]\nk=a\0b\n"s, "A", "k", 50, "a\0b"s},                    // NUL bytes kept
        {"[A]\nk=" + kLongLine + "\n", "A", "k", 100, std::string(99, 'x')},
    };
    for (const auto& [text, section, key, buffer, expected] : cases) {
        Given(text);
        EXPECT_EQ(file.ReadString(section, key, "<default>", buffer), expected) << text;
    }
}

TEST_F(ProfileFile, IntegersStopAtTheFirstNonDigitAndSaturate) {
    Given("[A]\na=12abc\nb=abc\nd=99999999999\nh=+-3\nj=-99999999999\n");
    const std::pair<const char*, int> ints[] = {
        {"a", 12}, {"b", 0}, {"d", INT_MAX}, {"j", INT_MIN}, {"absent", 7}};
    for (const auto& [key, expected] : ints) EXPECT_EQ(file.ReadInt("A", key, 7), expected) << key;
}

TEST_F(ProfileFile, SeriesOfWritesGivesExactBytes) {
    EXPECT_TRUE(file.DeleteSection("A"));
    EXPECT_FALSE(std::filesystem::exists(file.Path())) << "deleting nothing creates no file";
    Given("; note\n[Main]\nNUM = 1\n\n[sino]\nNUMTP=1\nTP1=x\n[sino]\nTP1=old\n");
    std::filesystem::permissions(file.Path(), std::filesystem::perms(0640));
    std::filesystem::create_symlink(file.Path(), dir.File("link.ini"));
    CProfileFile link(dir.File("link.ini"));  // writes replace the file the link names
    EXPECT_TRUE(link.WriteString("Main", "SAT1", "sino") && link.WriteString("MAIN", "num", "2") &&
                link.WriteString("New", "k", "v") && link.DeleteKey("SINO", "numtp") &&
                link.WriteSection("Last", "a=b") && link.WriteSection("last", "c=d") &&
                link.DeleteSection("NEW") && link.WriteSection("Sino", "TP1=y") &&
                link.WriteString("Last", "e", ""));
    EXPECT_EQ(Bytes(),
              "; note\r\n[Main]\r\nNUM=2\r\nSAT1=sino\r\n\r\n[sino]\r\nTP1=y\r\n"
              "[Last]\r\nc=d\r\ne=\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link.Path()));
    EXPECT_EQ(std::filesystem::status(file.Path()).permissions(), std::filesystem::perms(0640));
    Given("[A]\nk=1\nk=2\nj=3\n[a]\nk=4\n");
    EXPECT_TRUE(file.DeleteKey("a", "K"));
    EXPECT_EQ(Bytes(), "[A]\r\nj=3\r\n[a]\r\nk=4\r\n");
    EXPECT_TRUE(file.DeleteSection("A"));
    EXPECT_EQ(Bytes(), "") << "duplicate sections go too";
}

// CR, LF, NUL or what would read back as another structure are refused; a
// transaction with one refused write makes none of its writes.
TEST_F(ProfileFile, RefusedWritesLeaveTheFileAlone) {
    const std::string before = "[A]\r\nk=1\r\n";
    Given(before);
    const std::string texts[][3] = {
        {"A", "k", "a\r\nb=c"}, {"A", "k", "a\rb"},  {"A", "k", "a\0b"s}, {"A", "k\n[B]", "1"},
        {"A", "a=b", "1"},      {"A", "[B]", "1"},   {"A\x81", "k", "1"},  // \x81 would eat "]"
        {"A", "k", " v"},       {"A", "k", "\"v\""},                       // would read back as "v"
    };
    for (const auto& [s, k, v] : texts)
        EXPECT_FALSE(file.WriteString(s, k, v)) << s << "/" << k << "=" << v;
    for (const char* line : {"a=b\nc=d", "[B", " a=b", "a= b", "; a=b"})
        EXPECT_FALSE(file.WriteSection("A", line)) << line;
    EXPECT_FALSE(file.DeleteSection("A\n"));
    EXPECT_FALSE(file.Transact([](IProfile& p) {
        p.WriteString("A", "k", "2");
        p.WriteString("A", "j", "bad\nvalue");
    }));
    EXPECT_EQ(Bytes(), before);
}

TEST_F(ProfileFile, BadInputKeepsItsValidKeysOnTheNextWrite) {
    Given("\xEF\xBB\xBF[Main]\nNUM=2\n\x01\x00\xFF\n"s + kLongLine +
          "\n[sino]\r\nTP1=\x81[\x81]|\r\n\x81");
    EXPECT_TRUE(file.WriteString("Main", "SAT1", "sino"));
    EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[Main]\r\nNUM=2\r\n\x01\x00\xFF\r\n"s + kLongLine +
                           "\r\nSAT1=sino\r\n[sino]\r\nTP1=\x81[\x81]|\r\n\x81\r\n");
}

std::int64_t Ns(const timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; }

// The cache's clock is the test's: a file is kept parsed only once its times
// lie in the past of that clock, and then a change of any of them is seen.
TEST_F(ProfileFile, CacheKeepsSettledFilesAndSeesChangesBehindItsBack) {
    Given("[A]\nk=1\n");
    struct stat st {};
    ASSERT_EQ(stat(file.Path().c_str(), &st), 0);
    std::int64_t now = std::max(Ns(st.st_mtim), Ns(st.st_ctim));
    CProfileCache cache([&now] { return now; });
    auto value = [&] {
        auto profile = cache.Load(file.Path());
        return std::string(profile->FindKey(*profile->FindSection("A"), "k")->value);
    };
    EXPECT_EQ(value() + value(), "11");
    EXPECT_EQ(cache.Hits(), 0u) << "a file as new as the clock is read every time";
    now += 3'000'000'000;  // past the margin even of whole-second file times
    EXPECT_EQ(value() + value(), "11");
    ASSERT_EQ(cache.Hits(), 1u) << "a settled file is kept parsed";

    std::fstream(file.Path(), std::ios::in | std::ios::out | std::ios::binary).seekp(6).put('2');
    timespec times[2] = {st.st_atim, st.st_mtim};  // same size and inode, another mtime
    times[1].tv_sec += 1;
    ASSERT_EQ(utimensat(AT_FDCWD, file.Path().c_str(), times, 0), 0);
    EXPECT_EQ(value(), "2");
}

TEST_F(ProfileFile, WhatIsNoFileIsNeitherReadNorOverwritten) {
    std::filesystem::create_directory(dir.File("directory"));
    mkfifo(dir.File("pipe").c_str(), 0644);
    for (const char* name : {"directory", "pipe"}) {
        CProfileFile odd(dir.File(name));
        EXPECT_EQ(odd.ReadString("A", "k", "NOT FIND", 20), "NOT FIND") << name;
        EXPECT_FALSE(odd.WriteString("A", "k", "1")) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("directory")));
    EXPECT_TRUE(std::filesystem::is_fifo(dir.File("pipe")));
}

// Three threads and another process write distinct keys into one file at once.
TEST_F(ProfileSafety, ThreadsAndAnotherProcessLoseNoUpdate) {
    auto write = [&](int w, int n) {
        for (int i = 0; i < n; ++i) file.WriteString("K", std::to_string(w * 5000 + i), "v");
    };
    if (fork() == 0) write(3, 300), _exit(0);
    std::thread a(write, 0, 1000), b(write, 1, 1000), c(write, 2, 1000);
    a.join(), b.join(), c.join(), wait(nullptr);
    EXPECT_EQ(file.ReadSection("K", 1 << 20).size(), 3300u);
}

// A writer killed at any moment leaves the file whole, with the keys it never
// touches and with each change of several keys made entirely or not at all.
TEST_F(ProfileSafety, WriterKilledAtRandomMomentsLeavesAWholeFile) {
    auto batch = [&](const char* section, int keys, const std::string& value) {
        return file.Transact([&](IProfile& p) {
            for (int i = 0; i < keys; ++i) p.WriteString(section, std::to_string(i), value);
        });
    };
    ASSERT_TRUE(batch("Static", 50, "keep"));
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        pid_t pid = fork();
        for (int n = 0; pid == 0; ++n) batch("Batch", 20, std::to_string(n));  // until killed
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        ASSERT_TRUE(Bytes().ends_with("\r\n")) << round;
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(file.ReadString("Static", std::to_string(i), "", 10), "keep") << round;
            ASSERT_EQ(file.ReadString("Batch", std::to_string(i % 20), "", 32),
                      file.ReadString("Batch", "0", "", 32))
                << round;
        }
    }
    EXPECT_TRUE(file.WriteString("Static", "0", "keep"));  // clears what a killed one left
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
        << "the file and its lock file, no left-over temporary";
}

// A full disk (a file size limit) or a read-only directory: the write fails and
// the file stays as it was. Root writes anywhere, so the child drops to nobody.
TEST_F(ProfileSafety, WriteThatCannotBeMadeKeepsTheFile) {
    for (const std::string how : {"full", "read-only", "read-only, no lock", "read-only file"}) {
        ASSERT_TRUE(file.WriteString("A", "k", "1"));
        if (how == "read-only, no lock") std::filesystem::remove(file.Path() + ".lock");
        const std::string before = Bytes();
        // A file made read-only in a directory anyone may write: the rename
        // that replaces the file would pass over its permissions.
        const bool fileOnly = how == "read-only file";
        std::filesystem::permissions(dir.Path(), std::filesystem::perms(how == "full" ? 0755
                                                                        : fileOnly    ? 0777
                                                                                      : 0555));
        if (fileOnly) std::filesystem::permissions(file.Path(), std::filesystem::perms(0444));
        const rlimit limit{64, 64};
        if (fork() == 0) {
            signal(SIGXFSZ, SIG_IGN);
            if (how == "full" ? setrlimit(RLIMIT_FSIZE, &limit) != 0
                              : geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(77);
            _exit(file.WriteString("A", "k", std::string(1000, 'x')));
        }
        int status = 0;
        wait(&status);
        std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
        std::filesystem::permissions(file.Path(), std::filesystem::perms(0644));
        if (WEXITSTATUS(status) == 77) GTEST_SKIP() << how << ": cannot be made";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << how << ": reported success";
        EXPECT_EQ(Bytes(), before) << how;
    }
}

}  // namespace
}  // namespace orbix
