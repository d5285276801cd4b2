// The utility's bad-block report: counters, detail lines, the factory
// defects, the remap relation and the bad-block map, from table pages laid
// out by hand; and the page's counter table.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/tables/bad_block_detail.h"
#include "utility/pages/bad_block_page.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPage = 512;   // one sector a page keeps the fixtures small

void Put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// One channel's table page: its tag, then 16-bit words or 4-byte records.
class TablePage {
public:
    TablePage(Bytes& table, std::size_t base, unsigned channel, const CodeBlockTag& tag)
        : t_(table), at_(base + channel * kPage) {
        std::copy(tag.begin(), tag.end(), t_.begin() + static_cast<std::ptrdiff_t>(at_));
        next_ = at_ + 16;
    }
    TablePage& Word(unsigned w) {
        Put16(t_, next_, w);
        next_ += 2;
        return *this;
    }
    TablePage& Record(unsigned first, unsigned second) {
        Put16(t_, next_, first);
        Put16(t_, next_ + 2, second);
        next_ += 4;
        return *this;
    }
    // Later-bad pages: count at 16, entries (block, type) from 32.
    TablePage& LaterBad(std::vector<std::pair<unsigned, unsigned>> entries) {
        Put16(t_, at_ + 16, static_cast<unsigned>(entries.size()));
        for (std::size_t k = 0; k < entries.size(); ++k) {
            Put16(t_, at_ + 32 + 4 * k, entries[k].first);
            t_[at_ + 32 + 4 * k + 2] = static_cast<std::uint8_t>(entries[k].second);
        }
        return *this;
    }

private:
    Bytes& t_;
    std::size_t at_;
    std::size_t next_;
};

struct Drive {
    BadBlockDetailSettings settings;
    Bytes defect = Bytes(128 * 1024, 0);
    Bytes early = Bytes(128 * 1024, 0);
    Bytes remap = Bytes(128 * 1024, 0);
    Bytes later = Bytes(2 * 1024 * 1024, 0);
    std::map<std::pair<int, int>, Bytes> firmwareTables;   // (channel, CE row)
    std::vector<std::string> dumps;

    std::vector<std::uint32_t> counters = std::vector<std::uint32_t>(kReportBadBlockCounterCount, 0);
    BadBlockTotals totals{};
    std::string detail;
    Bytes map = Bytes(512 * 1024, 0);

    Drive(unsigned channels, unsigned banks, unsigned dies) {
        settings.channels = channels;
        settings.banks = banks;
        settings.dies = dies;
        settings.pageBytes = kPage;
        settings.unitsPerDie = 0x400;
        settings.dieOffset = 0x400;
    }
    Bytes& FirmwareTable(int channel, int row, std::vector<unsigned> blocks) {
        Bytes t(64 * 512, 0);
        Put16(t, 4, static_cast<unsigned>(blocks.size()));
        for (std::size_t k = 0; k < blocks.size(); ++k) Put16(t, 8 + 4 * k, blocks[k]);
        return firmwareTables[{channel, row}] = t;
    }
    void Count() {
        BadBlockDetailIo io;
        io.readTable = [this](std::uint8_t c, std::uint8_t r, std::span<std::uint8_t> into) {
            std::fill(into.begin(), into.end(), std::uint8_t{0});
            const auto t = firmwareTables.find({c, r});
            if (t != firmwareTables.end()) std::copy(t->second.begin(), t->second.end(), into.begin());
        };
        io.dump = [this](const char* name, std::span<const std::uint8_t> bytes) {
            dumps.push_back(std::string(name) + ":" + std::to_string(bytes.size()));
        };
        Bytes buffer(128 * 1024, 0);
        CountBadBlockDetail(settings, {defect, early, remap, later}, io, buffer, counters, totals, &detail, map);
    }
    std::uint32_t Counter(unsigned c, unsigned cell, std::size_t kind) const {
        return counters[BadBlockCounterAt(c, cell, kind)];
    }
    bool Marked(unsigned c, unsigned bank, unsigned block) const {
        return map[2 * (c * 32768 + bank * 4096 + block)] == 1;
    }
};

const std::string kLegend =
    "ErrType 1 (Ecc Over)\r\nErrType 3 (Prog Fail)\r\nErrType 4 (Erase Fail)\r\nErrType 5 (Ecc Fail)\r\n";
const std::string kPhysical = "----------------------------------------\r\nPhysical Bad Block\r\n";

