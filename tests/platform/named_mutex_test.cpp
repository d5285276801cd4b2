#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "platform/named_mutex.h"
#include "support/temp_dir.h"

namespace qx::platform {
namespace {

TEST(NamedMutex, ExcludesAnotherProcess) {
    test::TempDir dir;
    ::setenv("QX_LOCK_DIR", dir.path().c_str(), 1);
    const std::string marker = dir.file("child-holds");
    const pid_t child = ::fork();
    if (child == 0) {
        NamedMutex m("QXUSBAcess");
        m.lock();
        { std::FILE* f = std::fopen(marker.c_str(), "w"); std::fclose(f); }
        ::usleep(300 * 1000);
        m.unlock();
        ::_exit(0);
    }
    while (!std::filesystem::exists(marker)) ::usleep(1000);
    SystemClock clock;
    const auto start = clock.NowMs();
    NamedMutex m("QXUSBAcess");
    m.lock();
    const auto waited = clock.NowMs() - start;
    m.unlock();
    int status = 0;
    ::waitpid(child, &status, 0);
    ::unsetenv("QX_LOCK_DIR");
    EXPECT_GE(waited, 150u);
}

// The owner may take the mutex again, through the same or another object of
// the name; the file lock holds until the outermost release.
TEST(NamedMutex, OwnerTakesItAgainAndOtherProcessesWaitForTheLastRelease) {
    test::TempDir dir;
    ::setenv("QX_LOCK_DIR", dir.path().c_str(), 1);
    auto otherProcessCouldTake = [] {
        const int fd = ::open(NamedMutex::LockFilePath("QXMPAcess").c_str(), O_RDWR);
        const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (fd >= 0) ::close(fd);
        return free;
    };
    NamedMutex rescan("QXMPAcess");
    NamedMutex redraw("QXMPAcess");
    rescan.lock();
    redraw.lock();
    redraw.lock();
    redraw.unlock();
    redraw.unlock();
    EXPECT_FALSE(otherProcessCouldTake());
    bool otherThreadGot = false;
    std::thread other([&] {
        std::lock_guard<NamedMutex> hold(redraw);
        otherThreadGot = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherThreadGot) << "another thread still waits";
    rescan.unlock();
    other.join();
    EXPECT_TRUE(otherThreadGot);
    EXPECT_TRUE(otherProcessCouldTake());
    ::unsetenv("QX_LOCK_DIR");
}

TEST(Clock, VirtualWaitsAdvanceTimeAndStopWhenCancelled) {
    VirtualClock vc;
    SetClock(&vc);
    const auto t0 = TickMs();
    EXPECT_TRUE(SleepMs(3000));
    EXPECT_EQ(TickMs() - t0, 3000u);
    CancelToken token;
    {
        CancelScope scope(token);
        token.Cancel();
        EXPECT_FALSE(SleepMs(3000));
        EXPECT_TRUE(CancelRequested());
    }
    EXPECT_FALSE(CancelRequested());
    EXPECT_EQ(TickMs() - t0, 3000u);
    SetClock(nullptr);
}

TEST(Clock, SystemWaitReturnsPromptlyOnCancel) {
    CancelToken token;
    CancelScope scope(token);
    SystemClock clock;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        token.Cancel();
    });
    const auto start = clock.NowMs();
    EXPECT_FALSE(clock.Wait(60'000));
    canceller.join();
    EXPECT_LT(clock.NowMs() - start, 5'000u);
}

}  // namespace
}  // namespace qx::platform
