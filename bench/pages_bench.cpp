// The utility's bad-block report and erase-count page for a large drive:
// 8 channels, 8 CE rows, 16384 blocks a CE row, thousands of bad blocks in
// every kind of table. Prints wall time of each and the process's peak
// resident memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "qxlib/programs/code_block_tags.h"
#include "qxlib/tables/bad_block_detail.h"
#include "utility/pages/bad_block_page.h"
#include "utility/pages/erase_count_page.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kChannels = 8;
constexpr unsigned kBanks = 8;
constexpr unsigned kBlocks = 16384;
constexpr std::size_t kPageBytes = 16 * 1024;
constexpr unsigned kBadPerTable = 120;   // 64 tables: 7,680 bad blocks

void Put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    std::mt19937 random(42);
    qx::BadBlockDetailSettings s;
    s.channels = kChannels;
    s.banks = kBanks;
    s.dies = 1;
    s.pageBytes = kPageBytes;
    s.unitsPerDie = kBlocks / 2;
    s.dieOffset = kBlocks / 2;
    s.remapOption = true;
    s.remapRelation = true;

    // Early, remap, defect and later-bad pages of every channel, each listing
    // its share of the bad blocks; the firmware tables list them all.
    Bytes early(128 * 1024, 0), remap(128 * 1024, 0), defect(128 * 1024, 0), later(2 * 1024 * 1024, 0);
    std::vector<Bytes> firmware(kChannels * kBanks, Bytes(64 * 512, 0));
    for (unsigned c = 0; c < kChannels; ++c) {
        const std::size_t base = c * kPageBytes;
        std::copy(qx::kEarlyBadTableTag.begin(), qx::kEarlyBadTableTag.end(), early.begin() + base);
        std::copy(qx::kRemapTableTag.begin(), qx::kRemapTableTag.end(), remap.begin() + base);
        std::copy(qx::kDefectTableTag.begin(), qx::kDefectTableTag.end(), defect.begin() + base);
        std::size_t e = base + 16, m = base + 16, d = base + 16;
        for (unsigned b = 0; b < kBanks; ++b) {
            Put16(early, e, 0xFB00 | b), e += 2;
            Put16(remap, m, 0xEBA0), Put16(remap, m + 2, b), m += 4;
            Put16(defect, d, 0xA0FB), defect[d + 2] = static_cast<std::uint8_t>(b), d += 4;
            Bytes& table = firmware[c * kBanks + b];
            Put16(table, 4, kBadPerTable);
            const std::size_t laterAt = b * 256 * 1024 + base;   // CE row b, die 0
            std::copy(qx::kLaterBadTableTag.begin(), qx::kLaterBadTableTag.end(), later.begin() + laterAt);
            Put16(later, laterAt + 16, kBadPerTable);
            for (unsigned k = 0; k < kBadPerTable; ++k) {
                const unsigned block = static_cast<unsigned>(random() % kBlocks);
                Put16(table, 8 + 4 * k, block);
                if (k % 4 == 0) Put16(early, e, block & 0x7FFF), e += 2;
                Put16(remap, m, block), Put16(remap, m + 2, kBlocks - 1 - k), m += 4;
                Put16(defect, d, block / 2), defect[d + 2] = static_cast<std::uint8_t>(k % 3), d += 4;
                Put16(later, laterAt + 32 + 4 * k, block);
                later[laterAt + 34 + 4 * k] = static_cast<std::uint8_t>(1 + k % 5);
            }
        }
        Put16(early, e, 0xFE00);
        Put16(remap, m, 0xEED1);
        Put16(defect, d, 0xD1FE);
    }

    const auto t0 = std::chrono::steady_clock::now();
    std::vector<std::uint32_t> counters(qx::kReportBadBlockCounterCount, 0);
    qx::BadBlockTotals totals{};
    std::string detail;
    Bytes map(512 * 1024, 0), tableBuffer(128 * 1024, 0);
    qx::BadBlockDetailIo io;
    io.readTable = [&](std::uint8_t c, std::uint8_t r, std::span<std::uint8_t> into) {
        std::copy(firmware[c * kBanks + r].begin(), firmware[c * kBanks + r].end(), into.begin());
    };
    qx::CountBadBlockDetail(s, {defect, early, remap, later}, io, tableBuffer, counters, totals, &detail, map);
    const qx::utility::BadBlockPage badPage =
        qx::utility::FormatBadBlockPage(counters, totals, detail, kChannels, kBanks, true);
    const double badSeconds = Seconds(t0);

    Bytes countTable(128 * 512, 0);
    Put16(countTable, 4, kBlocks);
    for (unsigned e = 0; e < kBlocks; ++e) Put16(countTable, 8 + 2 * e, static_cast<unsigned>(random() % 3000));
    qx::utility::EraseCountSource source;
    source.read = [&](std::uint8_t, std::uint8_t, int sectors, std::span<std::uint8_t> into) {
        std::copy_n(countTable.begin(), std::min<std::size_t>(countTable.size(), static_cast<std::size_t>(sectors) * 512),
                    into.begin());
        return true;
    };
    const auto t1 = std::chrono::steady_clock::now();
    Bytes work(128 * 1024, 0);
    const qx::utility::EraseCountPage erasePage = qx::utility::BuildEraseCountPage(
        qx::utility::EraseCountLayout::PerChannel, {kChannels, kBanks, 1}, source, work, map);
    const double eraseSeconds = Seconds(t1);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    unsigned long laterBad = 0;
    for (std::size_t k = 1; k <= 4; ++k) laterBad += totals[k];
    std::printf("drive: %u channels, %u CE rows, %u blocks a CE row; %lu early-bad, %lu later-bad, %lu defects\n",
                kChannels, kBanks, kBlocks, static_cast<unsigned long>(totals[0]), laterBad,
                static_cast<unsigned long>(totals[5]));
    std::printf("bad-block report: %.3f s (%zu detail lines)\n", badSeconds, badPage.DetalBadInfoMemo.size());
    std::printf("erase-count page: %.3f s (%zu lines)\n", eraseSeconds, erasePage.EraseMemo.size());
    std::printf("together: %.3f s (target under 2 s)\n", badSeconds + eraseSeconds);
    std::printf("peak resident memory: %ld KB\n", usage.ru_maxrss);
    return 0;
}
