#include <gtest/gtest.h>

#include <thread>

#include "qxlib/base/switches.h"
#include "qxlib/tables/rdt_check.h"
#include "station/rdt/rdt_fixture.h"

namespace qx::test {
namespace {

const std::string kDash = "-------------------------------------------------------\r\n";

// The summary block of Summary(): version from bytes 144..150, thresholds,
// times of the steps 1, 3 and 5 (300 hours print as 44), clock index 2.
std::string ExpectedSummary() {
    return "RDT FIRMWARE VERVION : ABCDEFG\r\n"
           "Bad Blocks Threshold (per Plane) = 40\r\n"
           "ECC Fail Blocks Threshold (per Plane) = 30\r\n"
           "HighPage Prog Fail Blocks Threshold (per Die) = 20\r\n"
           "Err_Bits_Over Threshold (per 1Kbits) = 7\r\n"
           "NOT EMPTY PAGE THRESHOLD (PER 1K) = 5\r\n"
           "Err_Bits_Over Mark ECC Fail Bad Flag = 0\r\n" +
           kDash +
           "TOTOAL TIME: 01:00:00\r\n"
           "=======STEP 1=======\r\nMIN. TIME: 00:00:10\r\nMAX. TIME: 00:00:20\r\n"
           "=======STEP 3=======\r\nMIN. TIME: 02:00:00\r\nMAX. TIME: 44:00:00\r\n"
           "=======STEP 5=======\r\nMIN. TIME: 00:00:00\r\nMAX. TIME: 00:00:59\r\n"
           "Step3 Cycle Num: 3\r\n\r\n"
           "AVG. TEMPERATURE: 38\r\n\r\n"
           "SYSTEM CLOCK: 150\r\n" +
           kDash +
           "====ERROR TYPE====\r\n"
           "0 : Err_Bits_Over Mark ECC Fail Bad (Threshold:7)\r\n"
           "1 : ECC FAIL\r\n3 : PROGRAM FAIL\r\n4 : ERASE FAIL\r\n5 : EMPTY PAGE FAIL\r\n"
           "6 : NOT EMPTY FAIL (Threshold:5)\r\n"
           "7 : ECC OVER -> ECC FAIL\r\n" +
           kDash + "====ACTION====\r\n0 : PRE-READ\r\n1 : POST-READ\r\n2 : PROGRAM\r\n3 : ERASE\r\n" + kDash +
           "====Error Code====\r\nP05 : BadBlock over spec\r\nP06 : UpperBlock over spec\r\nP07 : ECC fail Occur.\r\n" +
           kDash;
}

const std::string kBadHeader =
    "================RDT Bad==================\r\n"
    "Bank, Ch, LUN, Plane, Block unit, Block 1, Block 2, Error type,  Page,       time, Step,   Action, "
    "Temperature, Ecc Information\r\n";
const std::string kFactory = "====================Factory Bad====================\r\n";

// Dies: keys 0x80 and 0x81 are die 0, 0x9A (channel 1, LUN 1, bank 2) is
// die 5 with CeCount 2, 0x90 is die 1. Bitmap record index = channel x
// BankCount + bank: 0 → 0x80, 1 → 0x81, 2 → 0x9A, 3 → 0x90.
void FullLog(sim::DriveConfig& c, std::uint8_t result = 0, const std::string& serial = "QX123",
             std::uint8_t inherit = 0) {
    c.rdtPages = {1, 2, 3, 2, 5, 1};
    c.rdtSummary = Summary(result, serial);
    c.rdtSummary[200] = inherit;
    c.rdtDieInfo = DieRecords({
        {0x80, {0x98, 0xDE, 0x94, 0x93, 0x76, 0x50, 0x00}, 12, 35, 20, 0x0005, 7},
        {0x81, {0x98, 0xDE, 0x94, 0x93, 0x76, 0x50, 0x00}, 0, 0, 0, 0, 0},
        {0x9A, {0x2C, 0x88, 0x01, 0x02, 0x03, 0x04, 0x05}, 100, 123, 255, 0x8000, 49},
        {0x90, {0x45, 0x45, 0x45, 0x45, 0x45, 0x45, 0x45}, 1, 10, 10, 0x0002, 0x0201},   // ratio: 9 bits
    });
    c.rdtFactory.assign(8192, 0);
    c.rdtFactory[0x0000] = 0x01;     // channel 0, bank 0, unit 0: plane 0
    c.rdtFactory[0x0200] = 0xC0;     // channel 0, bank 1, unit 3: both planes
    c.rdtFactory[0x1001] = 0x02;     // channel 1, bank 0, unit 4: plane 1
    c.rdtFactory[0x1203] = 0x1B;     // channel 1, bank 1, units 12..15
    c.rdtFactory[0x1A00] = 0xFF;     // channel 1, bank 5: no such record
    c.rdtErrors = ErrorRecords({
        {0x9A, 0x03, 0x0123, 0x40, 9, 0x21, 45, 1'440'000},
        {0x80, 0x01, 0x0010, 5, 17, 0x30, 50, 24'400},
        {0x80, 0x42, 0x00FF, 6, 0, 0x13, 40, 0},
        {0xF7, 0x01, 0x0001, 1, 1, 0x00, 1, 0},   // die 19: no die
    });
}

class RdtReportTest : public RdtFixture {};

TEST_F(RdtReportTest, ALaidOutLogBecomesTheFactoryAndResultFilesOfEachDie) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        std::filesystem::remove_all(Root());
        Log(slot, [](sim::DriveConfig& c) { FullLog(c); });
        Report(slot);

        EXPECT_EQ(Tree(), (std::vector<std::string>{
                              "RDT_OK/", "RDT_OK/QX123/", "RDT_OK/QX123/Factory/",
                              "RDT_OK/QX123/Factory/QX123_F00.ms0", "RDT_OK/QX123/Factory/QX123_F01.ms0",
                              "RDT_OK/QX123/Factory/QX123_F11.ms0", "RDT_OK/QX123/RDT/",
                              "RDT_OK/QX123/RDT/QX123_F00.ms1", "RDT_OK/QX123/RDT/QX123_F01.ms1",
                              "RDT_OK/QX123/RDT/QX123_F11.ms1"}));
        const std::string base = Root() + "RDT_OK/QX123/";
        EXPECT_EQ(Read(base + "Factory/QX123_F00.ms0"), kFactory +
                                                            "Bank:0  unit:0x0000:1  block:0x0000\r\n"
                                                            "Bank:1  unit:0x0003:3  block:0x0006,0x0007\r\n");
        EXPECT_EQ(Read(base + "Factory/QX123_F01.ms0"), kFactory +
                                                            "Bank:1  unit:0x000c:3  block:0x0018,0x0019\r\n"
                                                            "Bank:1  unit:0x000d:2  block:0x001b\r\n"
                                                            "Bank:1  unit:0x000e:1  block:0x001c\r\n");
        EXPECT_EQ(Read(base + "Factory/QX123_F11.ms0"), kFactory + "Bank:0  unit:0x0004:2  block:0x0009\r\n");

        EXPECT_EQ(Read(base + "RDT/QX123_F00.ms1"),
                  ExpectedSummary() +
                      "Bank: 0(0)  Ch: 0, LUN: 0    ID: 98 DE 94 93 76 50 00\r\n"
                      "    Bad blocks:0012(0.7%)  Max A: 3.5  Min V: 2.0  Fail pattern:0,2\r\n"
                      "Bank: 1(1)  Ch: 0, LUN: 0    ID: 98 DE 94 93 76 50 00\r\n"
                      "    Bad blocks:0000(0.0%)  Max A: 0.0  Min V: 0.0  Fail pattern:\r\n" +
                      kBadHeader +
                      "0(0),  0,   0,     0,   0x0005:1,  0x000a,        ,          0,    10,  00:01:01,    3,"
                      "        0,          50,              17\r\n"
                      "0(0),  0,   0,     1,   0x0006:2,  0x000d,        ,          4,    ff,  00:00:00,    1,"
                      "        3,          40,\r\n");
        EXPECT_EQ(Read(base + "RDT/QX123_F01.ms1"),
                  ExpectedSummary() +
                      "Bank: 0(0)  Ch: 1, LUN: 0    ID: 45 45 45 45 45 45 45\r\n"
                      "    Bad blocks:0001(0.1%)  Max A: 1.0  Min V: 1.0  Fail pattern:1\r\n" +
                      kBadHeader);
        EXPECT_EQ(Read(base + "RDT/QX123_F11.ms1"),
                  ExpectedSummary() +
                      "Bank: 2(0)  Ch: 1, LUN: 1    ID: 2C 88 01 02 03 04 05\r\n"
                      "    Bad blocks:0100(4.9%)  Max A: 12.3  Min V: 25.5  Fail pattern:15\r\n" +
                      kBadHeader +
                      "2(0),  1,   1,   0&1,   0x0040:3,  0x0080,  0x0081,          0,   123,  01:00:00,    A,"
                      "        1,          45,\r\n");
    }
}

TEST_F(RdtReportTest, TheResultByteChoosesTheFolders) {
    struct Case {
        std::uint8_t result;
        std::vector<std::string> tree;
    };
    const Case cases[] = {
        {0x03, {"RDT_NG/", "RDT_NG/P07/", "RDT_NG/P07/QX123/"}},
        {0x06, {"RDT_NG/", "RDT_NG/P05/", "RDT_NG/P05/QX123/"}},
        {0x04, {"RDT_NG/", "RDT_NG/P06/", "RDT_NG/P06/QX123/"}},
        {0x08, {"RDT_NG/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.result});
        std::filesystem::remove_all(Root());
        Log(kUsbSlot, [&](sim::DriveConfig& cfg) { FullLog(cfg, c.result); });
        Report(kUsbSlot);
        auto tree = Tree();
        if (c.result != 0x08) tree.resize(std::min<std::size_t>(tree.size(), 3));
        EXPECT_EQ(tree, c.tree);
    }
}

TEST_F(RdtReportTest, WithoutALogEveryBlockDownTo11IsTriedAndOnlyTheRootIsMade) {
    config_.FlashGeometry.BlocksPerCe = 16;
    Report(kUsbSlot);
    std::string blocks;
    for (const std::string& t : traces_)
        if (t.rfind("Block:", 0) == 0) blocks += t;
    EXPECT_EQ(blocks, "Block:15\nBlock:14\nBlock:13\nBlock:12\nBlock:11\n");
    EXPECT_TRUE(Tree().empty());
}

TEST_F(RdtReportTest, AnUnfinishedBlockIsSkippedAndTheSearchGoesOnBelow) {
    Log(kUsbSlot, [](sim::DriveConfig& c) {
        FullLog(c);
        c.rdtBlock = 2045;
    });
    // Block 2046: page 0 carries the signature, the last page does not.
    Drive(kUsbSlot, [](sim::DriveModel& m) {
        std::vector<std::uint8_t> p(4096, 0);
        std::memcpy(p.data(), "RDTM", 4);
        m.nand.Program({0, 0, 2046, 0}, p);
    });
    Report(kUsbSlot);
    EXPECT_EQ(Tree().size(), 10u);
}

// Failed page reads end the report where they happen (reads in order:
// page 0, last page, summary, die information, 2 factory pages, error page).
TEST_F(RdtReportTest, AFailedReadEndsTheReportKeepingWhatWasWritten) {
    struct Case {
        const char* name;
        int skip;
        std::vector<std::string> tree;
        std::string ms0;
    };
    const std::vector<std::string> factory{"RDT_OK/",
                                           "RDT_OK/QX123/",
                                           "RDT_OK/QX123/Factory/",
                                           "RDT_OK/QX123/Factory/QX123_F00.ms0",
                                           "RDT_OK/QX123/Factory/QX123_F01.ms0",
                                           "RDT_OK/QX123/Factory/QX123_F11.ms0"};
    const Case cases[] = {
        {"page 0 of the first block: lower blocks are not tried", 0, {}, ""},
        {"die information", 3, {"RDT_OK/", "RDT_OK/QX123/"}, ""},
        {"second factory page: headers only", 5, factory, kFactory},
        {"error page: complete factory files, no result files", 6, factory,
         kFactory + "Bank:0  unit:0x0000:1  block:0x0000\r\nBank:1  unit:0x0003:3  block:0x0006,0x0007\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(Root());
        traces_.clear();
        Log(kUsbSlot, [](sim::DriveConfig& cfg) { FullLog(cfg); });
        DriveOf(kUsbSlot).ClearFaults();
        DriveOf(kUsbSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x0D).Skip(c.skip).Times(1));
        Report(kUsbSlot);
        EXPECT_EQ(Tree(), c.tree);
        if (!c.ms0.empty()) {
            EXPECT_EQ(Read(Root() + "RDT_OK/QX123/Factory/QX123_F00.ms0"), c.ms0);
        }
        if (c.skip == 0) {
            EXPECT_EQ(std::count(traces_.begin(), traces_.end(), std::string("Block:2046\n")), 0);
        }
    }
    DriveOf(kUsbSlot).ClearFaults();
}

TEST_F(RdtReportTest, InheritModeBannersTheDiesWithoutErrorRecords) {
    Log(kUsbSlot, [](sim::DriveConfig& c) { FullLog(c, 0, "QX123", 0x99); });
    Report(kUsbSlot);
    const std::string rule = " " + std::string(108, '-') + "\r\n";
    const std::string banner = rule + std::string(47, ' ') + "Not ReRDT Record" + std::string(50, ' ') + "\r\n" + rule;
    const std::string withRecords = Read(Root() + "RDT_OK/QX123/RDT/QX123_F00.ms1");
    const std::string without = Read(Root() + "RDT_OK/QX123/RDT/QX123_F01.ms1");
    EXPECT_EQ(withRecords.find("Not ReRDT"), std::string::npos);
    ASSERT_GE(without.size(), banner.size());
    EXPECT_EQ(without.substr(without.size() - banner.size()), banner);
    EXPECT_NE(without.find("ABCDEFG\r\n" + kDash + "[Inherit Mode]\r\n" + kDash), std::string::npos);
}

TEST_F(RdtReportTest, RawDumpsOnlyWhenDumpDebugFileIsSet) {
    const auto raws = [&] {
        std::vector<std::string> out;
        for (const auto& f : Everything())
            if (f.ends_with(".raw") && f.find('/') == std::string::npos) out.push_back(f);
        return out;
    };
    const auto before = raws();
    Log(kUsbSlot, [](sim::DriveConfig& c) { FullLog(c); });
    DumpDebugFile = false;
    Report(kUsbSlot);
    EXPECT_EQ(raws(), before);
    EXPECT_EQ(Tree().size(), 10u);

    DumpDebugFile = true;
    Report(kUsbSlot);
    DumpDebugFile = false;
    const auto after = raws();
    for (const char* name : {"DieInfo.raw", "DieInfo2.raw", "RDT_FACTORY_BB03.raw", "RDT_FACTORY_BB04.raw",
                             "ErrorPage.raw", "ErrorPage2.raw"})
        EXPECT_NE(std::find(after.begin(), after.end(), name), after.end()) << name;
    EXPECT_EQ(std::filesystem::file_size(dir_->file("DieInfo2.raw")), 4u * 32);
    EXPECT_EQ(std::filesystem::file_size(dir_->file("RDT_FACTORY_BB03.raw")), 2u * 4096);
    const std::string errors = Read(dir_->file("ErrorPage2.raw"));
    ASSERT_EQ(errors.size(), 4096u);
    EXPECT_EQ(errors.substr(64).find_first_not_of('\0'), std::string::npos);
}

TEST_F(RdtReportTest, TheResultCheckReadsTheSameLog) {
    Log(kUsbSlot, [](sim::DriveConfig& c) { FullLog(c, 0, "QX123"); });
    std::string serial;
    EXPECT_EQ(CheckRdtResult(kUsbSlot, Ctx(), "QX123", 0, serial), 1);
    EXPECT_EQ(serial, "QX123");
    Log(kUsbSlot, [](sim::DriveConfig& c) { FullLog(c, 0x01, "QX123"); });
    EXPECT_EQ(CheckRdtResult(kUsbSlot, Ctx(), "QX123", 0, serial), kItemRdtFailBit0);
}

TEST_F(RdtReportTest, TwoWorkersReportAtOnce) {
    Log(kSataSlot, [](sim::DriveConfig& c) { FullLog(c, 0, "SATA1"); });
    Log(kUsbSlot, [](sim::DriveConfig& c) { FullLog(c, 0x01, "USB1"); });
    GlobalParameter settings2 = settings_;
    FlashConfig config2 = config_;
    std::vector<std::uint8_t> buffer2(kScratchSize);
    std::thread other([&] {
        station::ShowRDTResult(kUsbSlot, StepContext{config2, settings2, buffer2, 0}, folder_);
    });
    Report(kSataSlot);
    other.join();
    const auto tree = Tree();
    EXPECT_NE(std::find(tree.begin(), tree.end(), "RDT_OK/SATA1/RDT/SATA1_F11.ms1"), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(), "RDT_NG/P07/USB1/RDT/USB1_F11.ms1"), tree.end());
    EXPECT_EQ(Read(Root() + "RDT_OK/SATA1/RDT/SATA1_F01.ms1"), Read(Root() + "RDT_NG/P07/USB1/RDT/USB1_F01.ms1"));
}

}  // namespace
}  // namespace qx::test
