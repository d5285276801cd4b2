#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/single_instance.h"
#include "support/temp_dir.h"

namespace qx::platform {
namespace {

// Points $XDG_RUNTIME_DIR at a fresh folder for the test's life.
class RuntimeDir {
public:
    RuntimeDir() {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        had_ = old != nullptr;
        saved_ = old ? old : "";
        ::setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    }
    ~RuntimeDir() {
        if (had_) ::setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
        else ::unsetenv("XDG_RUNTIME_DIR");
    }
    const test::TempDir& dir() const { return dir_; }

private:
    test::TempDir dir_;
    std::string saved_;
    bool had_ = false;
};

using State = SingleInstanceGuard::State;

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    RuntimeDir runtime;
    EXPECT_EQ(SingleInstanceGuard::LockFilePath("QXMP"), runtime.dir().file("QXMP.lock"));
    {
        SingleInstanceGuard first("QXMP");
        EXPECT_EQ(first.state(), State::Acquired);
        SingleInstanceGuard second("QXMP");
        EXPECT_TRUE(second.HeldByAnother());
        SingleInstanceGuard other("QXUtil");
        EXPECT_EQ(other.state(), State::Acquired) << "the two programs guard different names";
    }
    SingleInstanceGuard again("QXMP");
    EXPECT_EQ(again.state(), State::Acquired);
}

TEST(SingleInstance, WithoutRuntimeDirTheLockLivesInTmp) {
    RuntimeDir runtime;
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstanceGuard::LockFilePath("QXMP"), "/tmp/QXMP.lock");
}

TEST(SingleInstance, KilledInstanceDoesNotBlockTheNext) {
    RuntimeDir runtime;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        SingleInstanceGuard mine("QXMP");
        const char held = mine.state() == State::Acquired ? 'y' : 'n';
        if (::write(ready[1], &held, 1) != 1) ::_exit(2);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(held, 'y');
    EXPECT_TRUE(SingleInstanceGuard("QXMP").HeldByAnother());
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(SingleInstanceGuard("QXMP").state(), State::Acquired);
}

TEST(SingleInstance, UnopenableLockFileGuardsNothing) {
    RuntimeDir runtime;
    ::setenv("XDG_RUNTIME_DIR", runtime.dir().file("missing").c_str(), 1);
    SingleInstanceGuard guard("QXMP");
    EXPECT_EQ(guard.state(), State::Unavailable);
    EXPECT_FALSE(guard.HeldByAnother());
}

}  // namespace
}  // namespace qx::platform
