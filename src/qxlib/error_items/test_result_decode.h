// Readable reports from the raw result data some steps leave in an item's
// detail text: the flash interface test's 4-byte records and the flash scan's
// 16-byte records. Each decoder appends its report, names the precise error
// item of the failure and the bad channel/CE units it found.
//
// Units are counted by index channel + bank x ChannelCount; with at most 4
// channels and 8 banks every index lies in 0..31. A finding whose index falls
// outside, or any finding while the configuration has no channel count, is
// reported but not counted. The counters live in the call, so two decodes
// never share them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qx {

struct FlashConfig;

// Outputs (each may be null): outItem keeps its value when no record names
// an item (the step's own item); outBadCount grows by one for each bad unit
// and outBadIndex is the last bad unit's index, both only when outBadCount is
// given.

// resultData: the flash interface test's result data, records from byte 4
// up to the first record with 0xFF in byte 0, 1 or 2, or the buffer's end.
void DecodeFlashTestResult(std::span<const std::uint8_t> resultData, const FlashConfig& config,
                           std::string& reportText, int* outItem = nullptr, int* outBadCount = nullptr,
                           int* outBadIndex = nullptr);

// recordCount: byte 0 of the scan result data; records: the bytes after it,
// up to the end of the buffer they lie in. A record that would run past the
// end stops the walk.
void DecodeScanResult(std::uint8_t recordCount, std::span<const std::uint8_t> records, const FlashConfig& config,
                      std::string& reportText, int* outItem = nullptr, int* outBadCount = nullptr,
                      int* outBadIndex = nullptr);

}  // namespace qx
