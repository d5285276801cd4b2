// The layer's operations through the SATA tunnel in each transfer mode: every
// tunnel transfer uses the mode's command pair, and the data still arrives.
#include <gtest/gtest.h>

#include <numeric>

#include "qxlib/vendor_access/v_access.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class TransferModesTest : public VendorFixture {
protected:
    TransferModesTest() { logUse_ = LogUse::Requests; }
};

struct ModeCase {
    std::uint8_t mode;
    std::uint8_t protocolIn, protocolOut, commandIn, commandOut;
};

TEST_F(TransferModesTest, PagesStatusAndRegistersInEveryMode) {
    const ModeCase cases[] = {
        {0, 0x08, 0x0A, 0xC4, 0xC5},
        {1, 0x08, 0x0A, 0x8A, 0x8F},
        {2, 0x14, 0x16, 0x86, 0x88},
        {7, 0x08, 0x0A, 0xC4, 0xC5},   // any other value behaves as 0
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        ClearLog();
        TransferMode = c.mode;
        RunProgram(kSataSlot);

        Bytes data(kPageSetBytes);
        std::iota(data.begin(), data.end(), c.mode);
        ASSERT_TRUE(VA_EraseFlashBlock(kSataSlot, 0xFF, 0, 10));
        ASSERT_TRUE(VA_WriteFlashPages(kSataSlot, config_, 4, 0, 10, 0, 3, 1, data, 32, 8));
        Bytes back(kPageSetBytes);
        ASSERT_TRUE(VA_ReadFlashPages(kSataSlot, config_, 4, 0, 10, 0, 3, 1, back, 8, false));
        EXPECT_EQ(back, data);
        std::uint8_t status = 0;
        ASSERT_TRUE(VA_GDP_ExecProg(kSataSlot, 2, 0, &status, true));
        EXPECT_EQ(status, 0x0E);
        VA_PulseRegisterBit(kSataSlot, 16);

        for (const sim::LoggedRequest& r : Requests(kSataSlot)) {
            const bool write = r.cdb[2] == 0x03;
            EXPECT_EQ(r.cdb[1], write ? c.protocolOut : c.protocolIn) << Word(r);
            EXPECT_EQ(r.cdb[9], write ? c.commandOut : c.commandIn) << Word(r);
        }
    }
}

}  // namespace
}  // namespace qx::test
