// The lines of the RDT report files: the factory bad-block lines of a
// ".ms0" file and the blocks of a ".ms1" file (summary, die lines, error
// lines), CR LF ended, in the station's exact wording.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "station/rdt/rdt_log.h"

namespace qx::station {

// printf into a growable string; NUL characters a %c prints are kept.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "hh:mm:ss\r\n" of a time in 1/400 s; the hours are kept in 8 bits.
std::string RdtTimeText(std::uint32_t time);

inline constexpr const char* kFactoryHeader = "====================Factory Bad====================\r\n";

// The ".ms0" line of one unit whose bitmap value is 1, 2 or 3; empty for 0.
std::string FactoryLine(std::uint8_t dieBank, std::uint16_t unit, std::uint8_t value);

// The summary block every present die's ".ms1" text begins with; summary
// holds at least kRdtSummaryBytes bytes.
std::string SummaryBlock(std::span<const std::uint8_t> summary);

// The two lines of one die information record.
std::string DieLines(const RdtDieInfo& record, std::uint8_t ceCount);

inline constexpr const char* kRdtBadHeader =
    "================RDT Bad==================\r\n"
    "Bank, Ch, LUN, Plane, Block unit, Block 1, Block 2, Error type,  Page,       time, Step,   Action, "
    "Temperature, Ecc Information\r\n";

// The line of one error record; empty for a plane value other than 1, 2, 3.
std::string ErrorLine(const RdtErrorRecord& record, std::uint8_t ceCount);

// The banner of a die without error records in inherit mode.
std::string NotReRdtBanner();

}  // namespace qx::station
