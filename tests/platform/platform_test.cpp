#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/text.h"
#include "support/card_fixture.h"

namespace orbix {
namespace {

TEST(Text, GbkByteCountsAndRoundTrip) {
    struct Case {
        const char* utf8;
        std::size_t gbkBytes;
    };
    const Case cases[] = {{"PID", 3}, {"电视节目", 8}, {"请重新发送一遍PID!", 18}, {"", 0}};
    for (const Case& c : cases) {
        const std::string gbk = Gbk(c.utf8);
        EXPECT_EQ(gbk.size(), c.gbkBytes) << c.utf8;
        EXPECT_EQ(Utf8(gbk), c.utf8);
    }
}

TEST(Text, InvalidBytesNeverStopTheConversion) {
    // A character GBK lacks: db/text_regression_test.cpp.
    EXPECT_EQ(Utf8(std::string("A\x81", 2)), "A\xEF\xBF\xBD");  // lone lead byte at the end
}

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    testing::CTempDir dir;
    CInstanceLock first, second;
    ASSERT_TRUE(first.Acquire("orbixrx", dir.Path().string()));
    EXPECT_FALSE(second.Acquire("orbixrx", dir.Path().string()));
    EXPECT_TRUE(second.Acquire("another", dir.Path().string()));
    first.Release();
    EXPECT_TRUE(second.Acquire("orbixrx", dir.Path().string()));
}

TEST(InstanceLock, KilledHolderLeavesNoStaleLock) {
    testing::CTempDir dir;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        CInstanceLock lock;
        const char ok = lock.Acquire("orbixrx", dir.Path().string()) ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    CInstanceLock mine;
    EXPECT_FALSE(mine.Acquire("orbixrx", dir.Path().string()));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(mine.Acquire("orbixrx", dir.Path().string()));
    close(ready[0]);
    close(ready[1]);
}

// One file for the whole machine: an instance of another user must see the
// lock even when the first one ran with a strict umask.
TEST(InstanceLock, AnotherUserIsRefusedWhileHeldAndMayTakeItAfter) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    testing::CTempDir dir;
    std::filesystem::permissions(dir.Path(),
                                 std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    const mode_t oldMask = umask(077);
    CInstanceLock first;
    ASSERT_TRUE(first.Acquire("orbixrx", dir.Path().string()));
    umask(oldMask);
    struct stat st {};
    ASSERT_EQ(stat((dir.Path() / "orbixrx.lock").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    // The child, as user nobody, answers twice: while held, then after.
    int ask[2], answer[2];
    ASSERT_EQ(pipe(ask), 0);
    ASSERT_EQ(pipe(answer), 0);
    const pid_t child = fork();
    if (child == 0) {
        first.Release();  // the copy of the descriptor fork gave the child
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        for (int round = 0; round < 2; ++round) {
            char go = 0;
            if (read(ask[0], &go, 1) != 1) _exit(4);
            CInstanceLock other;
            const char got = other.Acquire("orbixrx", dir.Path().string()) ? 'y' : 'n';
            (void)!write(answer[1], &got, 1);
        }
        _exit(0);
    }
    auto askChild = [&] {
        char got = 0;
        (void)!write(ask[1], "?", 1);
        return read(answer[0], &got, 1) == 1 ? got : '-';
    };
    EXPECT_EQ(askChild(), 'n');
    first.Release();
    EXPECT_EQ(askChild(), 'y');
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {ask[0], ask[1], answer[0], answer[1]}) close(fd);
}

// Something planted at the lock's path is neither followed nor waited on.
TEST(InstanceLock, PlantedLinksFifosAndDirectoriesAreRefused) {
    struct Case {
        const char* what;
        void (*plant)(const std::filesystem::path& lock, const std::filesystem::path& target);
    };
    const Case cases[] = {
        {"symbolic link",
         [](const auto& lock, const auto& target) {
             std::filesystem::create_symlink(target, lock);
         }},
        {"fifo", [](const auto& lock, const auto&) { ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0); }},
        {"directory",
         [](const auto& lock, const auto&) { std::filesystem::create_directory(lock); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::CTempDir dir;
        const auto target = dir.Path() / "elsewhere";
        c.plant(dir.Path() / "orbixrx.lock", target);
        CInstanceLock lock;
        EXPECT_FALSE(lock.Acquire("orbixrx", dir.Path().string()));
        EXPECT_FALSE(std::filesystem::exists(target));
    }
}

TEST(InstanceLock, WithoutADirectoryTheLockIsMachineWide) {
    const std::string dir = CInstanceLock::SystemDirectory();
    EXPECT_TRUE(dir == "/run/lock" || dir == "/tmp") << dir;
    const std::string name = "orbixrx-test-" + std::to_string(getpid());
    CInstanceLock first, second;
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + name + ".lock"));
    EXPECT_FALSE(second.Acquire(name));
    first.Release();
    std::filesystem::remove(dir + "/" + name + ".lock");
}

TEST(Clock, VirtualPausesCostNothingAndStopWakesRealOnes) {
    CVirtualClock clock;
    CStopSignal stop;
    EXPECT_TRUE(clock.SleepUnlessStopped(100, stop));
    clock.SleepMs(400);
    EXPECT_EQ(clock.NowMs(), 500);
    stop.Request();
    EXPECT_FALSE(clock.SleepUnlessStopped(100, stop));
    EXPECT_EQ(clock.NowMs(), 500);

    CRealClock real;
    CStopSignal realStop;
    std::thread stopper([&] { realStop.Request(); });
    const auto start = real.NowMs();
    EXPECT_FALSE(real.SleepUnlessStopped(60'000, realStop));
    stopper.join();
    EXPECT_LT(real.NowMs() - start, 30'000);
}

}  // namespace
}  // namespace orbix
