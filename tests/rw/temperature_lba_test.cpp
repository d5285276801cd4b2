// The temperature check from SMART, the maximum-address step and the NTFS
// partition check.
#include <gtest/gtest.h>

#include <functional>

#include "qxlib/rw/lba_steps.h"
#include "qxlib/rw/rw_steps.h"
#include "rw/rw_fixture.h"

namespace qx::test {
namespace {

class TemperatureLbaTest : public RwFixture {
protected:
    TemperatureLbaTest() { logUse_ = LogUse::Requests; }

    void Temperature(std::optional<std::uint64_t> raw) {
        Drive(kSataSlot, [raw](sim::DriveModel& m) {
            std::erase_if(m.smart, [](const sim::SmartAttribute& a) { return a.id == 0xC2; });
            if (raw) m.smart.push_back({0xC2, 40, 0, *raw});
        });
    }

    // The maximum-address commands sent, as "A1:F8" (12-byte SAT block, ATA
    // command) or "85:27" (16-byte block).
    Texts AtaSent(int slot) const {
        Texts out;
        auto maxAddress = [](std::uint8_t c) { return c == 0xF8 || c == 0xF9 || c == 0x27 || c == 0x37; };
        for (const sim::LoggedRequest& r : Requests(slot)) {
            const auto& c = r.cdb;
            if (c.size() >= 12 && c[0] == 0xA1 && maxAddress(c[9])) out.push_back("A1:" + Hex(c[9]));
            if (c.size() >= 16 && c[0] == 0x85 && maxAddress(c[14])) out.push_back("85:" + Hex(c[14]));
        }
        return out;
    }
    static std::string Hex(std::uint8_t b) {
        char t[3];
        std::snprintf(t, sizeof t, "%02X", b);
        return t;
    }
};

TEST_F(TemperatureLbaTest, TemperatureIsTheLowRawByteOfAttribute194) {
    struct Case {
        const char* name;
        int slot;
        std::function<void()> setUp;
        std::uint8_t limit;
        bool passes;
        std::uint8_t temperature;
    };
    const Case cases[] = {
        {"at the limit", kSataSlot, [this] { Temperature(60); }, 60, true, 60},
        {"one above", kSataSlot, [this] { Temperature(61); }, 60, false, 61},
        {"only the low raw byte counts", kSataSlot, [this] { Temperature(0x5A'00'3C); }, 60, true, 60},
        {"no attribute 194", kSataSlot, [this] { Temperature(std::nullopt); }, 0, true, 0},
        {"SMART read fails: the temperature is unknown", kSataSlot,
         [this] { DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnOpcode(0xB0)); }, 60,
         false, 0},
        {"USB path sends no SMART read and has nothing to judge", kUsbSlot, [] {}, 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        std::uint8_t t = 0xEE;
        EXPECT_EQ(CheckTemperature(c.slot, Ctx(), c.limit, &t), c.passes);
        EXPECT_EQ(t, c.temperature);
        DriveOf(c.slot).ClearFaults();
    }
}

TEST_F(TemperatureLbaTest, SetMaxLbaPicksTheCommandsByTheCount) {
    struct Case {
        std::uint32_t low, high;
        Texts sent;
        bool passes;
        std::uint64_t offered;
    };
    const Case cases[] = {
        {0x0FFFFFFE, 0, {"A1:F8", "A1:F9"}, true, 0x0FFFFFFE},
        {0x0FFFFFFF, 0, {"85:27", "85:37"}, true, 0x0FFFFFFF},
        {0x10000000, 0, {"85:27", "85:37"}, true, 0x10000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.low);
        Capacity(kSataSlot, 0x20000000);
        ClearLog();
        EXPECT_EQ(SetMaxLba(kSataSlot, Ctx(), c.low, c.high), c.passes);
        EXPECT_EQ(AtaSent(kSataSlot), c.sent);
        EXPECT_EQ(DriveOf(kSataSlot).CapacitySectors(), c.offered);
    }
    // The 28-bit block carries the maximum address 0x0FFFFFFD.
    Capacity(kSataSlot, 0x20000000);
    ClearLog();
    ASSERT_TRUE(SetMaxLba(kSataSlot, Ctx(), 0x0FFFFFFE, 0));
    const auto sent = Requests(kSataSlot);
    const auto& b = sent.back().cdb;
    EXPECT_EQ((std::vector<std::uint8_t>(b.begin() + 5, b.begin() + 9)), (std::vector<std::uint8_t>{0xFD, 0xFF, 0xFF, 0xEF}));
}

TEST_F(TemperatureLbaTest, SetMaxLbaStopsAtTheFirstFailure) {
    DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnOpcode(0xF8));
    ClearLog();
    EXPECT_FALSE(SetMaxLba(kSataSlot, Ctx(), 1000, 0));
    EXPECT_EQ(AtaSent(kSataSlot), Texts{"A1:F8"});
    EXPECT_EQ(DriveOf(kSataSlot).CapacitySectors(), DriveOf(kSataSlot).Config().capacitySectors);
}

TEST_F(TemperatureLbaTest, NtfsPartitionNeedsTypeSevenAndTheSignature) {
    struct Case {
        const char* name;
        std::size_t typeAt;
        std::uint8_t type;
        bool signed_;
        bool ntfs;
    };
    const Case cases[] = {
        {"first entry", 0x1C2, 7, true, true},
        {"fourth entry", 0x1F2, 7, true, true},
        {"third entry without signature", 0x1E2, 7, false, false},
        {"FAT32 entry", 0x1C2, 0x0C, true, false},
        {"blank", 0x1C2, 0, false, false},
    };
    for (int slot : kBothSlots)
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << ", slot " << slot);
            std::vector<std::uint8_t> mbr(512);
            mbr[c.typeAt] = c.type;
            if (c.signed_) put_le16(&mbr[0x1FE], 0xAA55);
            DriveOf(slot).WriteUserSectors(0, mbr);
            EXPECT_EQ(HasNtfsPartition(slot), c.ntfs);
        }
    // A failed read counts as no partition.
    for (int slot : kBothSlots) {
        Media(slot, {sim::MediaFaultKind::ReadFails, 0, 1});
        std::vector<std::uint8_t> mbr(512);
        mbr[0x1C2] = 7;
        put_le16(&mbr[0x1FE], 0xAA55);
        DriveOf(slot).WriteUserSectors(0, mbr);
        EXPECT_FALSE(HasNtfsPartition(slot));
    }
}

}  // namespace
}  // namespace qx::test
