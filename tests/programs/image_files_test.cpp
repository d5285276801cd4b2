#include <gtest/gtest.h>

#include <fstream>

#include "programs/program_fixture.h"
#include "qxlib/programs/bin_file_header.h"
#include "qxlib/programs/image_files.h"
#include "qxlib/programs/program_paths.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

class ImageFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir_.file(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    TempDir dir_;
};

TEST_F(ImageFiles, ChecksumRule) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool intact;
    };
    const Case cases[] = {
        {"pair", Hex("A5 00"), true},
        {"summed", Hex("80 40 A5 40"), true},          // 0x80 + 0x40 + 0x40 = 256
        {"last A5", Hex("00 00 A5"), false},           // the kept byte is the one before the last
        {"last A5 only", Hex("00 01 A5"), false},
        {"sum off", Hex("01 A5 00"), false},
        {"one byte", Hex("A5"), false},
        {"empty", Bytes{}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckBinFileChecksum(Write(c.name, c.bytes)), c.intact) << c.name;
    EXPECT_FALSE(CheckBinFileChecksum(dir_.file("missing")));
    EXPECT_FALSE(CheckBinFileChecksum(dir_.path().string()));   // a folder is no file
}

TEST_F(ImageFiles, BytesPastTheEndReadAsFF) {
    const std::string path = Write("f", Hex("01 02 03 04"));
    char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    ASSERT_TRUE(ReadFileBytesAt(path, 2, 4, buffer));
    EXPECT_EQ(Bytes(buffer, buffer + 5), Hex("03 04 FF FF 00"));
    ASSERT_TRUE(ReadFileBytesAt(path, 100, 2, buffer));
    EXPECT_EQ(Bytes(buffer, buffer + 3), Hex("FF FF 00"));
    EXPECT_FALSE(ReadFileBytesAt(path, 0, 6, buffer));                  // no room for the NUL
    EXPECT_FALSE(ReadFileBytesAt(dir_.file("missing"), 0, 2, buffer));
    EXPECT_EQ(ReadFileTextAt(path, 0, 2), "\x01\x02");
    EXPECT_EQ(ReadFileTextAt(dir_.file("missing"), 0, 2), "");
}

TEST_F(ImageFiles, SizesAndNumbers) {
    EXPECT_EQ(GetFileSizeByStat(Write("k", Bytes(1024))), 1024u);
    EXPECT_EQ(GetFileSizeInKB(dir_.file("k")), 1u);
    EXPECT_EQ(GetFileSizeInKB(Write("k1", Bytes(1025))), 2u);
    EXPECT_EQ(GetFileSizeInKB(dir_.file("missing")), 0u);
    EXPECT_EQ(StrToLong("103000"), 103000);
    EXPECT_EQ(StrToLong("03x1"), 3);
    EXPECT_EQ(StrToLong("x1"), 0);
}

// The diagnostic program image's version gate.
TEST_F(ImageFiles, ProgramVersionGate) {
    struct Case {
        const char* version;
        const char* number;
        bool supported;
    };
    const Case cases[] = {
        {"100000", "4901", false},   // family 849, minor 0
        {"103000", "4901", true},
        {"102999", "4901", false},
        {"102000", "1801", true},    // family 818, minor 2
        {"101000", "1801", false},
        {"109000", "4301", false},   // no gate for other families
        {"1", "4901", false},        // a version too short to hold a minor
        {"1x3000", "4901", false},
    };
    const std::string firmware = Write("SYS_TEST.bin", Bytes(1024, 0));
    for (const Case& c : cases) {
        Bytes image(1024, 0);
        std::copy_n(c.version, std::strlen(c.version), image.begin() + 772);
        std::copy_n(c.number, 4, image.begin() + 800);
        SetGdpImagePath(Write("GDP.bin", image));
        ReadBinFileHeader(firmware);
        EXPECT_EQ(CheckGdpVersionSupport(), c.supported) << c.version << " " << c.number;
    }
    // A missing or short program is not supported.
    SetGdpImagePath(dir_.file("missing.bin"));
    ReadBinFileHeader(firmware);
    EXPECT_FALSE(CheckGdpVersionSupport());
    SetGdpImagePath(Write("short.bin", Bytes(774, '0')));
    ReadBinFileHeader(firmware);
    EXPECT_FALSE(CheckGdpVersionSupport());
    SetGdpImagePath("");
}

TEST_F(ImageFiles, FirmwareTextsOfTheChosenFile) {
    Bytes file(1024, 0);
    std::copy_n("102345", 6, file.begin() + 774);
    std::copy_n("818", 3, file.begin() + 804);
    std::copy_n("07", 2, file.begin() + 809);
    ReadBinFileHeader(Write("SYS.bin", file));
    const FirmwareFileTexts texts = CurrentFirmwareFileTexts();
    EXPECT_EQ(texts.HeaderFwVersion, "102345");
    EXPECT_EQ(texts.HeaderModel, "818");
    EXPECT_EQ(texts.HeaderVariant, "07");
}

}  // namespace
}  // namespace qx::test
