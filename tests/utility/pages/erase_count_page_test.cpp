// The erase-count grid in its three layouts, from tables worked out by hand.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "utility/pages/erase_count_page.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using utility::EraseCountLayout;
using utility::EraseCountPage;

void Put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Tables by (channel, CE row); a missing table fails its read. Every read
// and its sector count is recorded.
struct FakeDrive {
    std::map<std::pair<int, int>, Bytes> tables;
    std::vector<std::string> reads;
    std::vector<std::string> dumps;

    utility::EraseCountSource Source() {
        utility::EraseCountSource s;
        s.read = [this](std::uint8_t c, std::uint8_t r, int sectors, std::span<std::uint8_t> into) {
            reads.push_back(std::to_string(c) + "/" + std::to_string(r) + ":" + std::to_string(sectors));
            const auto t = tables.find({c, r});
            if (t == tables.end()) return false;
            std::fill(into.begin(), into.end(), std::uint8_t{0xCC});   // stale bytes past the reply
            std::copy_n(t->second.begin(), std::min(t->second.size(), static_cast<std::size_t>(sectors) * 512),
                        into.begin());
            return true;
        };
        s.dump = [this](const std::string& name, std::span<const std::uint8_t> bytes) {
            dumps.push_back(name + ":" + std::to_string(bytes.size()));
        };
        return s;
    }
};

EraseCountPage Build(EraseCountLayout layout, utility::EraseCountGeometry g, FakeDrive& drive, const Bytes& map = {}) {
    Bytes buffer(128 * 1024, 0);
    return utility::BuildEraseCountPage(layout, g, drive.Source(), buffer, map);
}

Bytes Table810(std::vector<unsigned> entries) {
    Bytes t(64 * 512, 0);
    Put16(t, 0, static_cast<unsigned>(entries.size()));
    for (std::size_t e = 0; e < entries.size(); ++e) Put16(t, 4 + 2 * e, entries[e]);
    return t;
}

TEST(EraseCount810, RepeatsEachEntryInEveryColumnOfTheFirstFilledTable) {
    FakeDrive drive;
    drive.tables[{0, 0}] = Table810({});
    drive.tables[{0, 1}] = Table810({7, 0xFFFF, 9});
    drive.tables[{0, 2}] = Table810({100});   // never read: the listing runs once
    const EraseCountPage page = Build(EraseCountLayout::Model810, {2, 2, 1}, drive);
    EXPECT_EQ(page.EraseMemo, (std::vector<std::string>{
                                  "Ch/CE\t[0]/[0]\t[1]/[0]\t[0]/[1]\t[1]/[1]\t",
                                  "0000\t7\t7\t7\t7\t",
                                  "0001\tX\tX\tX\tX\t",
                                  "0002\t9\t9\t9\t9\t",
                              }));
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 8\n");
    EXPECT_EQ(page.MeraseEdit, "Max. erase count = 9\n\n");
    EXPECT_EQ(drive.reads, (std::vector<std::string>{"0/0:64", "0/1:64"}));
    EXPECT_EQ(drive.dumps, (std::vector<std::string>{"erasecount.raw:65536", "erasecount.raw:65536"}));
}

TEST(EraseCount810, ColumnsCoverEveryDieRow) {
    FakeDrive drive;
    drive.tables[{0, 0}] = Table810({1});
    const EraseCountPage page = Build(EraseCountLayout::Model810, {1, 2, 2}, drive);
    EXPECT_EQ(page.EraseMemo[0], "Ch/CE\t[0]/[0]\t[0]/[1]\t[0]/[2]\t[0]/[3]\t");
    EXPECT_EQ(page.EraseMemo[1], "0000\t1\t1\t1\t1\t");
}

TEST(EraseCount810, NothingCountedAveragesZero) {
    FakeDrive drive;
    drive.tables[{0, 0}] = Table810({0xFFFF, 0xFFFF});
    const EraseCountPage page = Build(EraseCountLayout::Model810, {1, 1, 1}, drive);
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 0\n");
    EXPECT_EQ(page.MeraseEdit, "Max. erase count = 0\n\n");
}

TEST(EraseCount810, FailedReadKeepsTheTitleAndNoResults) {
    FakeDrive drive;
    const EraseCountPage page = Build(EraseCountLayout::Model810, {1, 1, 1}, drive);
    EXPECT_EQ(page.EraseMemo, (std::vector<std::string>{"Ch/CE\t[0]/[0]\t"}));
    EXPECT_EQ(page.AeraseEdit, "");
    EXPECT_EQ(page.MeraseEdit, "");
}

