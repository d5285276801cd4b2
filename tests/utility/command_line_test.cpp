// The command-line words, acted on in the refresh that reaches them: the
// read/write test, the SSD information dump and the raw-dump switch.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "utility/support/utility_rack_fixture.h"
#include "utility/unattended_run.h"

namespace qx::test {
namespace {

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CommandLineTest : public UtilityRackFixture {
protected:
    void Run(std::vector<std::string> args) {
        Logic(std::move(args)).FormShow();
        logic_->ListView1SelectItem(0, true);
    }
    bool Dumped(const std::string& name) const { return std::filesystem::exists(folder_.path() / name); }
};

TEST(CommandWords, CountOnlyAsWholeArguments) {
    const char* argv[] = {"/opt/rwtests/dumpssdinfo/sondrel", "x"};
    const auto words = utility::CommandLine::FromMain(2, argv);
    EXPECT_FALSE(words.Has("rwtest"));
    EXPECT_FALSE(words.Has("dumpssdinfo"));
    EXPECT_EQ(words.SecondArgument(), "");
    // A word inside another argument (a dump name, say) is no word.
    const utility::CommandLine inside({"dumpssdinfo", "myrwtestname", "xdumpssdrawx", "RWTEST", "rwtest "});
    EXPECT_FALSE(inside.Has("rwtest"));
    EXPECT_FALSE(inside.Has("dumpssdraw"));
    EXPECT_TRUE(inside.Has("dumpssdinfo"));
    EXPECT_FALSE(inside.WantsDrive() && inside.Has("rwtest"));
    EXPECT_EQ(inside.SecondArgument(), "myrwtestname");
    const utility::CommandLine whole({"x", "rwtest", "dumpssdraw"});
    EXPECT_TRUE(whole.Has("rwtest"));
    EXPECT_TRUE(whole.Has("dumpssdraw"));
}

TEST_F(CommandLineTest, WordsActInTheirOrderAndTheRefreshRunsToItsEnd) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> prompts;
        const char* dumpFile;   // nullptr: no dump
        int closes;
        bool raw;
    };
    const Case cases[] = {
        {"no words", {}, {}, nullptr, 0, false},
        {"rwtest", {"rwtest"}, {"R/W Test successfully"}, nullptr, 1, false},
        {"upper case does nothing", {"RWTEST", "DUMPSSDINFO"}, {}, nullptr, 0, false},
        {"inside a longer word", {"xrwtestx"}, {}, nullptr, 0, false},
        {"dump named like the test", {"dumpssdinfo", "myrwtestname"}, {}, "myrwtestname.txt", 1, false},
        {"dump named by argument 2", {"dumpssdinfo", "info1"}, {}, "info1.txt", 1, false},
        {"dump as the last word", {"x", "dumpssdinfo"}, {}, "dumpssdinfo.txt", 1, false},
        {"dump without a name", {"dumpssdinfo"}, {}, ".txt", 1, false},
        {"test then dump", {"rwtest", "dumpssdinfo"}, {"R/W Test successfully"}, "dumpssdinfo.txt", 2, false},
        {"raw dumps on", {"dumpssdraw"}, {}, nullptr, 0, true},
    };
    Add(IdePath(0), Produced("CMD"));
    TempDir work(true);   // raw dumps land in the working folder
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder_.path());
        std::filesystem::create_directory(folder_.path());
        prompter_.Clear();
        events_.clear();
        DumpDebugFile = false;
        Run(c.args);
        EXPECT_EQ(prompter_.Texts(), c.prompts);
        EXPECT_EQ(std::count(events_.begin(), events_.end(), "Close"), c.closes);
        if (c.dumpFile) {
            EXPECT_TRUE(Dumped(c.dumpFile));
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), c.dumpFile ? 1 : 0);
        EXPECT_EQ(DumpDebugFile.load(), c.raw);
        // Closing never cuts the refresh short.
        EXPECT_EQ(events_.back(), "ActivePage 0");
        EXPECT_EQ(utility::UnattendedExitStatus(logic_->Environment().Words, logic_->Outcome()), utility::kExitDone);
    }
}

