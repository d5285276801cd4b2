// The layout file "Style.cs" beside the program: where each port panel was
// left ([Style] "PortPanel<i>" = "Left l Top t Width w Height h") and the main
// window's place ([Main] Left, Top, Width, Height).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "station/panels/panel_grid.h"

namespace qx::station {

inline constexpr char kStyleFileName[] = "Style.cs";
// Shown with the file's path when the layout could not be saved whole.
inline constexpr char kLayoutWriteFailText[] = "Cannot write the layout file ";

struct MainGeometry {
    int Left = 0;
    int Top = 0;
    int Width = 600;
    int Height = 600;
    bool operator==(const MainGeometry&) const = default;
};

// The file is edited by hand and may be damaged: a position beyond this (either
// sign) or a size beyond it or below 0 is not a place a panel or the window
// was ever left at, and is not taken.
inline constexpr int kMaxLayoutCoordinate = 100000;

// Four words each followed by a decimal integer; the words are not checked
// but hold at most 11 characters. Nothing unless all four numbers convert
// and lie within kMaxLayoutCoordinate.
std::optional<PanelRect> ParseStylePanelValue(std::string_view value);
std::string FormatStylePanelValue(const PanelRect& panel);

struct StyleLayout {
    std::vector<std::optional<PanelRect>> Panels;   // by port index; nullopt: stays on the grid
    ScrollRange Range;                              // of the panels placed from the file
    MainGeometry Main;                              // a missing, unreadable or out-of-bounds key keeps its default
};

// Nothing when the file does not exist. Reads the keys of the first
// min(panelCount, 50) ports only.
std::optional<StyleLayout> LoadStyleLayout(const std::filesystem::path& file, int panelCount);

// The start-up placement once the file is read: panels with a saved place
// move there, the others stay on the grid; the scroll ranges are those of the
// panels placed from the file.
PanelPlacement ApplyStyleLayout(PanelPlacement grid, const StyleLayout& layout);

// Replaces [Style] with one key per built panel (index order) and writes the
// [Main] keys; other sections of the file stay. The file is replaced whole:
// false when it was not, the old layout then kept.
bool SaveStyleLayout(const std::filesystem::path& file, const std::vector<PanelRect>& panels, const MainGeometry& main);

}  // namespace qx::station
