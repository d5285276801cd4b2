// The "Bad Block Info" page: the counter table (one row per channel and CE
// and a SUM row) and the detail text of the bad-block report.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "qxlib/tables/bad_block_counters.h"

namespace qx {
struct TableContext;
}

namespace qx::utility {

struct BadBlockPage {
    std::vector<std::string> BadBlockMemo;
    std::vector<std::string> DetalBadInfoMemo;
};

// The memo lines of counted bad blocks: channels and banks as the drive has
// them (counters past eight of either show 0), block or unit mode.
BadBlockPage FormatBadBlockPage(std::span<const std::uint32_t> counters, const BadBlockTotals& totals,
                                const std::string& detailText, unsigned channels, unsigned banks, bool unitMode);

// Counts the slot's bad blocks (rereading its system information and tables
// into ctx, marking the slot's BadBlockMap when the refresh allocated it)
// and formats the page.
BadBlockPage ProcessBadBlockInfo(int slot, TableContext& ctx, bool remapRelation);

}  // namespace qx::utility
