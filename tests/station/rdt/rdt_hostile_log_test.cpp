// Logs a drive should never carry, and geometry a configuration should never
// have: the report writes nothing outside RDT_Log and stays within its
// pages and tables.
#include <gtest/gtest.h>

#include "station/rdt/rdt_fixture.h"

namespace qx::test {
namespace {

class RdtHostileLogTest : public RdtFixture {
protected:
    void Basic(sim::DriveConfig& c, const std::string& serial = "QX9") {
        c.rdtPages = {1, 2, 3, 1, 4, 1};
        c.rdtSummary = Summary(0, serial);
        c.rdtDieInfo = DieRecords({{0x80, {1, 2, 3, 4, 5, 6, 7}, 1, 1, 1, 1, 1}});
    }
    // Paths under the temporary folder that are not under RDT_Log.
    std::vector<std::string> Outside() const {
        std::vector<std::string> out;
        for (const auto& p : Everything())
            if (p != "RDT_Log" && p.rfind("RDT_Log/", 0) != 0 && !p.ends_with(".bin")) out.push_back(p);
        return out;
    }
};

TEST_F(RdtHostileLogTest, SerialsNeverNameAnotherFolder) {
    struct Case {
        std::string serial;
        std::string folder;
    };
    const Case cases[] = {
        {"../../evil", ".._.._evil"},
        {"..", "NO_SERIAL"},
        {".", "NO_SERIAL"},
        {"", "NO_SERIAL"},
        {"A\x01\tB\\C:D", "A__B_C_D"},
        {std::string(48, 'S'), std::string(48, 'S')},   // no end byte: 48 characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::filesystem::remove_all(Root());
        Log(kUsbSlot, [&](sim::DriveConfig& cfg) { Basic(cfg, c.serial); });
        Report(kUsbSlot);
        EXPECT_TRUE(Outside().empty());
        EXPECT_TRUE(std::filesystem::exists(Root() + "RDT_OK/" + c.folder + "/RDT/" + c.folder + "_F00.ms1"));
    }
}

TEST_F(RdtHostileLogTest, ListsStopAtTheirPagesAndTables) {
    // No end markers; a die information page full of valid records (128 of
    // 32 bytes fill the 4 KiB page), die numbers beyond 15 among them, and
    // error records filling their page, some for keys no record gave.
    Log(kUsbSlot, [](sim::DriveConfig& c) {
        c.rdtPages = {1, 2, 3, 1, 4, 1};
        c.rdtSummary = Summary(0, "MANY");
        c.rdtSummary[13] = 9;             // clock index beyond the table
        c.rdtEndMarkers = false;
        std::vector<DieRecord> dies;
        // (a key of 0xAA would end the list, as an end record does)
        for (int i = 0; i < 200; ++i) {
            const auto key = static_cast<std::uint8_t>(0x80 | (i & 0x7F));
            dies.push_back({key == 0xAA ? std::uint8_t{0xAB} : key, {}, 0, 0, 0, 0, 0});
        }
        c.rdtDieInfo = DieRecords(dies);
        std::vector<ErrorEntry> errors;
        for (int i = 0; i < 300; ++i)
            errors.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(0x01 + (i % 4)), 1,
                              static_cast<std::uint16_t>(i), 0, static_cast<std::uint8_t>(0x70 + (i % 3)), 0, 0});
        c.rdtErrors = ErrorRecords(errors);
        c.rdtFactory.assign(4096, 0xFF);
    });
    Report(kUsbSlot);
    EXPECT_TRUE(Outside().empty());
    // Keys 0x80..0xFF: channel + 4 x (bank / 2) < 16 for every key, so all
    // 16 dies are present.
    const auto tree = Tree();
    EXPECT_EQ(std::count_if(tree.begin(), tree.end(), [](const std::string& p) { return p.ends_with(".ms1"); }), 16);
    const std::string text = Read(Root() + "RDT_OK/MANY/RDT/MANY_F00.ms1");
    EXPECT_NE(text.find("SYSTEM CLOCK: ?\r\n"), std::string::npos);
    EXPECT_NE(text.find(",    ?,"), std::string::npos);   // step 7 has no character
}

TEST_F(RdtHostileLogTest, DieNumbersOf16OrMoreAreIgnored) {
    config_.CeCount = 1;   // bank 7, channel 7: die 7 + 28 = 35
    Log(kUsbSlot, [](sim::DriveConfig& c) {
        c.rdtPages = {1, 2, 3, 1, 4, 1};
        c.rdtSummary = Summary(0, "BIG");
        c.rdtDieInfo = DieRecords({{0xF7, {}, 0, 0, 0, 0, 0}, {0x80, {}, 0, 0, 0, 0, 0}});
        c.rdtErrors = ErrorRecords({{0xF7, 0x01, 0, 0, 0, 0, 0, 0}, {0x80, 0x13, 0, 0, 0, 0, 0, 0}});
    });
    Report(kUsbSlot);
    EXPECT_EQ(Tree(), (std::vector<std::string>{"RDT_OK/", "RDT_OK/BIG/", "RDT_OK/BIG/Factory/",
                                                "RDT_OK/BIG/Factory/BIG_F00.ms0", "RDT_OK/BIG/RDT/",
                                                "RDT_OK/BIG/RDT/BIG_F00.ms1"}));
    const std::string text = Read(Root() + "RDT_OK/BIG/RDT/BIG_F00.ms1");
    EXPECT_EQ(text.find("Bank: 7"), std::string::npos);
    EXPECT_NE(text.find("0(0),  0,   0,   0&1,"), std::string::npos);
}

TEST_F(RdtHostileLogTest, OversizedPageCountsEndTheReportBeforeAnyRead) {
    for (const std::vector<std::uint16_t>& pages :
         {std::vector<std::uint16_t>{1, 2, 3, 33, 4, 1}, std::vector<std::uint16_t>{1, 2, 3, 1, 4, 0xFFFF}}) {
        std::filesystem::remove_all(Root());
        Log(kUsbSlot, [&](sim::DriveConfig& c) {
            Basic(c);
            c.rdtPages = pages;
        });
        Report(kUsbSlot);
        EXPECT_TRUE(Tree().empty());
        EXPECT_TRUE(Outside().empty());
    }
}

TEST_F(RdtHostileLogTest, AGeometryOfZerosWritesNothing) {
    Log(kUsbSlot, [&](sim::DriveConfig& c) { Basic(c); });
    for (int field = 0; field < 3; ++field) {
        FlashConfig saved = config_;
        if (field == 0) config_.CeCount = 0;
        if (field == 1) config_.FlashGeometry.SectorsPerPage = 0;
        if (field == 2) config_.FlashGeometry.PagesPerBlock = 0;
        Report(kUsbSlot);
        config_ = saved;
        EXPECT_FALSE(std::filesystem::exists(Root())) << field;
    }
}

}  // namespace
}  // namespace qx::test
