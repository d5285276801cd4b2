// The settings that make the station ask a person during its start or its
// rounds: the title dialog's first serial number, the work order, and the
// bar codes scanned for each drive. Without a display nobody can answer, so
// the station ends before any round instead of waiting for ever or giving
// every drive the same empty code.
#pragma once

#include <string>
#include <vector>

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

// "[Setting] EnBarCode" and so on, in the order the station would ask;
// empty when a run needs nobody. workOrder: [Setting] EnableWorkOrder.
std::vector<std::string> SettingsNeedingOperator(const GlobalParameter& settings, bool workOrder);

// The one console line that names them.
std::string NeedsOperatorText(const std::vector<std::string>& settings);

}  // namespace qx::station
