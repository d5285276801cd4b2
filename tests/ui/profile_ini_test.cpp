#include <gtest/gtest.h>

#include "settings/file_bytes.h"
#include "support/temp_dir.h"
#include "ui/profile_ini.h"
#include "ui/profile_ini_editor.h"

namespace qx {
namespace {

TEST(ProfileIni, PlatformRules) {
    const ProfileIni ini = ProfileIni::FromText(
        "top=ignored before any section\r\n"
        "[Vendor]\r\n"
        "  Name00 =  Norvale  \r\n"
        "Name00=Second\r\n"
        "just a line\r\n"
        "Empty=\n"
        "[ other ]\n"
        "Key=a = b\n"
        "[VENDOR]\n"
        "Name01=Later\n"
        "Name00=Third");
    EXPECT_EQ(ini.ReadString("vendor", "NAME00", "No"), "Norvale") << "case-insensitive, trimmed, first wins";
    EXPECT_EQ(ini.ReadString("Vendor", "Name01", "No"), "Later") << "a repeated section adds its keys";
    EXPECT_EQ(ini.ReadString("Vendor", "just a line", "No"), "No");
    EXPECT_EQ(ini.ReadString("Vendor", "Empty", "No"), "");
    EXPECT_TRUE(ini.HasKey("Vendor", "Empty"));
    EXPECT_EQ(ini.ReadString("Other", "key", "No"), "a = b");
    EXPECT_EQ(ini.ReadString("", "top", "No"), "No");
    EXPECT_FALSE(ini.HasKey("Missing", "Name00"));
}

TEST(ProfileIni, MissingFileHasNoKeys) {
    test::TempDir dir;
    EXPECT_EQ(ProfileIni::Load(dir.path() / "none.ini").ReadString("A", "b", "d"), "d");
    test::WriteBytes(dir.file("a.ini"), "[A]\nb=1\n");
    EXPECT_EQ(ProfileIni::Load(dir.file("a.ini")).ReadString("a", "B", "d"), "1");
}

// A folder where the file should be (Style.cs, QXSSD.log, a part list) reads
// as an empty file instead of throwing out of the program.
TEST(ProfileIni, FolderInPlaceOfTheFileHasNoKeys) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("Style.cs"));
    EXPECT_EQ(ProfileIni::Load(dir.file("Style.cs")).ReadString("A", "b", "d"), "d");
    EXPECT_TRUE(ProfileIniEditor::Load(dir.file("Style.cs")).Text().empty());
}

}  // namespace
}  // namespace qx
