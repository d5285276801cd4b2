#include "station/panels/panel_grid.h"

#include <algorithm>
#include <limits>

namespace qx::station {
namespace {

PanelPlacement Place(int count, int rows, int panelWidth, int panelHeight) {
    PanelPlacement placement;
    for (int i = 0; i < count; ++i) {
        placement.Panels.push_back(GridPosition(i, rows, panelWidth, panelHeight));
        placement.Range.Raise(placement.Panels.back());
    }
    return placement;
}

}  // namespace

namespace {

// An edge whatever the rectangle holds: the sum in 64 bits, held to int.
int FarEdge(int start, int extent) {
    const long long edge = static_cast<long long>(start) + extent;
    return static_cast<int>(std::clamp<long long>(edge, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

void ScrollRange::Raise(const PanelRect& panel) {
    Horizontal = std::max(Horizontal, FarEdge(panel.Left, panel.Width));
    Vertical = std::max(Vertical, FarEdge(panel.Top, panel.Height));
}

int PanelLoopCount(int portCount, int builtPanels) {
    return std::max(0, std::min({portCount, builtPanels, kMaxPanels}));
}

int GridRows(int boxHeight, int panelHeight) {
    if (boxHeight <= 0 || panelHeight <= 0) return 0;
    return boxHeight / panelHeight;
}

PanelRect GridPosition(int port, int rows, int panelWidth, int panelHeight) {
    rows = std::max(rows, 1);
    return {(port / rows) * panelWidth, (port % rows) * panelHeight, panelWidth, panelHeight};
}

PanelPlacement BuildPanelGrid(int portCount, int boxHeight, int panelWidth, int panelHeight) {
    const int rows = std::max(GridRows(boxHeight, panelHeight), 1);
    return Place(PanelLoopCount(portCount), rows, panelWidth, panelHeight);
}

std::optional<PanelPlacement> ResetLayout(bool pinned, int portCount, int builtPanels, int boxHeight, int panelWidth,
                                          int panelHeight) {
    if (pinned) return std::nullopt;
    const int rows = GridRows(boxHeight, panelHeight);
    if (rows == 0) return std::nullopt;
    return Place(PanelLoopCount(portCount, builtPanels), rows, panelWidth, panelHeight);
}

}  // namespace qx::station
