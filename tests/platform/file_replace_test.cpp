// Replacing a file whole: the old file is kept exactly on every failure, a
// name that is not a regular file is refused without being opened, and no
// temporary file is left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_replace.h"
#include "settings/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using test::ChildOutcome;
using test::ReadBytes;
using test::WriteBytes;

// Everything in the folder, so a left temporary file shows.
std::string Listing(const fs::path& folder) {
    std::string names;
    for (const auto& e : fs::directory_iterator(folder)) names += e.path().filename().string() + " ";
    return names;
}

constexpr char kOld[] = "[Setting]\r\nProductModel=OLD\r\n[TestItems]\r\nEnRWTest=1\r\n";
const std::string kNew = "[Setting]\r\nProductModel=NEW\r\n" + std::string(3000, ';') + "\r\n[TestItems]\r\n";

TEST(FileReplace, ReplacesWholeOrLeavesTheOldFileExactly) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& file)> before;   // what stands at the name
        long long sizeLimit;                                // -1: none
        ChildOutcome result;
        std::function<void(const fs::path& file)> check;
    };
    const auto holdsOld = [](const fs::path& f) { EXPECT_EQ(ReadBytes(f), kOld); };
    const auto holdsNew = [](const fs::path& f) { EXPECT_EQ(ReadBytes(f), kNew); };
    const auto oldFile = [](const fs::path& f) { WriteBytes(f, kOld); };
    const Case cases[] = {
        {"no file yet", [](const fs::path&) {}, -1, ChildOutcome::True, holdsNew},
        {"an old file", oldFile, -1, ChildOutcome::True, holdsNew},
        {"a shorter new text", [](const fs::path& f) { WriteBytes(f, kNew + kNew); }, -1, ChildOutcome::True, holdsNew},
        {"a full disk before the end", oldFile, 2048, ChildOutcome::False, holdsOld},
        {"a full disk at the first byte", oldFile, 0, ChildOutcome::False, holdsOld},
        {"room for exactly the new text", oldFile, static_cast<long long>(kNew.size()), ChildOutcome::True, holdsNew},
        {"a FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0644), 0); }, -1, ChildOutcome::False,
         [](const fs::path& f) { EXPECT_TRUE(fs::is_fifo(f)); }},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }, -1, ChildOutcome::False,
         [](const fs::path& f) { EXPECT_TRUE(fs::is_directory(f)); }},
        {"a link to nothing", [](const fs::path& f) { fs::create_symlink(f.parent_path() / "gone", f); }, -1,
         ChildOutcome::False, [](const fs::path& f) { EXPECT_TRUE(fs::is_symlink(f)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const fs::path file = dir.path() / "QXMPTOOL.ini";
        c.before(file);
        const std::string before = Listing(dir.path());
        // In a child: a writer that opened the FIFO would block, and the size
        // limit must not reach the test program itself.
        EXPECT_EQ(test::RunInChild(c.sizeLimit, [&] { return platform::ReplaceFileWhole(file, kNew); }), c.result);
        c.check(file);
        EXPECT_EQ(Listing(dir.path()), c.result == ChildOutcome::True && before.empty() ? "QXMPTOOL.ini " : before)
            << "nothing left beside it";
    }
}

TEST(FileReplace, KeepsPermissionsAndLinksAndSaysWhy) {
    test::TempDir dir;
    const fs::path real = dir.path() / "real.ini", link = dir.path() / "QXMPTOOL.ini";
    WriteBytes(real, kOld);
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, link);
    ASSERT_TRUE(platform::ReplaceFileWhole(link, kNew));
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays, the file it names is replaced";
    EXPECT_EQ(ReadBytes(real), kNew);
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    std::string why;
    EXPECT_FALSE(platform::ReplaceFileWhole(dir.path() / "no-folder" / "x.ini", kNew, &why));
    EXPECT_NE(why.find("create"), std::string::npos) << why;
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0644), 0);
    EXPECT_FALSE(platform::ReplaceFileWhole(dir.path() / "fifo", kNew, &why));
    EXPECT_EQ(why, "not a regular file");
}

}  // namespace
}  // namespace qx