TEST(BadBlockReport, NoBadBlocksInUnitMode) {
    Drive d(2, 1, 1);
    d.Count();
    EXPECT_EQ(d.detail, kLegend + kPhysical +
                            "CH=0    CE=0  Bad Block number Plan 0=0, Plan 1=0\r\n"
                            "CH=1    CE=0  Bad Block number Plan 0=0, Plan 1=0\r\n");
    EXPECT_EQ(d.totals, BadBlockTotals{});
    EXPECT_EQ(d.dumps, (std::vector<std::string>{"SB_0000.raw:131072", "SB_0100.raw:131072"}));
}

// One channel, two banks: early, later-bad and unknown blocks, block mode.
Drive BlockModeDrive() {
    Drive d(1, 2, 1);
    d.settings.blockMode = true;
    TablePage(d.early, 0, 0, kEarlyBadTableTag).Word(0xFB00).Word(0x0010).Word(0xFB01).Word(0x0020).Word(0xFE00);
    TablePage(d.later, 0, 0, kLaterBadTableTag).LaterBad({{0x30, 3}, {0x40, 1}});
    TablePage(d.later, 256 * 1024, 0, kLaterBadTableTag).LaterBad({{0x50, 5}});
    TablePage(d.defect, 0, 0, kDefectTableTag).Record(0x0005, 0).Record(0xA0FB, 0x0001).Record(0x0007, 0).Record(0xD1FE, 0);
    d.FirmwareTable(0, 0, {0x10, 0x30, 0x40});
    d.FirmwareTable(0, 1, {0x20, 0x50, 0x60});
    return d;
}

TEST(BadBlockReport, PerChannelLayoutInBlockMode) {
    std::vector<std::string> traces;
    platform::SetTraceSink([&](std::string_view t) { traces.emplace_back(t); });
    Drive d = BlockModeDrive();
    d.Count();
    platform::SetTraceSink({});
    EXPECT_EQ(d.detail, kLegend +
                            "<EarlyBad> CH=0  CE=0  Block=0x0010\r\n"
                            "CH=0  CE=0  Block=0x0030  ErrType=3\r\n"
                            "CH=0  CE=0  Block=0x0040  ErrType=1\r\n"
                            "<EarlyBad> CH=0  CE=1  Block=0x0020\r\n"
                            "CH=0  CE=1  Block=0x0050  ErrType=5\r\n"
                            "CH=0  CE=1  Block=0x0060  InvalidType=99\r\n" +
                            kPhysical +
                            "CH=0\tCE=0  Block=0x0005\r\n"
                            "CH=0\tCE=1  Block=0x0007\r\n");
    EXPECT_EQ(d.Counter(0, 0, kKindEarlyBad), 1u);
    EXPECT_EQ(d.Counter(0, 0, kKindProgFail), 1u);
    EXPECT_EQ(d.Counter(0, 0, kKindEccOver), 1u);
    EXPECT_EQ(d.Counter(0, 1, kKindEarlyBad), 1u);
    EXPECT_EQ(d.Counter(0, 1, kKindEccFail), 1u);
    EXPECT_EQ(d.Counter(0, 1, kKindEraseFail), 0u);
    EXPECT_EQ(d.Counter(0, 0, kKindFactoryDefects), 1u);
    EXPECT_EQ(d.Counter(0, 1, kKindFactoryDefects), 1u);
    EXPECT_EQ(d.totals, (BadBlockTotals{2, 0, 1, 1, 1, 2, 0}));
    EXPECT_TRUE(d.Marked(0, 0, 0x30));
    EXPECT_TRUE(d.Marked(0, 0, 0x40));
    EXPECT_TRUE(d.Marked(0, 1, 0x50));
    EXPECT_FALSE(d.Marked(0, 0, 0x10));   // early-bad blocks are not later-bad
    EXPECT_FALSE(d.Marked(0, 1, 0x60));
    EXPECT_NE(std::find(traces.begin(), traces.end(), "err bad block type=99\n"), traces.end());
}

TEST(BadBlockReport, CounterTableOfThePage) {
    Drive d = BlockModeDrive();
    d.Count();
    const utility::BadBlockPage page = utility::FormatBadBlockPage(d.counters, d.totals, d.detail, 1, 2, false);
    const std::string dashes(97, '-');
    EXPECT_EQ(page.BadBlockMemo,
              (std::vector<std::string>{
                  dashes,
                  "              [Factory](Block)   |                       [System](Block)                          ",
                  "            early_bad  later_bad | early_bad  later_bad  Ecc Over  Prog Fail  Erase Fail  Ecc Fail",
                  dashes,
                  "CH=00 CE=00     1          0         1          2          1          1          0          0",
                  "CH=00 CE=01     1          0         1          1          0          0          0          1",
                  dashes,
                  "SUM             2          0         2          3          1          1          0          1",
              }));
    EXPECT_EQ(page.DetalBadInfoMemo.front(), "ErrType 1 (Ecc Over)");
    EXPECT_EQ(page.DetalBadInfoMemo.back(), "CH=0\tCE=1  Block=0x0007");
}

