// The flash keeps one copy per distinct page content, and the rack's state
// files keep it that way: pages that share a content stay apart when one of
// them is programmed again or erased, old state files still load, and a
// save writes only the drives that changed.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "sim/rack/state_file.h"
#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

namespace fs = std::filesystem;

TEST(PageStore, PagesOfOneContentShareItAndStayApart) {
    Nand nand(4096);
    const Bytes table(4096, 0x3C);
    for (std::uint8_t ch = 0; ch < 4; ++ch)
        for (std::uint16_t page = 0; page < 64; ++page) nand.Program({ch, 0, 7, page}, table);
    EXPECT_EQ(nand.Pages().size(), 256u);
    EXPECT_EQ(nand.DistinctContents(), 1u);

    // Programming one page again clears bits of that page alone.
    nand.Program({1, 0, 7, 5}, Bytes(16, 0x0C));
    Bytes out(4096);
    nand.Read({1, 0, 7, 5}, out);
    EXPECT_EQ(out[0], 0x0C);
    EXPECT_EQ(out[16], 0x3C);
    nand.Read({1, 0, 7, 6}, out);
    EXPECT_EQ(out, table);
    EXPECT_EQ(nand.DistinctContents(), 2u);

    // Erasing channel 0's block leaves the others' copies.
    nand.Erase(0, 0, 7);
    EXPECT_TRUE(nand.IsErased({0, 0, 7, 6}));
    nand.Read({2, 0, 7, 6}, out);
    EXPECT_EQ(out, table);

    // A page programmed to all ones is erased, and holds nothing.
    nand.Program({3, 0, 9, 0}, Bytes(4096, 0xFF));
    EXPECT_TRUE(nand.IsErased({3, 0, 9, 0}));
    for (std::uint8_t ch = 1; ch < 4; ++ch) nand.Erase(ch, 0, 7);
    EXPECT_EQ(nand.DistinctContents(), 0u);
}

std::string FileText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(PageStore, StateFileKeepsSharedPagesAndReadsTheOldLayout) {
    Folder folder;
    DriveConfig cfg;
    cfg.state = ControllerState::Loader;
    cfg.binFiles = 0;   // blank code blocks: the flash holds only what the test programs
    SimRack rack;
    SimDrive& d = rack.AddDrive("x", cfg);
    for (std::uint16_t page = 0; page < 200; ++page) d.Model().nand.Program({0, 0, 3, page}, Bytes(4096, 0x11));
    d.Model().nand.Program({1, 0, 3, 0}, Bytes(4096, 0x22));
    std::string error;
    ASSERT_TRUE(rack.SaveState(folder.str(), &error)) << error;
    // Two contents on the disk, not 201 pages of them.
    EXPECT_LT(fs::file_size(folder / "drive01.state"), 3 * 4096 + 201 * 16u);
    auto loaded = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(loaded) << error;
    const Nand& nand = loaded->Find("x")->Model().nand;
    EXPECT_EQ(nand.Pages(), d.Model().nand.Pages());
    EXPECT_EQ(nand.DistinctContents(), 2u);

    // The layout before shared contents: one record per page with its bytes.
    std::string old("QXDRIVE1", 8);
    old += 'M';
    old += std::string("\0\0\x10\0\0\0\0\0\0\0\0\0\0", 13);
    old += 'N';
    old += std::string("\x05\0\0\0\0\0\0\0", 8);   // channel 0, CE 0, block 0, page 5
    old += std::string("\x02\0\0\0", 4);
    old += "\x12\x34";
    std::ofstream(folder / "drive01.state", std::ios::binary | std::ios::trunc) << old;
    loaded = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(loaded) << error;
    Bytes page(4);
    loaded->Find("x")->Model().nand.Read({0, 0, 0, 5}, page);
    EXPECT_EQ(page, (Bytes{0x12, 0x34, 0xFF, 0xFF}));

    // A reference to a content the file never gave is a damaged file.
    std::string bad("QXDRIVE2", 8);
    bad += 'n';
    bad += std::string("\x05\0\0\0\0\0\0\0", 8);
    bad += std::string("\x00\0\0\0", 4);
    std::ofstream(folder / "drive01.state", std::ios::binary | std::ios::trunc) << bad;
    EXPECT_FALSE(SimRack::LoadFolder(folder.str(), &error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
}

TEST(PageStore, ASaveWritesOnlyTheDrivesThatChanged) {
    Folder folder, other;
    SimRack rack;
    rack.AddDrive("a", DriveConfig{});
    SimDrive& b = rack.AddDrive("b", DriveConfig{});
    std::string error;
    ASSERT_TRUE(rack.SaveState(folder.str(), &error)) << error;
    const std::string marker = "left alone";
    std::ofstream(folder / "drive01.state", std::ios::trunc) << marker;
    std::ofstream(folder / "drive02.state", std::ios::trunc) << marker;

    b.WriteUserSectors(9, Bytes(512, 0x5A));
    ASSERT_TRUE(rack.SaveState(folder.str(), &error)) << error;
    EXPECT_EQ(FileText(folder / "drive01.state"), marker) << "unchanged: not written";
    EXPECT_NE(FileText(folder / "drive02.state"), marker);

    // A request is a change too.
    {
        ScopedRack scoped(rack);
        EXPECT_EQ(SendScsi("a", {0x00, 0, 0, 0, 0, 0}).error, 0);
    }
    ASSERT_TRUE(rack.SaveState(folder.str(), &error)) << error;
    EXPECT_NE(FileText(folder / "drive01.state"), marker);

    // Another folder gets every drive.
    ASSERT_TRUE(rack.SaveState(other.str(), &error)) << error;
    EXPECT_TRUE(fs::exists(other / "drive01.state"));
    EXPECT_TRUE(fs::exists(other / "drive02.state"));

    // A rack read from the folder saves nothing it did not change.
    auto loaded = SimRack::LoadFolder(folder.str(), &error);
    ASSERT_TRUE(loaded) << error;
    std::ofstream(folder / "drive01.state", std::ios::trunc) << marker;
    ASSERT_TRUE(loaded->SaveState(folder.str(), &error)) << error;
    EXPECT_EQ(FileText(folder / "drive01.state"), marker);
}

}  // namespace
}  // namespace qx::sim::test
