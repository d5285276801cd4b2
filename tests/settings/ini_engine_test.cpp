#include <gtest/gtest.h>

#include <string>

#include "qxlib/settings/ini_engine.h"
#include "qxlib/settings/settings_checksum.h"
#include "settings/file_bytes.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

using test::ReadBytes;
using test::WriteBytes;

TEST(IniEngine, GetsFromTheFirstMatchingSectionAndLine) {
    test::TempDir dir;
    WriteBytes(dir.file("a.ini"), "[A]\r\nx=1\r\ns=text with  blanks \r\n[B]\r\ny=7\r\n[A]\r\nz=9\r\n");
    IniText ini;
    EXPECT_EQ(ini.IniLoadFile(dir.file("a.ini")), 1);
    EXPECT_EQ(ini.IniGetInt("A", "x", 5), 1);
    EXPECT_EQ(ini.IniGetInt("A", "y", 5), 5);
    EXPECT_EQ(ini.IniGetInt("B", "x", 5), 5);
    EXPECT_EQ(ini.IniGetInt("a", "x", 5), 5) << "section names are exact";
    EXPECT_EQ(ini.IniGetInt("A", "z", 5), 5) << "only the first [A] is searched";
    EXPECT_EQ(ini.IniGetString("A", "s", "d"), "text with  blanks ");
    EXPECT_EQ(ini.IniGetString("C", "s", "d"), "d");
}

TEST(IniEngine, MissingFileGivesEmptyTextAndDefaults) {
    test::TempDir dir;
    IniText ini("[A]\nx=1\n");
    EXPECT_EQ(ini.IniLoadFile(dir.file("none.ini")), 1);
    EXPECT_EQ(ini.Text(), "");
    EXPECT_EQ(ini.IniGetInt("A", "x", 5), 5);
}

TEST(IniEngine, IntegerValueForms) {
    struct Case {
        const char* value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"", 5},      {"-12", -12}, {"-", 0},        {"12ab", 12}, {" 5", 0},
        {"0x10", 0},  {"abc", 0},   {"300", 300},    {"4294967297", 1},
    };
    for (const Case& c : cases) {
        IniText ini(std::string("[A]\nx=") + c.value + "\n");
        EXPECT_EQ(ini.IniGetInt("A", "x", 5), c.expected) << "value '" << c.value << "'";
    }
    IniText empty("[A]\nx=\n");
    EXPECT_EQ(empty.IniGetString("A", "x", "d"), "");
    EXPECT_EQ(empty.IniGetInt64("A", "x", 9), 9u);
    EXPECT_EQ(IniText("[A]\nx=-5\n").IniGetInt64("A", "x", 9), 0u);
}

TEST(IniEngine, KeyMatchesOnlyBeforeEqualsSign) {
    IniText ini("[DeviceSetting]\nUIDAutoInc=1\nUID=ABC\n[Setting]\nEnBarCodeWWN=1\nEnBarCode = 0\nnoequals\n");
    EXPECT_EQ(ini.IniGetString("DeviceSetting", "UID", "d"), "ABC");
    EXPECT_EQ(ini.IniGetInt("Setting", "EnBarCode", 5), 0) << "blanks before '=' still match";
    EXPECT_EQ(ini.IniGetString("Setting", "noequals", "d"), "d");

    ini.IniSetString("DeviceSetting", "UID", "XYZ");
    ini.IniSetInt("Setting", "EnBarCode", 1);
    EXPECT_EQ(ini.Text(), "[DeviceSetting]\nUIDAutoInc=1\nUID=XYZ\n[Setting]\nEnBarCodeWWN=1\nEnBarCode=1\nnoequals\n");
}