TEST(BadBlockReport, UnitModeNoteAndEmptyRows) {
    const std::vector<std::uint32_t> counters(kReportBadBlockCounterCount, 0);
    const utility::BadBlockPage page = utility::FormatBadBlockPage(counters, {}, "", 2, 1, true);
    EXPECT_EQ(page.BadBlockMemo[1],
              "              [Factory](Block)   |                       [System](BlockU)                         ");
    EXPECT_EQ(page.BadBlockMemo[4], "CH=00 CE=00     0          0         0          0          0          0          0          0");
    EXPECT_EQ(page.BadBlockMemo[5], "CH=01 CE=00     0          0         0          0          0          0          0          0");
    EXPECT_EQ(page.BadBlockMemo.back(), "(One BlockU equal to two NAND flash blocks)");
    EXPECT_TRUE(page.DetalBadInfoMemo.empty());
}

// Unit mode with remapping: a later-bad block remapped on plane 1, the
// remap listings and a defect on both planes.
Drive RemapDrive() {
    Drive d(1, 1, 1);
    d.settings.remapOption = true;
    TablePage(d.early, 0, 0, kEarlyBadTableTag).Word(0xFB00).Word(0xFE00);
    TablePage(d.later, 0, 0, kLaterBadTableTag).LaterBad({{0x30, 4}});
    TablePage(d.remap, 0, 0, kRemapTableTag)
        .Record(0xEBA0, 0)
        .Record(0xEAE0, 1)
        .Record(0x0030, 0x0100)
        .Record(0xFFFF, 0xFFFF)
        .Record(0xEED1, 0);
    TablePage(d.defect, 0, 0, kDefectTableTag).Record(0x0005, 2).Record(0x0009, 0).Record(0xD1FE, 0);
    d.FirmwareTable(0, 0, {0x30});
    return d;
}

TEST(BadBlockReport, UnitModeWithRemapListings) {
    Drive d = RemapDrive();
    d.settings.rawDumps = true;
    d.settings.remapRelation = true;
    d.Count();
    EXPECT_EQ(d.detail, kLegend +
                            "<Remap> CH=0  CE=0  plane=1 [0x0030 ==> 0x0100]\r\n"
                            "<Remap> CH=0  CE=0  plane=1 [0xffff ==> 0xffff]\r\n"
                            "CH=0  CE=0  BlockU=0x0030  ErrType=4  [0x0100, [0x0060, 0x0201]]\r\n" +
                            kPhysical +
                            "CH=0\tCE=0  Block=0x000A\r\n"
                            "CH=0\tCE=0  Block=0x000B\r\n"
                            "CH=0\tCE=0  Block=0x0013\r\n"
                            "CH=0    CE=0  Bad Block number Plan 0=1, Plan 1=2\r\n"
                            "----------------------------------------\r\nRemap Relation\r\n"
                            "CH=0  CE=0  Bad Block=0x0061  Remap Block=0x0201\r\n");
    EXPECT_EQ(d.Counter(0, 0, kKindEraseFail), 1u);
    EXPECT_EQ(d.Counter(0, 0, kKindFactoryDefects), 3u);
    EXPECT_EQ(d.dumps, (std::vector<std::string>{"15Remap_0000.raw:131072", "SB_0000.raw:131072", "defect.raw:65536"}));
}

TEST(BadBlockReport, CountsDoNotDependOnTheDumpSwitch) {
    for (const bool tagged : {true, false}) {
        std::vector<std::uint32_t> seen[2];
        for (const bool dumps : {false, true}) {
            Drive d = RemapDrive();
            if (!tagged) d.remap[0] = 0;   // channel 0's remap page loses its tag
            d.settings.rawDumps = dumps;
            d.Count();
            seen[dumps] = d.counters;
            EXPECT_EQ(d.detail.find("Remap Relation"), std::string::npos);
        }
        EXPECT_EQ(seen[0], seen[1]) << tagged;
    }
}

TEST(BadBlockReport, MissingEarlyTableCountsNothingOfItsChannel) {
    Drive d = BlockModeDrive();
    d.early[0] = 0;
    d.Count();
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(d.totals[k], 0u) << k;
    EXPECT_EQ(d.totals[kKindFactoryDefects], 2u);
}