TEST_F(CommandLineTest, DumpHoldsTheTwelveRowsOfTheRefreshTexts) {
    Add(UsbPath(0), NativeUsb("USB1"));
    Run({"dumpssdinfo", "info1"});
    std::string expected =
        "Vendor Name:<VendorNameEdit>\r\nProduct Name:<ProductNameEdit>\r\n"
        "Manufacture String:<ManufacturStringEdit>\r\nProduct String:<ProductStringEdit>\r\n"
        "VID:<VIDEdit>\r\nPID:<PIDEdit>\r\nSerial Num:<SNUSBEdit>\r\n";
    expected += "FlashmodelEdit=\xB5;\r\nChannelEdit=\xB5;\r\n\r\n";
    for (const char* e : {"CapacityEdit", "DriverEdit", "ResPerEdit", "EccReadEdit", "EccCopyEdit", "WearLevelingEdit"})
        expected += std::string(e) + "=\xB5;\r\n";
    expected += "BankMapEdit=\xB5;\r\n\r\n";
    for (const char* e : {"SupportEdit1", "SupportEdit2", "FwEdit"}) expected += std::string(e) + "=\xB5;\r\n";
    EXPECT_EQ(ReadFile(folder_.path() / "info1.txt"), expected);
    EXPECT_TRUE(logic_->Outcome().DumpWritten);
    EXPECT_EQ(logic_->Outcome().DumpPath, folder_.path() / "info1.txt");
}

TEST_F(CommandLineTest, DumpOfASataDriveHasEmptyUsbFieldsAndReplacesTheFile) {
    Add(IdePath(0), Produced("S"));
    std::ofstream(folder_.path() / "d.txt") << std::string(4000, 'x');
    Run({"dumpssdinfo", "d"});
    const std::string text = ReadFile(folder_.path() / "d.txt");
    EXPECT_EQ(text.substr(0, 14), "Vendor Name:\r\n");
    EXPECT_EQ(text.find('x'), std::string::npos);
}

TEST_F(CommandLineTest, DumpThatCannotBeCreatedIsReportedWithoutABox) {
    Add(IdePath(0), Produced("S"));
    Run({"dumpssdinfo", "no/such/folder/d"});
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_TRUE(logic_->Outcome().DumpRan);
    EXPECT_FALSE(logic_->Outcome().DumpWritten);
    EXPECT_EQ(utility::UnattendedExitStatus(logic_->Environment().Words, logic_->Outcome()), utility::kExitFailed);
}

TEST_F(CommandLineTest, BadSectorFailsTheReadWriteTest) {
    sim::SimDrive& d = Add(IdePath(0), Produced("BAD"));
    d.AddFault(sim::FaultRule::Of(sim::FaultKind::AtaError).OnOpcode(0xCA));   // WRITE DMA
    Run({"rwtest"});
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"R/W Test Fail"});
    EXPECT_EQ(utility::UnattendedExitStatus(logic_->Environment().Words, logic_->Outcome()), utility::kExitFailed);
}

TEST_F(CommandLineTest, WordsWaitForARefreshThatReadsTheDrive) {
    sim::SimDrive& d = Add(IdePath(0), Produced("L"));
    Logic({"rwtest"}).FormShow();
    EXPECT_TRUE(prompter_.Texts().empty());   // nothing acts before a selection
    {
        auto hold = d.Lock();
        d.Model().ChangeState(sim::ControllerState::Loader);
    }
    logic_->ListView1SelectItem(0, true);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"FAIL!!!. The SSD doesn't run on system mode now."});
    EXPECT_EQ(view_.Closes(), 0);
    EXPECT_EQ(utility::UnattendedExitStatus(logic_->Environment().Words, logic_->Outcome()), utility::kExitFailed);
}

TEST(UnattendedRow, ChoosesTheFirstRowOrRefuses) {
    utility::DeviceListModel none;
    utility::DeviceListModel two;
    two.Rows.resize(2);
    two.Lines = {"<< IDE / SATA >>  A 1", "<< SCSI >>  B 2"};
    std::string error;
    EXPECT_EQ(utility::UnattendedRow(utility::CommandLine({"dumpssdinfo"}), none, &error), -1);
    EXPECT_EQ(error, "No drive listed.\n");
    EXPECT_EQ(utility::UnattendedRow(utility::CommandLine({"dumpssdinfo"}), two, &error), 0);
    EXPECT_EQ(utility::UnattendedRow(utility::CommandLine({"rwtest"}), two, &error), -1);
    EXPECT_EQ(error, "rwtest needs exactly one drive; listed:\n<< IDE / SATA >>  A 1\n<< SCSI >>  B 2\n");
}

}  // namespace
}  // namespace qx::test
