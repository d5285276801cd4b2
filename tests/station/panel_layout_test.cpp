#include <gtest/gtest.h>

#include "settings/file_bytes.h"
#include "station/panels/panel_grid.h"
#include "station/panels/style_layout.h"
#include "support/temp_dir.h"

namespace qx::station {
namespace {

constexpr int kW = 249;   // the template panel
constexpr int kH = 129;

TEST(PanelGrid, ColumnAfterColumn) {
    const PanelPlacement grid = BuildPanelGrid(7, 3 * kH + 50, kW, kH);
    ASSERT_EQ(grid.Panels.size(), 7u);
    EXPECT_EQ(grid.Panels[0], (PanelRect{0, 0, kW, kH}));
    EXPECT_EQ(grid.Panels[2], (PanelRect{0, 2 * kH, kW, kH}));
    EXPECT_EQ(grid.Panels[3], (PanelRect{kW, 0, kW, kH}));
    EXPECT_EQ(grid.Panels[6], (PanelRect{2 * kW, 0, kW, kH}));
    EXPECT_EQ(grid.Range, (ScrollRange{3 * kW, 3 * kH}));
}

TEST(PanelGrid, ShortBoxGivesOneRowAtStartAndResetThenChangesNothing) {
    const PanelPlacement grid = BuildPanelGrid(3, kH - 1, kW, kH);
    EXPECT_EQ(grid.Panels[2], (PanelRect{2 * kW, 0, kW, kH}));
    EXPECT_FALSE(ResetLayout(false, 3, 3, kH - 1, kW, kH));
}

TEST(PanelGrid, ResetOnlyWhenNotPinnedAndOnlyBuiltPanels) {
    EXPECT_FALSE(ResetLayout(true, 4, 4, 10 * kH, kW, kH)) << "pinned";
    // A later rescan found more ports than panels were built at start.
    const auto reset = ResetLayout(false, 9, 4, 2 * kH, kW, kH);
    ASSERT_TRUE(reset);
    EXPECT_EQ(reset->Panels.size(), 4u);
    EXPECT_EQ(reset->Panels[3], (PanelRect{kW, kH, kW, kH}));
    EXPECT_EQ(BuildPanelGrid(60, 10 * kH, kW, kH).Panels.size(), 50u) << "never more than 50 panels";
    EXPECT_EQ(PanelLoopCount(-1), 0);
}

TEST(StyleLayout, PanelValues) {
    struct Case {
        const char* value;
        std::optional<PanelRect> rect;
    };
    const Case cases[] = {
        {"Left 10 Top 20 Width 249 Height 129", PanelRect{10, 20, 249, 129}},
        {"  a -5\tb 0 c 1 d 2   extra words", PanelRect{-5, 0, 1, 2}},   // words unchecked, rest ignored
        {"Left 10 Top 20 Width 249", std::nullopt},                     // three numbers
        {"Left 10 Top 2x0 Width 249 Height 129", std::nullopt},         // one does not convert
        {"Left 10 Top 20 Width 249 Height 99999999999", std::nullopt},  // out of range
        {"LeftLeftLeft 10 Top 20 Width 249 Height 129", std::nullopt},  // a word of 12 characters
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseStylePanelValue(c.value), c.rect) << c.value;
    EXPECT_EQ(FormatStylePanelValue({1, -2, 3, 4}), "Left 1 Top -2 Width 3 Height 4");
    EXPECT_FALSE(ParseStylePanelValue(std::string(300, ' ') + "a 1 b 2 c 3 d 4")) << "bounded";
}

TEST(StyleLayout, LoadSkipsWhatDoesNotApply) {
    test::TempDir dir;
    const auto file = dir.path() / kStyleFileName;
    EXPECT_FALSE(LoadStyleLayout(file, 3)) << "no file: the grid and the design size stay";
    test::WriteBytes(file,
                     "[Style]\r\n"
                     "PortPanel0=Left 500 Top 10 Width 249 Height 129\r\n"
                     "PortPanel1=NULL\r\n"
                     "PortPanel2=Left 1 Top 2\r\n"
                     "PortPanel3=Left 0 Top 0 Width 5000 Height 5000\r\n");
    const auto layout = LoadStyleLayout(file, 3);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->Panels.size(), 3u) << "a key at or above the port count is ignored";
    EXPECT_EQ(layout->Panels[0], (PanelRect{500, 10, 249, 129}));
    EXPECT_FALSE(layout->Panels[1]);
    EXPECT_FALSE(layout->Panels[2]);
    EXPECT_EQ(layout->Range, (ScrollRange{749, 139}));
    EXPECT_EQ(layout->Main, (MainGeometry{0, 0, 600, 600})) << "no [Main]: 600 x 600 at (0, 0)";

    const PanelPlacement placed = ApplyStyleLayout(BuildPanelGrid(3, 10 * kH, kW, kH), *layout);
    EXPECT_EQ(placed.Panels[0], (PanelRect{500, 10, 249, 129}));
    EXPECT_EQ(placed.Panels[2], (PanelRect{0, 2 * kH, kW, kH})) << "stays on the grid";
    EXPECT_EQ(placed.Range, layout->Range);
}

TEST(StyleLayout, SurvivesARestart) {
    test::TempDir dir;
    const auto file = dir.path() / kStyleFileName;
    test::WriteBytes(file, "[Style]\r\nPortPanel7=Left 1 Top 1 Width 1 Height 1\r\n[Keep]\r\nx=1\r\n");
    const std::vector<PanelRect> panels = {{0, 0, 249, 129}, {300, 40, 249, 129}};
    ASSERT_TRUE(SaveStyleLayout(file, panels, {12, 34, 1192, 755}));
    EXPECT_EQ(test::ReadBytes(file),
              "[Keep]\r\nx=1\r\n"
              "[Style]\r\n"
              "PortPanel0=Left 0 Top 0 Width 249 Height 129\r\n"
              "PortPanel1=Left 300 Top 40 Width 249 Height 129\r\n"
              "[Main]\r\nLeft=12\r\nTop=34\r\nWidth=1192\r\nHeight=755\r\n");
    const auto layout = LoadStyleLayout(file, 2);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->Panels[1], panels[1]);
    EXPECT_EQ(layout->Main, (MainGeometry{12, 34, 1192, 755}));
}

}  // namespace
}  // namespace qx::station
