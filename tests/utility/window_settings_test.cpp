// The window's own settings, hot keys, timer and special mode.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "utility/support/utility_rack_fixture.h"
#include "utility/hot_keys.h"
#include "utility/page_index.h"
#include "utility/utility_settings.h"

namespace qx::test {
namespace {

using utility::HotKey;

TEST(UtilitySettings, SondrelIniIsReadWithDefaults) {
    struct Case {
        const char* name;
        const char* text;   // nullptr: no file
        int resetSmart, remapRelation;
    };
    const Case cases[] = {
        {"absent", nullptr, 0, 0},
        {"empty", "", 0, 0},
        {"both set", "[Setting]\r\nEnResetSmart=1\r\nEnRemapRelation=2\r\n", 1, 2},
        {"names in any case, hex", "[setting]\nenresetsmart=0x10\nENREMAPRELATION=$F\n", 16, 15},
        {"non-numeric gives the default", "[Setting]\nEnResetSmart=yes\nEnRemapRelation=1x\n", 0, 0},
        {"first key wins", "[Setting]\nEnResetSmart=3\nEnResetSmart=4\n", 3, 0},
        {"other section", "[Other]\nEnResetSmart=1\n", 0, 0},
        {"negative, both bases", "[Setting]\nEnResetSmart=-5\nEnRemapRelation=-$10\n", -5, -16},
        {"int range ends", "[Setting]\nEnResetSmart=-2147483648\nEnRemapRelation=2147483647\n", INT32_MIN, INT32_MAX},
        {"beyond int range", "[Setting]\nEnResetSmart=-2147483649\nEnRemapRelation=0x80000000\n", 0, 0},
        // One sign only: a second minus is no number.
        {"two minus signs", "[Setting]\nEnResetSmart=--5\nEnRemapRelation=-+5\n", 0, 0},
        {"two minus signs at the 64-bit end", "[Setting]\nEnResetSmart=--9223372036854775808\n", 0, 0},
        {"minus after the hex mark", "[Setting]\nEnResetSmart=-x-8000000000000000\nEnRemapRelation=$-1\n", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.text) std::ofstream(dir.file("Sondrel.ini"), std::ios::binary) << c.text;
        const auto s = utility::LoadUtilitySettings(dir.path());
        EXPECT_EQ(s.EnResetSmart, c.resetSmart);
        EXPECT_EQ(s.EnRemapRelation, c.remapRelation);
        if (c.text) {
            std::ifstream in(dir.file("Sondrel.ini"), std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.text) << "never written";
        }
    }
}

TEST(UtilitySettings, SettingsFileThatCannotBeReadGivesTheDefaults) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("Sondrel.ini"));   // a folder of that name
    const auto s = utility::LoadUtilitySettings(dir.path());
    EXPECT_EQ(s.EnResetSmart, 0);
    EXPECT_EQ(s.EnRemapRelation, 0);
}

TEST(HotKeys, EachKeyPressesItsPagesButton) {
    struct Case {
        int page;
        HotKey key;
        const char* button;
    };
    const Case cases[] = {
        {utility::kPageSsdInfo, HotKey::CtrlS, "DpdFTLSaveBn"},
        {utility::kPageSsdInfo, HotKey::AltS, ""},
        {utility::kPageSsdInfo, HotKey::CtrlG, ""},
        {utility::kPageEraseCount, HotKey::CtrlS, "DetailSaveBn"},
        {utility::kPageBadBlockInfo, HotKey::CtrlS, "SavebadblockinfoBn"},
        {utility::kPageBadBlockInfo, HotKey::AltS, "SavebadblockDetailBn"},
        {utility::kPageSmartInfo, HotKey::CtrlS, "SaveSmartInfoBn"},
        {utility::kPageSmartInfo, HotKey::CtrlG, "GetSmartInfoBn"},
        {utility::kPageSmartInfo, HotKey::CtrlR, ""},
        {utility::kPageDeviceInfo, HotKey::CtrlS, ""},
        {utility::kPageUartLog, HotKey::CtrlS, "UartLogSaveBtn"},
        {utility::kPageUartLog, HotKey::AltS, "DbgErrLogSaveBtn"},
        {utility::kPageUartLog, HotKey::CtrlG, ""},
        {utility::kPageDiagnose, HotKey::CtrlS, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(utility::HotKeyButton(c.page, c.key), c.button) << c.page;
}

TEST(HotKeys, TimerHoldsThemOnlyWhileTheWindowIsInFront) {
    std::vector<std::string> traces;
    platform::SetTraceSink([&](std::string_view t) { traces.emplace_back(t); });
    utility::HotKeyGate gate;
    struct Step {
        bool inFront;
        bool registered;
        const char* trace;   // nullptr: none
    };
    const Step steps[] = {{true, true, nullptr},
                          {false, false, "######### - Disable hotkey!"},
                          {false, false, nullptr},
                          {true, true, "######### - Enable hotkey!"},
                          {true, true, nullptr}};
    EXPECT_TRUE(gate.Registered());
    for (const Step& s : steps) {
        traces.clear();
        gate.Tick(s.inFront);
        EXPECT_EQ(gate.Registered(), s.registered);
        EXPECT_EQ(traces, s.trace ? std::vector<std::string>{s.trace} : std::vector<std::string>{});
    }
    platform::SetTraceSink({});
}

class SpecialModeTest : public UtilityRackFixture {};

TEST_F(SpecialModeTest, OnlyACtrlClickEntersItAndEachSaysSo) {
    TempDir work(true);
    auto& logic = Logic();
    logic.SpecialTipShapeMouseDown(false);
    EXPECT_FALSE(logic.SpecialMode());
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_FALSE(view_.PageVisible(utility::kPageUartLog));
    for (int i = 0; i < 2; ++i) logic.SpecialTipShapeMouseDown(true);
    EXPECT_TRUE(logic.SpecialMode());
    EXPECT_TRUE(DumpDebugFile.load());
    EXPECT_TRUE(DebugToFile.load());
    EXPECT_TRUE(view_.PageVisible(utility::kPageUartLog));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Enter Special mode", "Enter Special mode"}));
}

TEST_F(SpecialModeTest, DpdFtlSaveWritesTheMemoWithCrLfOrNothing) {
    auto& logic = Logic();
    view_.SetLines(utility::MemoId::DpdFTLMemo, {"<0500>00", "<0510>01"});
    prompter_.Answer(std::optional<std::string>(folder_.file("out.txt")));
    logic.DpdFTLSaveBnClick();
    prompter_.Answer(std::optional<std::string>());   // cancelled
    logic.DpdFTLSaveBnClick();
    const auto records = prompter_.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].file.kind, ui::FileDialogKind::Save);
    EXPECT_EQ(records[0].file.fileName, "DPDFTL");
    EXPECT_EQ(records[0].file.defaultExt, "txt");
    EXPECT_EQ(records[0].file.filter, "*.txt");
    EXPECT_EQ(records[0].file.folder, logic.FolderText());
    std::ifstream in(folder_.file("out.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "<0500>00\r\n<0510>01\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);
}

}  // namespace
}  // namespace qx::test
