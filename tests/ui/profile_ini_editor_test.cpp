#include <gtest/gtest.h>

#include "settings/file_bytes.h"
#include "support/temp_dir.h"
#include "ui/profile_ini.h"
#include "ui/profile_ini_editor.h"

namespace qx {
namespace {

TEST(ProfileIniEditor, ReplacesInPlaceAddsAtTheSectionEndKeepsTheRest) {
    ProfileIniEditor ini = ProfileIniEditor::FromText(
        "; layout\n"
        "[Style]\n"
        "PortPanel0=Left 0 Top 0 Width 1 Height 1\n"
        "[main]\n"
        "LEFT=5\n"
        "Other=keep\n"
        "\n"
        "[Extra]\n"
        "a=b\n");
    ini.EraseSection("style");
    ini.WriteInteger("Main", "Left", 7);
    ini.WriteInteger("Main", "Top", -3);
    ini.WriteString("Style", "PortPanel0", "Left 1 Top 2 Width 3 Height 4");
    EXPECT_EQ(ini.Text(),
              "; layout\r\n"
              "[main]\r\n"
              "Left=7\r\n"
              "Other=keep\r\n"
              "Top=-3\r\n"
              "\r\n"
              "[Extra]\r\n"
              "a=b\r\n"
              "[Style]\r\n"
              "PortPanel0=Left 1 Top 2 Width 3 Height 4\r\n");
}

TEST(ProfileIniEditor, SaveReplacesTheFileWholeAndReadsBack) {
    test::TempDir dir;
    const auto file = dir.path() / "QXSSD.log";
    ProfileIniEditor ini = ProfileIniEditor::Load(file);
    ini.WriteInteger("TestRecord", "TotalTestCount", 12);
    ASSERT_TRUE(ini.Save(file));
    EXPECT_EQ(test::ReadBytes(file), "[TestRecord]\r\nTotalTestCount=12\r\n");
    EXPECT_EQ(ProfileIni::Load(file).ReadInteger("testrecord", "totaltestcount", 0), 12);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".new"));
    EXPECT_FALSE(ini.Save(dir.path() / "no" / "folder.ini"));
}

TEST(ProfileIni, IntegerConversion) {
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"12", 12}, {"-7", -7}, {"+7", 7}, {"0x1F", 31}, {"X1f", 31}, {"$10", 16}, {"0xFFFFFFFF", -1},
        {"2147483647", 2147483647}, {"2147483648", std::nullopt}, {"", std::nullopt}, {"12a", std::nullopt},
        {"0x", std::nullopt}, {" 1", std::nullopt}, {"0x100000000", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseProfileInteger(c.text), c.value) << c.text;
    const ProfileIni ini = ProfileIni::FromText("[Main]\nLeft=abc\nTop=$20\n");
    EXPECT_EQ(ini.ReadInteger("Main", "Left", 9), 9);
    EXPECT_EQ(ini.ReadInteger("Main", "Top", 9), 32);
    EXPECT_EQ(ini.ReadInteger("Main", "Width", 600), 600);
}

}  // namespace
}  // namespace qx
