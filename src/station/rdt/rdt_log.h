// The reliability-test (RDT) log as the test firmware leaves it in its
// block: the header on page 0, the summary, the die information records,
// the factory bad-block bitmap and the error records. Every count read from
// the drive is bounded here, so a damaged or hostile log cannot take a
// reader past its pages or its tables. All values are little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace qx::station {

inline constexpr std::size_t kRdtHeaderAt = 796;
inline constexpr std::size_t kRdtSummaryBytes = 1040;
inline constexpr std::size_t kRdtDieRecordBytes = 32;
inline constexpr std::size_t kRdtErrorRecordBytes = 16;
inline constexpr std::size_t kRdtMaxDieRecords = 128;
inline constexpr int kRdtDieSlots = 16;
inline constexpr std::size_t kRdtPageBuffer = 128 * 1024;

// The 40-byte header at byte 796 of page 0.
struct RdtHeader {
    std::uint16_t firstErrorPage = 0;
    std::uint16_t errorPages = 0;
    std::uint16_t firstFactoryPage = 0;
    std::uint16_t factoryPages = 0;
    std::uint16_t summaryPage = 0;
    std::uint16_t dieInfoPage = 0;
};
RdtHeader ParseRdtHeader(std::span<const std::uint8_t> page0);

// A die key: bit 7 valid, bits 4-6 channel, bit 3 LUN, bits 0-2 bank.
struct DieKey {
    std::uint8_t raw = 0;
    bool Valid() const { return (raw & 0x80) != 0; }
    std::uint8_t Channel() const { return static_cast<std::uint8_t>((raw >> 4) & 7); }
    std::uint8_t Lun() const { return static_cast<std::uint8_t>((raw >> 3) & 1); }
    std::uint8_t Bank() const { return static_cast<std::uint8_t>(raw & 7); }
    std::uint8_t MapIndex() const { return static_cast<std::uint8_t>(raw & 0x7F); }
};

struct RdtDieInfo {
    DieKey key;
    std::array<std::uint8_t, 7> flashId{};
    std::uint16_t badBlocks = 0;
    std::uint8_t maxA = 0;         // tenths
    std::uint8_t minV = 0;         // tenths
    std::uint16_t failPatterns = 0;
    std::uint16_t badRatio = 0;    // tenths of a percent, 9 bits
};

struct RdtErrorRecord {
    DieKey key;
    std::uint8_t plane = 0;        // 1 plane 0, 2 plane 1, 3 both
    std::uint8_t errorType = 0;
    std::uint16_t page = 0;
    std::uint16_t unit = 0;
    std::uint8_t ecc = 0;
    std::uint8_t action = 0;
    std::uint8_t step = 0;
    std::uint8_t temperature = 0;
    std::uint32_t time = 0;        // 1/400 s
};

// Records from the start of the bytes up to the first end record (0xAA at
// byte 0, 1 or 2 of a die record; at byte 0, 7 or 8 of an error record),
// the end of the bytes, or, for die records, 128 records.
std::vector<RdtDieInfo> TakeDieRecords(std::span<const std::uint8_t> page);
std::vector<RdtErrorRecord> TakeErrorRecords(std::span<const std::uint8_t> pages);

// Die numbering: channel + 4 x (bank / ceCount); a die of 16 or more has no
// slot in the report.
inline constexpr int kNoDie = -1;
int DieNumberOf(DieKey key, std::uint8_t ceCount);

// Which dies are present and which die each key belongs to; entries no
// valid record set stay kNoDie.
struct DieMap {
    std::array<bool, kRdtDieSlots> present{};
    std::array<int, 128> dieOfKey{};
    DieMap() { dieOfKey.fill(kNoDie); }
    int DieOf(DieKey key) const { return dieOfKey[key.MapIndex()]; }
};
DieMap BuildDieMap(const std::vector<RdtDieInfo>& records, std::uint8_t ceCount);

// The bank within its die group: bank modulo the CE count.
std::uint8_t DieBankOf(std::uint8_t ceCount, std::uint8_t channel, std::uint8_t bank);

}  // namespace qx::station
