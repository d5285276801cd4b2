#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "station/engineering/key_file.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::station {
namespace {

ByteGenerator Counting(std::uint8_t start) {
    return [n = start]() mutable { return n++; };
}

bool IsKeyPosition(std::size_t k) { return k >= 20 && k <= 66 && k % 2 == 0; }

struct KeyCase {
    std::string text;
    std::string key;   // the 24 characters the file carries, zero padded
};

TEST(KeyFile, KeyBytesAndFiller) {
    const std::vector<KeyCase> cases = {
        {"", std::string(24, '\0')},
        {"AB1", std::string("AB1") + std::string(21, '\0')},
        {"0123456789abcdefghijklmnXYZ", "0123456789abcdefghijklmn"},
    };
    for (const KeyCase& c : cases) {
        const KeyFileImage image = BuildKeyFileImage(c.text, Counting(7));
        for (std::size_t i = 0; i < 24; ++i)
            EXPECT_EQ(image[20 + 2 * i], static_cast<std::uint8_t>(((static_cast<std::uint8_t>(c.key[i]) + i) & 0xFF) ^ 0xFF))
                << c.text << " at " << i;
        for (std::size_t k = 0; k < kKeyFileSize; ++k) {
            if (!IsKeyPosition(k)) {
                EXPECT_EQ(image[k], static_cast<std::uint8_t>(((7 + k + k) & 0xFF) ^ 0xFF)) << k;
            }
        }
    }
    // An empty text: 0xFF, 0xFE, 0xFD ...
    const KeyFileImage empty = BuildKeyFileImage("", Counting(0));
    EXPECT_EQ(empty[20], 0xFF);
    EXPECT_EQ(empty[22], 0xFE);
    EXPECT_EQ(empty[24], 0xFD);
}

TEST(KeyFile, TwoFilesDifferOnlyInFiller) {
    const ByteGenerator gen = ProcessKeyFiller();
    const KeyFileImage a = BuildKeyFileImage("SECRET", gen);
    const KeyFileImage b = BuildKeyFileImage("SECRET", gen);
    int differing = 0;
    for (std::size_t k = 0; k < kKeyFileSize; ++k) {
        if (IsKeyPosition(k)) {
            EXPECT_EQ(a[k], b[k]) << k;
        } else {
            differing += a[k] != b[k];
        }
    }
    EXPECT_GT(differing, 50);
}

TEST(KeyFile, WritesTheImageAndSaysWhere) {
    test::TempDir dir;
    const std::string folder = dir.path().string() + "/";
    ui::ScriptedPrompter p;
    ASSERT_TRUE(WriteKeyFile(folder, "AB", Counting(0), p));
    std::ifstream in(folder + "KeyFile.dat", std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    const KeyFileImage expected = BuildKeyFileImage("AB", Counting(0));
    ASSERT_EQ(bytes.size(), kKeyFileSize);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin(),
                           [](char x, std::uint8_t y) { return static_cast<std::uint8_t>(x) == y; }));
    EXPECT_EQ(p.Texts(), std::vector<std::string>{"Generate the key file (" + folder + "KeyFile.dat) successfully"});
}

TEST(KeyFile, AFileThatCannotBeWrittenIsAnErrorNotASuccess) {
    test::TempDir dir;
    const std::string folder = dir.path().string() + "/missing/";
    ui::ScriptedPrompter p;
    EXPECT_FALSE(WriteKeyFile(folder, "AB", Counting(0), p));
    const auto records = p.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].caption, "Error");
    EXPECT_NE(records[0].text.find(folder + "KeyFile.dat"), std::string::npos);
    EXPECT_EQ(records[0].text.find("successfully"), std::string::npos);
}

}  // namespace
}  // namespace qx::station
