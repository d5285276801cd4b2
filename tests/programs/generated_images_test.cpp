// The synthetic images the build places beside the programs read as the
// station expects: intact, tagged, versioned, and a system firmware under
// the name the station builds for a part.
#include <gtest/gtest.h>

#include <filesystem>

#include "programs/program_fixture.h"
#include "qxlib/programs/bin_file_header.h"
#include "qxlib/programs/image_files.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/programs/sys_bin_header.h"

namespace qx::test {
namespace {

std::string BinFile(const char* name) { return std::string(QX_BIN_DIR) + "/" + name; }

TEST(GeneratedImages, ProgramsAreTaggedVersionedAndIntact) {
    struct Case {
        const char* name;
        const char* tag;
    };
    for (const Case& c : {Case{"GDP.bin", "GDP_"}, Case{"satatest.bin", "TST_"}}) {
        const std::string path = BinFile(c.name);
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_EQ(ReadFileTextAt(path, 768, 4), c.tag);
        EXPECT_EQ(ReadFileTextAt(path, 772, 6).size(), 6u);
        EXPECT_TRUE(CheckBinFileChecksum(path)) << c.name;
        EXPECT_LE(GetFileSizeByStat(path), 128u * 1024);
    }
}

TEST(GeneratedImages, SystemFirmwareCarriesItsHeaderPage) {
    const std::string firmware = BinFile("SYS_S.bin");
    ASSERT_TRUE(std::filesystem::exists(firmware));
    EXPECT_TRUE(CheckBinFileChecksum(firmware));
    char page[2049];
    ASSERT_TRUE(ReadFileBytesAt(firmware, 0, 2048, page));
    EXPECT_TRUE(IsSysBinHeaderPage(std::span(reinterpret_cast<const std::uint8_t*>(page), 2048)));

    SetGdpImagePath(BinFile("GDP.bin"));
    ReadBinFileHeader(firmware);
    const FirmwareFileTexts texts = CurrentFirmwareFileTexts();
    EXPECT_EQ(texts.HeaderModel, "849");
    EXPECT_EQ(texts.HeaderVariant, "43");
    EXPECT_EQ(CurrentRemapShape().Bytes(), 384u);
    EXPECT_TRUE(CheckGdpVersionSupport());   // new enough for the flash auto-detect
    SetGdpImagePath("");
}

TEST(GeneratedImages, SystemFirmwareExistsUnderTheNameOfAListedPart) {
    // Part "WBE" of the sample list (type word 0x1849, toggle interface) on 4
    // channels and 2 banks.
    EXPECT_TRUE(std::filesystem::exists(BinFile("SYS_TSEF.bin")));
    EXPECT_TRUE(CheckBinFileChecksum(BinFile("SYS_TSEF.bin")));
}

}  // namespace
}  // namespace qx::test
