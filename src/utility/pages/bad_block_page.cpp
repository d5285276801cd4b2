#include "utility/pages/bad_block_page.h"

#include <array>

#include "qxlib/settings/flash_config.h"
#include "qxlib/tables/bad_block_detail.h"
#include "qxlib/tables/drive_tables.h"
#include "utility/flash_geometry_bounds.h"
#include "utility/pages/page_text.h"

namespace qx::utility {
namespace {

const char kRowFormat[] = "%4d       %4d      %4d       %4d       %4d       %4d       %4d       %4d";

// Columns left to right: factory early and later, system early and later
// (the four error types together), Ecc Over, Prog Fail, Erase Fail, Ecc Fail.
template <typename Value>
std::string Columns(Value&& value) {
    const auto v = [&](std::size_t kind) { return static_cast<int>(value(kind)); };
    const int later = v(kKindEraseFail) + v(kKindProgFail) + v(kKindEccFail) + v(kKindEccOver);
    return Printf(kRowFormat, v(kKindFactoryDefects), v(kKindUnitChannelBits), v(kKindEarlyBad), later,
                  v(kKindEccOver), v(kKindProgFail), v(kKindEraseFail), v(kKindEccFail));
}

}  // namespace

BadBlockPage FormatBadBlockPage(std::span<const std::uint32_t> counters, const BadBlockTotals& totals,
                                const std::string& detailText, unsigned channels, unsigned banks, bool unitMode) {
    BadBlockPage page;
    auto& m = page.BadBlockMemo;
    const std::string dashes(97, '-');
    m.push_back(dashes);
    m.push_back(unitMode ? "              [Factory](Block)   |                       [System](BlockU)                         "
                         : "              [Factory](Block)   |                       [System](Block)                          ");
    m.push_back("            early_bad  later_bad | early_bad  later_bad  Ecc Over  Prog Fail  Erase Fail  Ecc Fail");
    m.push_back(dashes);
    for (unsigned b = 0; b < banks; ++b)
        for (unsigned c = 0; c < channels; ++c) {
            const auto counter = [&](std::size_t kind) -> std::uint32_t {
                const std::size_t at = BadBlockCounterAt(c, b, kind);
                return b < kBadBlockCells && at < counters.size() ? counters[at] : 0u;
            };
            m.push_back(Printf("CH=%02d CE=%02d  ", c, b) + Columns(counter));
        }
    m.push_back(dashes);
    m.push_back("SUM          " + Columns([&](std::size_t kind) { return totals[kind]; }));
    if (unitMode) m.push_back("(One BlockU equal to two NAND flash blocks)");
    page.DetalBadInfoMemo = MemoLines(detailText);
    return page;
}

BadBlockPage ProcessBadBlockInfo(int slot, TableContext& ctx, bool remapRelation) {
    // A table read per channel and CE row: counts beyond the controller's
    // would keep the window busy for hours. A line says so, nothing is read.
    if (std::string fault = FlashGeometryFault(ctx.config); !fault.empty()) {
        BadBlockPage page;
        page.BadBlockMemo.push_back(std::move(fault));
        return page;
    }
    std::vector<std::uint32_t> counters(kReportBadBlockCounterCount, 0);
    BadBlockTotals totals{};
    std::string detail;
    CountBadBlocksByType(slot, ctx, counters, totals, &detail, remapRelation);
    const FlashConfig& c = ctx.config;
    return FormatBadBlockPage(counters, totals, detail, c.ChannelCount, c.BankCount, (c.FwFlagsB & 4) == 0);
}

}  // namespace qx::utility
