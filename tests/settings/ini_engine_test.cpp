#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

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

TEST(IniEngine, FolderInPlaceOfTheFileLoadsAsEmpty) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("Setting.ini"));
    IniText ini("[A]\nx=1\n");
    EXPECT_EQ(ini.IniLoadFile(dir.file("Setting.ini")), 1);
    EXPECT_EQ(ini.Text(), "");
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
    IniText fresh;
    fresh.IniSetString("A", "x", "2");
    EXPECT_EQ(fresh.Text(), "[A]\nx=2\n");
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

    EXPECT_EQ(ini.IniSaveFile(dir.path() / "no-such-folder" / "x.ini"), 0) << "a file not written says so";
}

// The engine's rules stated the slow way: every get scans the text from the
// top, every set rebuilds it line by line. The engine answers from an index
// and must agree with this on any text.
class ScanningIni {
public:
    explicit ScanningIni(std::string text) : text_(std::move(text)) {}
    const std::string& Text() const { return text_; }

    bool Find(const std::string& section, const std::string& key, std::string& value) const {
        std::size_t cursor = 0;
        std::string line;
        bool in = false;
        while (IniReadLine(text_, cursor, line)) {
            if (!in) {
                in = line == "[" + section + "]";
            } else if (!line.empty() && line[0] == '[') {
                return false;
            } else if (IniIsKeyLine(line, key)) {
                value = line.substr(line.find('=') + 1);
                return true;
            }
        }
        return false;
    }

    void Set(const std::string& section, const std::string& key, const std::string& value) {
        const std::string header = "[" + section + "]", keyLine = key + "=" + value;
        std::string out;
        const auto put = [&out](const std::string& l) { out += l + "\n"; };
        if (text_.empty()) {
            text_ = header + "\n" + keyLine + "\n";
            return;
        }
        std::size_t cursor = 0;
        std::string line;
        bool in = false, written = false;
        while (IniReadLine(text_, cursor, line)) {
            if (written || !in) {
                put(line);
                in = in || line == header;
            } else if (IniIsKeyLine(line, key)) {
                put(keyLine);
                written = true;
            } else if (!line.empty() && line[0] == '[') {
                put(keyLine);
                put(line);
                written = true;
            } else {
                put(line);
            }
        }
        if (!written) {
            if (!in) {
                put("");
                put(header);
            }
            put(keyLine);
        }
        text_ = out;
    }

private:
    std::string text_;
};

// Texts made of the lines that test the rules: repeated sections, keys that
// begin other keys, blanks before "=", "=" in keys, carriage returns, lines
// that are no key, a last line without a line feed.
TEST(IniEngine, IndexAgreesWithScanningTheText) {
    const std::vector<std::string> sections = {"A", "B", "a", "A B", ""};
    const std::vector<std::string> keys = {"x", "xy", "x ", "x=y", "", " x", "UID", "UIDAutoInc", "y\t"};
    const std::vector<std::string> lines = {
        "[A]", "[B]", "[a]", "[A B]", "[]", "[A", "x=1", "xy=2", "x =3", "x\t=4", "x=y=5", "=6", " x=7", "UID=8",
        "UIDAutoInc=9", "y\t=10", "noequals", "", ";x=comment", "x=1\r", "z= 11 ",
    };
    std::mt19937 random(20261211);
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int count = std::uniform_int_distribution<int>(0, 14)(random);
        for (int i = 0; i < count; ++i) text += pick(lines) + (i + 1 < count || random() % 2 ? "\n" : "");
        IniText ini(text);
        ScanningIni slow(text);
        for (int op = 0; op < 12; ++op) {
            const std::string section = pick(sections), key = pick(keys);
            if (random() % 3 == 0) {
                const std::string value = std::to_string(op);
                ini.IniSetString(section, key, value);
                slow.Set(section, key, value);
                ASSERT_EQ(ini.Text(), slow.Text()) << "after setting [" << section << "] '" << key << "' in\n" << text;
            }
            std::string expected;
            const bool found = slow.Find(section, key, expected);
            ASSERT_EQ(ini.HasKey(section, key), found) << "[" << section << "] '" << key << "' in\n" << slow.Text();
            EXPECT_EQ(ini.IniGetString(section, key, "none"), found ? expected : "none");
        }
    }
}

// A settings file of 16 MB with one line of 16 MB: read in one pass, its
// keys still found, and written back whole.
TEST(IniEngine, HugeFileAndHugeLine) {
    test::TempDir dir;
    const std::string huge(16u << 20, 'h');
    std::string text = "[Setting]\r\nLong=" + huge + "\r\n[Filler]\r\n";
    for (int i = 0; i < 20000; ++i) text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    text += "[Setting]\r\nLate=1\r\n[Last]\r\nx=5";
    WriteBytes(dir.file("huge.ini"), text);

    IniText ini;
    ini.IniLoadFile(dir.file("huge.ini"));
    EXPECT_EQ(ini.IniGetString("Setting", "Long", "").size(), huge.size());
    EXPECT_EQ(ini.IniGetInt("Filler", "Key19999", -1), 19999);
    EXPECT_EQ(ini.IniGetInt("Setting", "Late", -1), -1) << "only the first [Setting] is searched";
    EXPECT_EQ(ini.IniGetInt("Last", "x", -1), 5);

    ini.IniSaveFile(dir.file("same.ini"));
    EXPECT_EQ(ReadBytes(dir.file("same.ini")), text);
    ini.IniSetInt("Filler", "Key0", 7);
    ini.IniSetInt("Setting", "New", 1);
    ini.IniSaveFile(dir.file("changed.ini"));
    IniText again;
    again.IniLoadFile(dir.file("changed.ini"));
    EXPECT_EQ(again.IniGetInt("Filler", "Key0", -1), 7);
    EXPECT_EQ(again.IniGetInt("Setting", "New", -1), 1);
    EXPECT_EQ(again.IniGetString("Setting", "Long", ""), huge);
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
