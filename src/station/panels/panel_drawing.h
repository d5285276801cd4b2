// What a port panel shows after a device refresh or a run, as a function of
// the port's record: colour, visibility, status caption and the two edits.
// The redraw also books each finished drive into the yield counters, once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "qxlib/discovery/port_record.h"

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

// Colours as 0x00BBGGRR; the button face is the system colour's code.
inline constexpr std::uint32_t kPanelButtonFace = 0xFF00000F;
inline constexpr std::uint32_t kPanelYellow = 0x0000FFFF;
inline constexpr std::uint32_t kPanelLime = 0x0000FF00;
inline constexpr std::uint32_t kPanelRed = 0x000000FF;

struct PanelDrawing {
    bool visible = false;                    // the panel and its "?" button
    std::uint32_t color = kPanelButtonFace;
    std::optional<std::string> caption;      // nullopt: the caption keeps its text
    std::optional<std::string> serialText;   // nullopt: the edit keeps its text
    std::optional<std::string> wwnText;
    bool resetGauge = false;                 // step gauge back to 0
    bool operator==(const PanelDrawing&) const = default;
};

// The drive's capacity in MB after leaving its loader, asked only for a port
// that passed while [Setting] EnShowCapacityAfterMPPass is set.
using CapacityAfterPass = std::function<int(int port)>;

// One panel. capacityAfterPass is empty unless the setting asks for it.
PanelDrawing DrawPortPanel(int port, const PortRecord& record, const CapacityAfterPass& capacityAfterPass);

// The whole redraw under the named mutex "QXMPAcess": books PendingYield of
// every connected port below min(portCount, 50) into the yield counters of
// `settings` (clearing it), and returns the drawings of the panels built at
// start (at most builtPanels).
std::vector<PanelDrawing> UpdateDrawPanel(std::array<PortRecord, kPortCount>& ports, int portCount, int builtPanels,
                                          GlobalParameter& settings, const CapacityAfterPass& capacityAfterPass);

}  // namespace qx::station
