#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "support/card_fixture.h"

namespace orbix {
namespace {

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
    ASSERT_TRUE(read(ready[0], &ok, 1) == 1 && ok == 'y');
    CInstanceLock mine;
    EXPECT_FALSE(mine.Acquire("orbixrx", dir.Path().string()));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(mine.Acquire("orbixrx", dir.Path().string()));
    for (int fd : ready) close(fd);
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

    // A child acting as user nobody tells by its exit code whether it got in.
    const auto nobodyGetsIn = [&] {
        const pid_t child = fork();
        if (child == 0) {
            first.Release();  // the copy of the descriptor fork gave the child
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
            _exit(CInstanceLock().Acquire("orbixrx", dir.Path().string()) ? 0 : 1);
        }
        int status = -1;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(nobodyGetsIn(), 1) << "while held";
    first.Release();
    EXPECT_EQ(nobodyGetsIn(), 0);
}

// Something planted at the lock's path is neither followed nor waited on.
TEST(InstanceLock, PlantedLinksAndFifosAreRefused) {
    for (const bool link : {true, false}) {
        testing::CTempDir dir;
        const auto lock = dir.Path() / "orbixrx.lock", target = dir.Path() / "elsewhere";
        if (link)
            std::filesystem::create_symlink(target, lock);
        else
            ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0);
        EXPECT_FALSE(CInstanceLock().Acquire("orbixrx", dir.Path().string())) << link;
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
    EXPECT_TRUE(second.Acquire(name));
    second.Release();
    std::filesystem::remove(dir + "/" + name + ".lock");
}

TEST(Clock, StopWakesARealPause) {
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
