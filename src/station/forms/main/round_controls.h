// The run's controls as the settings area shows them, read once per round.
#pragma once

#include "station/views/station_view.h"

class QWidget;

namespace qx::station {

// GB of CapacityCmBx item index (0: "Don't Care").
int CapacityValueAt(int index);

RunControls ReadRunControlsOf(const QWidget& area);
RoundControls ReadRoundControlsOf(const QWidget& area);

}  // namespace qx::station
