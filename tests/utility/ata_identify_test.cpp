// IDENTIFY on a directly attached drive and the ATA string clean-up.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "utility/support/utility_rack_fixture.h"
#include "utility/ata_identify.h"

namespace qx::test {
namespace {

// readable: the field as it reads; the drive sends it with each byte pair swapped.
std::string Fixed(std::string readable) {
    for (std::size_t i = 0; i + 1 < readable.size(); i += 2) std::swap(readable[i], readable[i + 1]);
    utility::FixAtaString(reinterpret_cast<std::uint8_t*>(readable.data()), readable.size());
    return readable;
}

TEST(FixAtaString, SwapsTrimsAndClearsWhatTheMoveLeaves) {
    struct Case {
        const char* name;
        std::string readable;
        std::string fixed;    // every byte of the field after the clean-up
    };
    const Case cases[] = {
        {"left-justified", "ABCD  ", std::string("ABCD\0\0", 6)},
        // Nothing of the text is repeated at the end after the move.
        {"right-justified serial", "    SN12", std::string("SN12\0\0\0\0", 8)},
        {"blanks on both sides", "  12 34 ", std::string("12 34\0\0\0", 8)},
        {"blanks only", "    ", std::string(4, '\0')},
        {"full field", "ABCD", "ABCD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Fixed(c.readable), c.fixed);
    }
}

class AtaIdentifyTest : public UtilityRackFixture {};

TEST_F(AtaIdentifyTest, IdentifyGoesOutOnceWithDeviceA0AndCleanFields) {
    Add(IdePath(0), Produced("  SER1"));
    std::array<std::uint8_t, 512> id;
    id.fill(0x5A);
    ASSERT_EQ(utility::GetDeviceIdentify(Lower(IdePath(0)).c_str(), 1, utility::kBusIdeSata, id.data(), 512), 1);
    const auto log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].route, sim::Route::Ata);
    EXPECT_EQ(log[0].current[platform::kTfCommand], 0xEC);
    EXPECT_EQ(log[0].current[platform::kTfDevice], 0xA0);   // drive number 1 does not make it a slave
    EXPECT_EQ(log[0].current[platform::kTfCount], 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&id[utility::kSerialAt]), "SER1");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&id[utility::kModelAt])), "QX SSD   SER1");
}

TEST_F(AtaIdentifyTest, FailuresLeaveAZeroedBuffer) {
    sim::SimDrive& d = Add(IdePath(0), Produced("S"));
    d.AddFault(sim::FaultRule::Of(sim::FaultKind::AtaError).OnOpcode(0xEC));
    std::array<std::uint8_t, 512> id;
    id.fill(0x5A);
    const std::array<std::uint8_t, 512> zero{};
    EXPECT_EQ(utility::GetDeviceIdentify(Lower(IdePath(0)).c_str(), 0, utility::kBusIdeSata, id.data(), 512), 0);
    EXPECT_EQ(id, zero);
    id.fill(0x5A);
    EXPECT_EQ(utility::GetDeviceIdentify("\\\\?\\ide#nobody", 0, utility::kBusIdeSata, id.data(), 512), 0);
    EXPECT_EQ(id, zero);
    // USB devices are not asked this way at all.
    EXPECT_EQ(utility::GetDeviceIdentify(Lower(IdePath(0)).c_str(), 0, utility::kBusUsb, id.data(), 512), 0);
    EXPECT_EQ(Log().size(), 1u);
    utility::RegisterBlock regs = {0, 1, 0, 0, 0, 0xA0, 0xEC, 0};
    EXPECT_EQ(utility::SmartIoctlCommand("\\\\?\\ide#nobody", 0, regs, id.data(), true), -1);
}

}  // namespace
}  // namespace qx::test
