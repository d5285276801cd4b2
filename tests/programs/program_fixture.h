// Configurations with every field the program, information-page and
// system-bin builders read set by hand, so the expected bytes can be worked
// out from the layouts alone; and hex text for those bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_geometry.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/base/settings_fixed_text.h"

namespace qx::test {

using Bytes = std::vector<std::uint8_t>;

// "49 18 0A" → {0x49, 0x18, 0x0A}; "*n" repeats the byte before it n times in all.
inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        if (word[0] == '*') {
            const std::uint8_t b = out.back();
            out.insert(out.end(), std::stoul(word.substr(1)) - 1, b);
        } else {
            out.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
        }
    }
    return out;
}

inline Bytes Slice(const Bytes& b, std::size_t at, std::size_t n) {
    return {b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n)};
}

inline std::string HexText(const Bytes& b) {
    std::string s;
    char w[4];
    for (std::uint8_t v : b) {
        std::snprintf(w, sizeof w, "%02X ", v);
        s += w;
    }
    return s;
}

// Type word 0x1849: 8 sectors a page, 128 pages a block, 4096 blocks a CE,
// one die; class 1. 4 channels, 2 banks, toggle interface 1.
inline FlashConfig ToggleConfig() {
    FlashConfig c{};
    c.FlashTypeWord = 0x1849;
    DecodeFlashGeometry(c, c.FlashGeometry);
    c.FlashGeometry.BankMap = {1, 0, 3, 2, 5, 4, 7, 6};
    c.ChannelCount = 4;
    c.BankCount = 2;
    c.CeCount = 2;
    c.EccMode = 3;
    c.FlashInterface = 1;
    c.DrvCurrent = 2;
    c.SizeCode = 0x19;
    c.SizeCodeEx = 0x1A;
    CopyFixedText(c.PartNumber, "NV32G08A1M");
    c.Options[kOptScramble] = 1;
    c.Options[kOptRemap] = 1;
    c.Options[kOptPartA] = 1;
    c.Options[kOptUsbLedP14] = 1;
    c.Options[kOptPageOption] = 1;
    c.Options[kOptDllPhaseAdjust] = 1;
    c.Options[kOptV50Pages] = 1;
    c.Options[kOptV50BinPages] = 1;
    CopyFixedText(c.BlocksHeaderText, "LDBK BLOCKS V50");
    CopyFixedText(c.ConfigHeaderText, "LDBK CONFIG V50");
    c.FwFlagsA = 0x13;
    c.FwFlagsB = 0x02;
    c.FwFlagsC = 0x11;
    c.DefPercentage = 5;
    c.ResPercentage = 300;
    c.ProhibitRemapOffset = 0x1234;
    c.DLLPhase = 7;
    c.DirtyDepth = 20;
    c.BchThresholds = {0x11, 0x12, 0x13, 0x21, 0x22, 0x23};
    c.WearLevelFrequency = 0x44;
    c.SecurityCounter = 0x55;
    c.SecurityOptions = 0xC3;
    c.AsyncTiming = {0x90, 0x90, 0x22, 0x04, 0x9B, 0xF9, 0x54};
    c.SyncTiming = {0x00, 0x00, 0x22, 0x04, 0xFF, 0xFF, 0x1F};
    c.DriverSetting = 0x66;
    c.RovidaSSD = 0x77;
    for (std::size_t i = 0; i < c.PageMap.size(); ++i) c.PageMap[i] = static_cast<std::uint16_t>(i);
    CopyFixedText(c.FirmwareVer, "FW1.02");
    CopyFixedText(c.ModelNum, "Quorlix QX SSD 256GB");
    CopyFixedText(c.OUI, "00AB12");
    for (auto& o : c.IdentifyOverrides) CopyFixedText(o, "X0000");
    return c;
}

// Type word 0x2A52: 16 sectors a page, 256 pages, 4096 blocks, two dies;
// class 2 with the mode flag. 8 channels, 2 banks, interface 4, low-page
// table 3 on.
inline FlashConfig LowPageConfig() {
    FlashConfig c = ToggleConfig();
    c.FlashTypeWord = 0x2A52;
    DecodeFlashGeometry(c, c.FlashGeometry);
    c.ChannelCount = 8;
    c.CeCount = 4;
    c.FlashInterface = 4;
    c.FlashModeFlag = 1;
    c.DrvCurrent = 1;
    CopyFixedText(c.PartNumber, "KT9U128T2A");
    c.SizeCode = 0x1A;
    c.Options = {};
    c.Options[kOptPartA] = 1;
    c.Options[8] = 1;
    c.Options[kOptNoDeviceSleep] = 1;
    c.FwFlagsA = 0x20;
    c.FwFlagsB = 0x04;
    c.FwFlagsC = 0;
    c.DefPercentage = 10;
    c.ResPercentage = 50;
    c.ProhibitRemapOffset = 0x00FF;
    c.DLLPhase = 0;
    c.DirtyDepth = 10;
    c.ExtraBlocks = 0x80;
    c.DieOffset = 0x800;
    c.EnCodeBlockLowPage = 1;
    c.LowPageType = 2;
    FillCodeBlockPageTables(c);
    return c;
}

// Keeps the slots the tests write to as they were.
class SlotFixture : public ::testing::Test {
protected:
    static constexpr int kSlot = 3;
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static DeviceSlot& Slot() { return DeviceSlots[kSlot]; }
    static void Reset() {
        DeviceSlot& s = Slot();
        s.CodeBlocks = {};
        s.CodeBlockCount = 0;
        s.EarlyBadCount = 0;
        s.RemapRowMarks = {};
        s.LaterBadBlockFirst = s.LaterBadBlockOther = 0;
        s.RemapRows.clear();
        s.LedInterleave = 0;
        s.SataSpeedBits = 0;
    }

    GlobalParameter settings_{};
};

}  // namespace qx::test