TEST(IniEngine, SetRebuildsTheText) {
    struct Case {
        const char* before;
        const char* section;
        const char* key;
        const char* after;
    };
    const Case cases[] = {
        {"", "A", "x", "[A]\nx=2\n"},
        {"[A]\nx=1\n[B]\nz=3\n", "A", "y", "[A]\nx=1\ny=2\n[B]\nz=3\n"},
        {"[A]\nx=1\n[B]\nz=3\n", "A", "x", "[A]\nx=2\n[B]\nz=3\n"},
        {"[A]\nx=1\n[B]\nz=3\n", "C", "x", "[A]\nx=1\n[B]\nz=3\n\n[C]\nx=2\n"},
        {"[A]\r\n;note\r\nx=1", "A", "y", "[A]\n;note\nx=1\ny=2\n"},
        {"; head\n[A]\nx=1\n\n[B]\n", "B", "q", "; head\n[A]\nx=1\n\n[B]\nq=2\n"},
        // A last line without a line feed is kept, not dropped.
        {"[A]\nx=1\n[C]", "A", "y", "[A]\nx=1\ny=2\n[C]\n"},
        {"[A]\nx=1\n[C]", "C", "y", "[A]\nx=1\n[C]\ny=2\n"},
    };
    for (const Case& c : cases) {
        IniText ini(c.before);
        EXPECT_EQ(ini.IniSetString(c.section, c.key, "2"), 1);
        EXPECT_EQ(ini.Text(), c.after) << "before: " << c.before;
    }
}

TEST(IniEngine, LargeValuesAndTextsHaveNoFixedLimit) {
    IniText ini;
    ini.IniSetInt64("A", "big", std::uint64_t{1} << 40);
    EXPECT_EQ(ini.IniGetString("A", "big", ""), "1099511627776");
    EXPECT_EQ(ini.IniGetInt64("A", "big", 0), std::uint64_t{1} << 40);
    ini.IniSetInt64("A", "max", UINT64_MAX);
    EXPECT_EQ(ini.IniGetInt64("A", "max", 0), UINT64_MAX);

    const std::string longValue(20000, 'v');
    for (int i = 0; i < 300; ++i) ini.IniSetInt("Filler", ("Key" + std::to_string(i)).c_str(), i);
    ini.IniSetString("Z", "long", longValue);
    EXPECT_GT(ini.Text().size(), 16384u);
    EXPECT_EQ(ini.IniGetString("Z", "long", ""), longValue);
    EXPECT_EQ(ini.IniGetInt("Filler", "Key299", -1), 299);
}

TEST(IniEngine, SaveWritesTheCurrentTextWithCrLf) {
    test::TempDir dir;
    const std::string original = "; kept\r\n[A]\r\nx=1\r\n\r\n[B]\r\nforeign=yes\r\n";
    WriteBytes(dir.file("in.ini"), original);
    IniText ini;
    ini.IniLoadFile(dir.file("in.ini"));
    ini.IniSaveFile(dir.file("untouched.ini"));
    EXPECT_EQ(ReadBytes(dir.file("untouched.ini")), original) << "a save without sets writes the loaded text";

    ini.IniSetInt("A", "x", 4);
    ini.IniSaveFile(dir.file("changed.ini"));
    EXPECT_EQ(ReadBytes(dir.file("changed.ini")), "; kept\r\n[A]\r\nx=4\r\n\r\n[B]\r\nforeign=yes\r\n");

    EXPECT_EQ(ini.IniSaveFile(dir.path() / "no-such-folder" / "x.ini"), 1);
}

TEST(SettingsChecksum, Crc32OfBuffersAndFiles) {
    const std::string check = "123456789";
    EXPECT_EQ(CalcCRC32({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xCBF43926u);
    EXPECT_EQ(CalcCRC32({}), 0u);
    EXPECT_EQ(ReflectBits(0x01, 8), 0x80u);
    EXPECT_EQ(ReflectBits(0x12345678, 32), 0x1E6A2C48u);

    test::TempDir dir;
    WriteBytes(dir.file("c.ini"), check);
    EXPECT_EQ(GetFileCRC32(dir.file("c.ini")), 0xCBF43926u);
    EXPECT_EQ(GetFileCRC32(dir.file("missing.ini")), 0u);
}

}  // namespace
}  // namespace qx