TEST(BadBlockReport, BadUnitLayout) {
    Drive d(2, 2, 1);
    d.settings.badUnitLayout = true;
    TablePage(d.early, 0, 0, kEarlyBadTableTag).Word(0xFB00).Word(0x0003).Word(0xFB01).Word(0x0004).Word(0xFE00);
    Bytes& units = d.firmwareTables[{0, 0}];
    units.assign(64 * 512, 0);
    Put16(units, 0, 1);
    const std::uint8_t record[7] = {0x01, 0x02, 3, 0x01, 0x02, 0xFF, 0xFF};
    std::copy(std::begin(record), std::end(record), units.begin() + 4);
    d.Count();
    EXPECT_EQ(d.detail, kLegend +
                            "<EarlyBad> CH=0\tCE=0  BlockU=0x0003\r\n"
                            "<EarlyBad> CH=0\tCE=1  BlockU=0x0004\r\n"
                            "CH=0\tCE=0  BlockU=0x0102  ErrType=3\r\n"
                            "CH=1\tCE=1  BlockU=0x0102  ErrType=3\r\n" +
                            kPhysical +
                            "CH=0    CE=0  Bad Block number Plan 0=0, Plan 1=0\r\n"
                            "CH=0    CE=1  Bad Block number Plan 0=0, Plan 1=0\r\n"
                            "CH=1    CE=0  Bad Block number Plan 0=0, Plan 1=0\r\n"
                            "CH=1    CE=1  Bad Block number Plan 0=0, Plan 1=0\r\n");
    // The unit's type counts in every cell; the channel bits only where set.
    for (unsigned c = 0; c < 2; ++c)
        for (unsigned e = 0; e < 2; ++e) EXPECT_EQ(d.Counter(c, e, kKindProgFail), 1u) << c << e;
    EXPECT_EQ(d.Counter(0, 0, kKindUnitChannelBits), 1u);
    EXPECT_EQ(d.Counter(1, 1, kKindUnitChannelBits), 1u);
    EXPECT_EQ(d.Counter(1, 0, kKindUnitChannelBits), 0u);
    EXPECT_EQ(d.totals, (BadBlockTotals{2, 0, 4, 0, 0, 0, 2}));
    EXPECT_EQ(d.dumps, (std::vector<std::string>{"BadUnit.raw:65536"}));
}

TEST(BadBlockReport, DieRowsAddTheDieToBlockNumbers) {
    Drive d(1, 1, 2);
    d.settings.blockMode = true;
    TablePage(d.early, 0, 0, kEarlyBadTableTag).Word(0xFB00).Word(0xFE00);
    TablePage(d.later, 256 * 1024 + 128 * 1024, 0, kLaterBadTableTag).LaterBad({{0x20, 5}});
    d.FirmwareTable(0, 1, {0x20});
    d.Count();
    EXPECT_NE(d.detail.find("CH=0  CE=0  Block=0x0420  ErrType=5\r\n"), std::string::npos) << d.detail;
    EXPECT_TRUE(d.Marked(0, 0, 0x420));
    EXPECT_EQ(d.Counter(0, 0, kKindEccFail), 1u);
}

// Eight channels of eight CE rows of two dies, 16 KB pages, tables full of
// noise without end markers and counts of FFFFh: every walk stays in its
// page, every count in its array.
TEST(BadBlockReport, NoiseTablesStayInBounds) {
    for (const bool unitLayout : {false, true}) {
        Drive d(8, 8, 2);
        d.settings.pageBytes = 16 * 1024;
        d.settings.badUnitLayout = unitLayout;
        d.settings.longUnitRecords = true;
        d.settings.remapOption = true;
        d.settings.rawDumps = true;
        d.settings.remapRelation = true;
        std::mt19937 random(7);
        for (Bytes* table : {&d.defect, &d.early, &d.remap, &d.later})
            for (std::uint8_t& b : *table) b = static_cast<std::uint8_t>(random());
        for (unsigned c = 0; c < 8; ++c) {
            for (auto [table, tag] : {std::pair{&d.defect, kDefectTableTag}, std::pair{&d.early, kEarlyBadTableTag},
                                      std::pair{&d.remap, kRemapTableTag}}) {
                std::copy(tag.begin(), tag.end(), table->begin() + c * 16 * 1024);
            }
            for (unsigned r = 0; r < 16; ++r) {
                Bytes& t = d.firmwareTables[{static_cast<int>(c), static_cast<int>(r)}];
                t.resize(64 * 512);
                for (std::uint8_t& b : t) b = static_cast<std::uint8_t>(random());
                Put16(t, 0, 0xFFFF);
                Put16(t, 4, 0xFFFF);
            }
        }
        d.Count();
        EXPECT_GT(d.detail.size(), 64u * 1024) << unitLayout;   // grows past any fixed text size
        EXPECT_GT(d.totals[kKindFactoryDefects], 0u);
    }
}

}  // namespace
}  // namespace qx::test
