#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qxlib/settings/flash_config.h"
#include "station/engineering/hex_dump.h"
#include "station/engineering/read_flash_params.h"

namespace qx::station {
namespace {

FlashConfig Geometry(std::uint16_t dieOffset) {
    FlashConfig c{};
    c.BankCount = 2;
    c.DieOffset = dieOffset;
    c.FlashGeometry.BlocksPerCe = 2048;
    c.FlashGeometry.BlocksPerPlane = 512;
    c.FlashGeometry.PagesPerBlock = 128;
    return c;
}

struct ParamCase {
    std::uint16_t dieOffset;
    bool god;
    long long bank, block, page, count;
    int error;   // 0: accepted
};

TEST(ReadFlashParams, Table) {
    const std::vector<ParamCase> cases = {
        {0, false, 1, 0, 0, 1, 0},
        {0, false, 0, 3, 0, 1, kReadFlashBadBlock},   // the controller's own blocks
        {0, true, 0, 3, 0, 1, 0},
        {0, false, 0, 6, 0, 1, 0},
        {0, false, 1, 2047, 0, 1, 0},
        {0, false, 1, 2048, 0, 1, kReadFlashBadBlock},
        {0, false, 2, 10, 0, 1, kReadFlashBadBank},
        {0, false, 1, 2048, 0, 1, kReadFlashBadBlock},
        {0, false, 1, 10, 128, 1, kReadFlashBadPage},
        {0, false, 1, 10, 127, 1, 0},
        {0, false, 1, 10, 127, 2, kReadFlashBadCount},
        {0, false, 1, 10, 0, 129, kReadFlashBadCount},
        {0, false, 1, 10, 0, 128, 0},
        // A later failing check overwrites the earlier code.
        {0, false, 2, 3000, 0, 1, kReadFlashBadBank},
        {0, false, 0, 1, 200, 1, kReadFlashBadBlock},
        // Die windows: blocks 0..1023 and 2*offset .. 2*(offset+plane)-1.
        {1024, false, 1, 1023, 0, 1, 0},
        {1024, false, 1, 1024, 0, 1, kReadFlashBadBlock},
        {1024, false, 1, 2047, 0, 1, kReadFlashBadBlock},
        {1024, false, 1, 2048, 0, 1, 0},
        {1024, false, 1, 3071, 0, 1, 0},
        {1024, false, 1, 3072, 0, 1, kReadFlashBadBlock},
        // Typed values are checked whole before they are narrowed.
        {0, false, 256, 10, 0, 1, kReadFlashBadBank},
        {0, false, -1, 10, 0, 1, kReadFlashBadBank},
        {0, true, 1, 65536 + 10, 0, 1, kReadFlashBadBlock},
        {0, false, 1, 10, 65536, 1, kReadFlashBadPage},
        {0, false, 1, 10, 0, 65537, kReadFlashBadCount},
        {0, false, 1, 10, 0, -1, kReadFlashBadCount},
    };
    for (const ParamCase& c : cases) {
        int error = kReadFlashOk;
        const bool ok = CheckTypedFlashParams(Geometry(c.dieOffset), c.god, c.bank, c.block, c.page, c.count, error);
        EXPECT_EQ(ok, c.error == 0) << c.bank << "/" << c.block << "/" << c.page << "/" << c.count;
        EXPECT_EQ(error, c.error) << c.bank << "/" << c.block << "/" << c.page << "/" << c.count;
    }
}

TEST(ReadFlashParams, Messages) {
    EXPECT_EQ(ReadFlashParamMessage(1), "Invalid Read Flash Bank!");
    EXPECT_EQ(ReadFlashParamMessage(2), "Invalid Read Flash Block!");
    EXPECT_EQ(ReadFlashParamMessage(3), "Invalid Read Flash Page!");
    EXPECT_EQ(ReadFlashParamMessage(4), "Invalid Read Flash Page Count!");
    EXPECT_EQ(ReadFlashParamMessage(5), "Invalid Read Flash Parameters");
}

TEST(HexDump, LineLayoutAndRunningOffset) {
    std::vector<std::uint8_t> bytes(48);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xF0 + i);
    std::vector<std::string> lines{"kept"};
    AddHexDumpLines(lines, bytes.data(), 40, 0xFFFFFFE0u);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "kept");
    EXPECT_EQ(lines[1], "FFFFFFE0  F0 F1 F2 F3  F4 F5 F6 F7 - F8 F9 FA FB  FC FD FE FF");
    EXPECT_EQ(lines[2], "FFFFFFF0  00 01 02 03  04 05 06 07 - 08 09 0A 0B  0C 0D 0E 0F");
}

}  // namespace
}  // namespace qx::station