TEST(EraseCount818, ListsEveryEntryOncePerDie) {
    FakeDrive drive;
    Bytes t(64 * 512, 0);
    Put16(t, 0, 2);
    Put32(t, 4, 70000);
    Put32(t, 8, 0xFFFFFFFF);
    drive.tables[{0, 0}] = t;
    const EraseCountPage page = Build(EraseCountLayout::Model818, {2, 1, 2}, drive);
    EXPECT_EQ(page.EraseMemo, (std::vector<std::string>{
                                  "Ch/CE\t[0]/[0]\t[1]/[0]\t",
                                  "0000\t70000\t70000\t",
                                  "0001\tX\tX\t",
                                  "0002\t70000\t70000\t",
                                  "0003\tX\tX\t",
                              }));
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 70000\n");
    EXPECT_EQ(page.MeraseEdit, "Max. erase count = 70000\n\n");
}

TEST(EraseCount818, FailedReadGivesAnEmptyPage) {
    FakeDrive drive;
    const EraseCountPage page = Build(EraseCountLayout::Model818, {2, 1, 1}, drive);
    EXPECT_TRUE(page.EraseMemo.empty());
    EXPECT_EQ(page.AeraseEdit, "");
}

TEST(EraseCount818, CountOfFFFFStaysInsideTheRead) {
    FakeDrive drive;
    Bytes t(64 * 512, 0);
    Put16(t, 0, 0xFFFF);
    drive.tables[{0, 0}] = t;
    const EraseCountPage page = Build(EraseCountLayout::Model818, {1, 1, 1}, drive);
    EXPECT_EQ(page.EraseMemo.size(), 1u + (64 * 512 - 4) / 4);
}

// Per-channel tables: head count at 4, u16 entries from 8.
Bytes ChannelTable(std::vector<unsigned> entries) {
    Bytes t(64 * 1024, 0);
    Put16(t, 4, static_cast<unsigned>(entries.size()));
    for (std::size_t e = 0; e < entries.size(); ++e) Put16(t, 8 + 2 * e, entries[e]);
    return t;
}

Bytes MapWithBad(unsigned channel, unsigned row, unsigned block) {
    Bytes map(512 * 1024, 0);
    Put16(map, 2 * (channel * 32768 + row * 4096 + block), 1);
    return map;
}

TEST(EraseCountPerChannel, GridWithBadBlocksInBrackets) {
    FakeDrive drive;
    drive.tables[{0, 0}] = ChannelTable({5, 12, 0xFFFF});
    drive.tables[{1, 0}] = ChannelTable({6, 7, 8});
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {2, 1, 1}, drive, MapWithBad(1, 0, 2));
    EXPECT_EQ(page.EraseMemo, (std::vector<std::string>{
                                  "Ch/CE\t[0]/[0]\t[1]/[0]\t",
                                  "0000\t 5\t 6\t",
                                  "0001\t12\t 7\t",
                                  "0002\tX\t[ 8]\t",
                              }));
    // (5 + 6 + 12 + 7 + 8) / 6 cells: the X counts in the divisor.
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 6\n");
    EXPECT_EQ(page.MeraseEdit, "Max. erase count = 12\n\n");
    // Head, then (4 x 3 + 519) / 512 = 1 sector per table.
    EXPECT_EQ(drive.reads, (std::vector<std::string>{"0/0:2", "0/0:1", "1/0:1"}));
    EXPECT_EQ(drive.dumps, (std::vector<std::string>{"EC_00_00.raw:131072", "EC_01_00.raw:131072"}));
}

TEST(EraseCountPerChannel, DieRowsListedUnderTheirOwnBlockNumbers) {
    FakeDrive drive;
    for (int r = 0; r < 4; ++r) drive.tables[{0, r}] = ChannelTable({static_cast<unsigned>(10 + r)});
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {1, 2, 2}, drive);
    EXPECT_EQ(page.EraseMemo, (std::vector<std::string>{
                                  "Ch/CE\t[0]/[0]\t[0]/[1]\t",
                                  "0000\t10\t11\t",
                                  "0001\t12\t13\t",
                              }));
}

TEST(EraseCountPerChannel, FailedTableReadShowsXInItsColumn) {
    FakeDrive drive;
    drive.tables[{0, 0}] = ChannelTable({3, 4});
    drive.tables.erase({1, 0});
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {2, 1, 1}, drive);
    EXPECT_EQ(page.EraseMemo[1], "0000\t 3\tX\t");
    EXPECT_EQ(page.EraseMemo[2], "0001\t 4\tX\t");
}

