// The flash configuration that matches the simulated drives' NAND, for
// tests and benchmarks that run vendor commands or the diagnostic steps on
// the rack.
#pragma once

#include <cstring>

#include "qxlib/settings/flash_config.h"

namespace qx::test {

// What the vendor commands need: 4 channels, 8 sectors a page, 256 pages a
// block, 2048 blocks a CE, the V50 page layout.
inline void DescribeSimulatedNand(FlashConfig& c) {
    c.ChannelCount = 4;
    c.FlashTypeWord = 0x0011;
    c.FlashGeometry.SectorsPerPage = 8;
    c.EccMode = 3;
    c.Options[kOptV50Pages] = 1;
    std::memcpy(c.BlocksHeaderText, "LDBK BLOCKS V50", 16);
}

// What the diagnostic steps need besides: 2 banks of 2 CEs each, the chip's
// ID, one die a CE, 1024 blocks a plane, 2 % of a CE's blocks may be bad.
inline void DescribeSimulatedChips(FlashConfig& c) {
    c.BankCount = 2;
    c.CeCount = 2;
    c.FlashId = {0x98, 0xDE, 0x94, 0x93, 0x76};
    c.FlashGeometry.BankMap = {0, 1, 2, 3, 4, 5, 6, 7};
    c.FlashGeometry.DiesPerCe = 1;
    c.FlashGeometry.BlocksPerPlane = 1024;
    c.DefPercentage = 20;
}

}  // namespace qx::test
