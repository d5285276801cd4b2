// Where the port panels stand in the scroll box: a grid filled column after
// column, as many panels to a column as fit the box's height, every panel the
// template panel's size. Only panels built at start (at most 50) are placed.
#pragma once

#include <optional>
#include <vector>

namespace qx::station {

inline constexpr int kMaxPanels = 50;

struct PanelRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const PanelRect&) const = default;
};

// The scroll box's ranges: the right and bottom edges of the panels placed.
struct ScrollRange {
    int Horizontal = 0;
    int Vertical = 0;
    void Raise(const PanelRect& panel);
    bool operator==(const ScrollRange&) const = default;
};

struct PanelPlacement {
    std::vector<PanelRect> Panels;   // by port index
    ScrollRange Range;
};

// Panels a loop over the ports may touch: min(portCount, builtPanels, 50).
int PanelLoopCount(int portCount, int builtPanels = kMaxPanels);

// Box height over panel height; 0 when not even one fits (or a size is not
// positive).
int GridRows(int boxHeight, int panelHeight);

// Port i at column i / rows, row i % rows.
PanelRect GridPosition(int port, int rows, int panelWidth, int panelHeight);

// The grid at start: at least one row, however short the box.
PanelPlacement BuildPanelGrid(int portCount, int boxHeight, int panelWidth, int panelHeight);

// "Reset Layout" and every resize: nothing while the panels are pinned or when
// no row fits the box; otherwise the built panels go back to the grid.
std::optional<PanelPlacement> ResetLayout(bool pinned, int portCount, int builtPanels, int boxHeight, int panelWidth,
                                          int panelHeight);

}  // namespace qx::station