TEST(EraseCountPerChannel, FailedHeadReadGivesAnEmptyPage) {
    FakeDrive drive;
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {2, 1, 1}, drive);
    EXPECT_TRUE(page.EraseMemo.empty());
    EXPECT_EQ(page.AeraseEdit, "");
    EXPECT_EQ(page.MeraseEdit, "");
}

TEST(EraseCountPerChannel, EmptyHeadAveragesZero) {
    FakeDrive drive;
    drive.tables[{0, 0}] = ChannelTable({});
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {1, 1, 1}, drive);
    EXPECT_EQ(page.EraseMemo.size(), 1u);
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 0\n");
}

TEST(EraseCountPerChannel, LargeSumsAverageExactly) {
    FakeDrive drive;
    drive.tables[{0, 0}] = ChannelTable({60000, 60001, 60002});
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {1, 1, 1}, drive);
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 60001\n");
}

TEST(EraseCountPerChannel, HugeCountReadsAtMost128SectorsAndListsNoMoreBlocksThanACeHas) {
    FakeDrive drive;
    Bytes head(64 * 1024, 0);
    Put16(head, 4, 0xFFFF);
    drive.tables[{0, 0}] = head;
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {1, 1, 1}, drive);
    EXPECT_EQ(drive.reads[1], "0/0:128");
    ASSERT_EQ(page.EraseMemo.size(), 1u + 16384u);
    EXPECT_EQ(page.EraseMemo.back(), "16383\t 0\t");
}

TEST(EraseCountPerChannel, BadBlockMapLookedUpOnlyInsideItsBounds) {
    // Sixteen CE rows (8 banks, 2 dies) and blocks past 4096: the map holds 8
    // CE rows of 4096 blocks, so nothing past them is marked or read.
    FakeDrive drive;
    std::vector<unsigned> entries(5000, 1);
    for (int r = 0; r < 16; ++r) drive.tables[{0, r}] = ChannelTable(entries);
    Bytes map(512 * 1024, 0x01);
    for (std::size_t i = 1; i < map.size(); i += 2) map[i] = 0;   // every block marked bad
    const EraseCountPage page = Build(EraseCountLayout::PerChannel, {1, 8, 2}, drive, map);
    ASSERT_EQ(page.EraseMemo.size(), 1u + 2u * 5000u);
    std::string marked = "0000\t", unmarked = "5000\t";
    for (int b = 0; b < 8; ++b) {
        marked += "[ 1]\t";
        unmarked += " 1\t";
    }
    EXPECT_EQ(page.EraseMemo[1], marked);           // die 0: CE rows 0-7
    EXPECT_EQ(page.EraseMemo[5001], unmarked);      // die 1: CE rows 8-15
    EXPECT_EQ(page.EraseMemo[4097].substr(0, 9), "4096\t 1\t ");   // block 4096
}

}  // namespace
}  // namespace qx::test

namespace qx::test {
namespace {

// Channel, bank and die counts are bytes of the drive's system record: beyond
// the controller's 8, 8 and 4 no table is read and one line says why.
TEST(EraseCountBounds, CountsBeyondTheControllerGiveALineAndNoRead) {
    struct Case {
        utility::EraseCountGeometry g;
        bool fault;
    };
    const Case cases[] = {
        {{255, 255, 4}, true}, {{84, 84, 4}, true}, {{9, 1, 1}, true}, {{1, 9, 1}, true},
        {{1, 1, 5}, true},     {{8, 8, 4}, false},  {{0, 0, 0}, false},
    };
    for (EraseCountLayout layout : {EraseCountLayout::Model810, EraseCountLayout::Model818, EraseCountLayout::PerChannel})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.g.channels) + "x" + std::to_string(c.g.banks) + "x" +
                         std::to_string(c.g.dies) + " layout " + std::to_string(static_cast<int>(layout)));
            FakeDrive drive;
            const EraseCountPage page = Build(layout, c.g, drive);
            if (!c.fault) {
                EXPECT_FALSE(drive.reads.empty());
                continue;
            }
            EXPECT_TRUE(drive.reads.empty());
            EXPECT_EQ(page.EraseMemo,
                      std::vector<std::string>{"The drive reports " + std::to_string(c.g.channels) + " channels, " +
                                               std::to_string(c.g.banks) + " banks and " + std::to_string(c.g.dies) +
                                               " dies a CE; the controller has at most 8, 8 and 4. No table is read."});
            EXPECT_EQ(page.AeraseEdit, "");
            EXPECT_EQ(page.MeraseEdit, "");
        }
}

}  // namespace
}  // namespace qx::test
