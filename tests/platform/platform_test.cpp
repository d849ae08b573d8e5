#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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
    EXPECT_EQ(Utf8(std::string("A\x81", 2)), "A\xEF\xBF\xBD");  // lone lead byte at the end
    EXPECT_EQ(Gbk("a\xF0\x9F\x98\x80z"), "a?z");                  // no GBK form: one mark
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
