// Rows appended to a result file go out whole or not at all: on a full disk
// the file is cut back to its last whole row, and the rows before stay.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/file_bytes.h"
#include "station/results/row_file.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace qx::station {
namespace {

namespace fs = std::filesystem;
using test::ChildOutcome;
using test::ReadBytes;
using test::WriteBytes;

constexpr char kEarlier[] = "000001\tearlier round\r\n";   // 22 bytes
constexpr char kRow[] = "000002\tthis round\r\n";         // 19 bytes

TEST(RowFile, EachRowWholeOrNotAtAll) {
    struct Case {
        const char* name;
        const char* existing;     // nullptr: no file
        long long sizeLimit;      // -1: none
        std::vector<std::string> rows;
        ChildOutcome result;      // all rows appended and the file closed
        std::string after;
    };
    const std::string earlier = kEarlier, row = kRow;
    const Case cases[] = {
        {"a new file", nullptr, -1, {row}, ChildOutcome::True, row},
        {"after the earlier rows", kEarlier, -1, {row, row}, ChildOutcome::True, earlier + row + row},
        {"room for exactly one row", kEarlier, 22 + 19, {row}, ChildOutcome::True, earlier + row},
        {"a row cut by a full disk", kEarlier, 22 + 8, {row}, ChildOutcome::False, earlier},
        {"no room at all", kEarlier, 22, {row}, ChildOutcome::False, earlier},
        {"the second row does not fit", kEarlier, 22 + 19 + 5, {row, row}, ChildOutcome::False, earlier + row},
        {"a new file without room", nullptr, 4, {row}, ChildOutcome::False, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string file = dir.file("20150614_000.txt");
        if (c.existing) WriteBytes(file, c.existing);
        const ChildOutcome got = test::RunInChild(c.sizeLimit, [&] {
            RowFile log = RowFile::OpenForAppend(file);
            for (const std::string& r : c.rows)
                if (!log.Append(r)) return false;
            return log.Close();
        });
        EXPECT_EQ(got, c.result);
        EXPECT_EQ(ReadBytes(file), c.after);
    }
}

TEST(RowFile, OnlyRegularFilesAndTheSizeCounts) {
    test::TempDir dir;
    const std::string fifo = dir.file("SingleExecuteResult.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    // In a child: a FIFO opened for writing would wait for a reader.
    EXPECT_EQ(test::RunInChild(-1, [&] { return RowFile::OpenForAppend(fifo).IsOpen(); }), ChildOutcome::False);
    EXPECT_EQ(test::RunInChild(-1, [&] { return RowFile::CreateFresh(fifo).IsOpen(); }), ChildOutcome::False);
    EXPECT_FALSE(RowFile::OpenForAppend(dir.path().string()).IsOpen()) << "a folder";
    EXPECT_FALSE(RowFile().Append(kRow));
    EXPECT_FALSE(RowFile().Close());

    const std::string file = dir.file("log.txt");
    WriteBytes(file, kEarlier);
    RowFile log = RowFile::OpenForAppend(file);
    EXPECT_EQ(log.Size(), 22);
    ASSERT_TRUE(log.Append(kRow));
    EXPECT_EQ(log.Size(), 22 + 19);
    ASSERT_TRUE(log.Close());
    RowFile fresh = RowFile::CreateFresh(file);
    EXPECT_EQ(fresh.Size(), 0);
    ASSERT_TRUE(fresh.Close());
    EXPECT_EQ(ReadBytes(file), "");
}

}  // namespace
}  // namespace qx::station
