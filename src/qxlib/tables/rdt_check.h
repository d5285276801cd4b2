// The burn-in (RDT) or DRAM/NAND screen (LTS) test firmware leaves its
// result block near the top of the flash; this finds it and turns it into
// an error item.
#pragma once

#include <cstdint>
#include <string>

namespace qx {

struct StepContext;

inline constexpr int kItemCheckRdtResult = 71;
inline constexpr int kItemRdtFailBit1 = 73;
inline constexpr int kItemRdtFailBit2 = 74;
inline constexpr int kItemRdtFailBit0 = 75;
inline constexpr int kItemCheckRdtSerial = 77;
inline constexpr int kItemRdtFailBit5 = 81;
inline constexpr int kItemCheckLtsResult = 83;
inline constexpr int kItemCheckLtsDram = 84;
inline constexpr int kItemCheckLtsNandScreen = 85;

// Boots the diagnostic program, then searches channel 0, CE 0 from the last
// block down through the top tenth of the blocks for a result block. Returns
// 1 when the test passed (and sets the slot's RdtResultOk), otherwise the
// error item. ltsMode is [TestItems] CheckRDTMode (0: RDT). rdtSerial gets
// the serial number an RDT ran with. The serial is compared with the
// serialNumber given unless [Setting] EnNoCheckRDTSn is set.
int CheckRdtResult(int slot, const StepContext& ctx, const char* serialNumber, std::uint8_t ltsMode,
                   std::string& rdtSerial);

}  // namespace qx
