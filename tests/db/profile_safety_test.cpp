#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "db/profile_file.h"
#include "tests/db/temp_dir.h"

namespace orbix {
namespace {

using test::CTempDir;
using test::ReadBytes;
using test::WriteBytes;

constexpr int kChildCannotTest = 77;

// Runs body in a child process; its result is the child's exit status.
template <typename Body>
int InChild(Body body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Key(int writer, int i) {
    return "w" + std::to_string(writer) + "k" + std::to_string(i);
}

void WriteKeys(const std::string& path, int writer, int count) {
    CProfileFile file(path);
    for (int i = 0; i < count; ++i) file.WriteString("Keys", Key(writer, i), std::to_string(i));
}

int CountMissing(const std::string& path, int writer, int count) {
    CProfileFile file(path);
    int missing = 0;
    for (int i = 0; i < count; ++i) {
        missing += file.ReadString("Keys", Key(writer, i), "", 16) != std::to_string(i);
    }
    return missing;
}

// Three threads of this process and one other process write at once; the
// writes of each go through a read-change-replace of the whole file.
TEST(ProfileSafety, ThreadsAndAnotherProcessLoseNoUpdate) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    constexpr int kThreads = 3;
    constexpr int kKeys = 1000;
    constexpr int kChildKeys = 300;
    pid_t child = fork();
    if (child == 0) {
        WriteKeys(path, kThreads, kChildKeys);
        _exit(0);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(WriteKeys, path, t, kKeys);
    for (std::thread& t : threads) t.join();
    waitpid(child, nullptr, 0);
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(CountMissing(path, t, kKeys), 0) << t;
    EXPECT_EQ(CountMissing(path, kThreads, kChildKeys), 0);
}

// A writer killed at any moment leaves the file as it was before or after
// one of its changes, never in between.
TEST(ProfileSafety, WriterKilledAtRandomMomentsLeavesAWholeFile) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    constexpr int kStatic = 50;
    constexpr int kBatch = 20;
    CProfileFile file(path);
    ASSERT_TRUE(file.Transact([](IProfile& p) {
        for (int i = 0; i < kStatic; ++i) p.WriteString("Static", "s" + std::to_string(i), "keep");
    }));
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        pid_t pid = fork();
        if (pid == 0) {
            CProfileFile child(path);
            for (int n = 0;; ++n) {
                std::string value = std::to_string(round) + "." + std::to_string(n);
                child.Transact([&](IProfile& p) {
                    for (int i = 0; i < kBatch; ++i)
                        p.WriteString("Batch", "b" + std::to_string(i), value);
                });
                child.WriteString("Loop", "counter", value);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);

        std::string bytes = ReadBytes(path);
        ASSERT_TRUE(bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n") << round;
        for (int i = 0; i < kStatic; ++i) {
            ASSERT_EQ(file.ReadString("Static", "s" + std::to_string(i), "", 10), "keep") << round;
        }
        std::string first = file.ReadString("Batch", "b0", "NOT FIND", 32);
        for (int i = 1; i < kBatch; ++i) {
            ASSERT_EQ(file.ReadString("Batch", "b" + std::to_string(i), "NOT FIND", 32), first)
                << "round " << round << ": a change was applied only in part";
        }
    }
    EXPECT_TRUE(file.WriteString("Static", "s0", "keep"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
            << "left-over temporary " << entry.path();
    }
}

// Root writes into any directory whatever its mode, so the test takes the
// identity of an unprivileged user in a child process for the write.
int WriteAsUnprivileged(const std::string& path) {
    return InChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return kChildCannotTest;
        CProfileFile file(path);
        bool written = file.WriteString("A", "k", "2");
        bool deleted = file.DeleteSection("A");
        return written || deleted ? 1 : 0;
    });
}

TEST(ProfileSafety, ReadOnlyDirectoryFailsAndKeepsTheFile) {
    CTempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    for (bool lockFileExists : {false, true}) {
        std::string sub = dir.File(lockFileExists ? "with_lock" : "without_lock");
        std::filesystem::create_directory(sub);
        std::string path = sub + "/a.ini";
        CProfileFile file(path);
        ASSERT_TRUE(file.WriteString("A", "k", "1"));
        if (!lockFileExists) std::filesystem::remove(path + ".lock");
        std::string before = ReadBytes(path);
        std::filesystem::permissions(sub, std::filesystem::perms(0555));
        int result = WriteAsUnprivileged(path);
        std::filesystem::permissions(sub, std::filesystem::perms(0755));
        if (result == kChildCannotTest) {
            GTEST_SKIP() << "running as root without the right to change user; a read-only "
                            "directory cannot be made";
        }
        EXPECT_EQ(result, 0) << "a write reported success in a read-only directory";
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_EQ(file.ReadString("A", "k", "", 10), "1");
    }
}

// A file that cannot grow (the disk full, or over the size limit) stays as it was.
TEST(ProfileSafety, WriteThatCannotBeCompletedKeepsTheFile) {
    CTempDir dir;
    std::string path = dir.File("a.ini");
    CProfileFile file(path);
    ASSERT_TRUE(file.WriteString("A", "k", "1"));
    std::string before = ReadBytes(path);
    int result = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return kChildCannotTest;
        return file.WriteString("A", "long", std::string(1000, 'x')) ? 1 : 0;
    });
    ASSERT_NE(result, kChildCannotTest);
    EXPECT_EQ(result, 0) << "a write that could not be made reported success";
    EXPECT_EQ(ReadBytes(path), before);
}

}  // namespace
}  // namespace orbix
