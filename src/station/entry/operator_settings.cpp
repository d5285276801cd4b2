#include "station/entry/operator_settings.h"

#include "qxlib/settings/global_parameter.h"

namespace qx::station {

std::vector<std::string> SettingsNeedingOperator(const GlobalParameter& s, bool workOrder) {
    std::vector<std::string> names;
    // The title dialog asks for the first serial number before the window.
    if (s.ShowTitle) names.emplace_back("[Setting] ShowTitle");
    if (workOrder) names.emplace_back("[Setting] EnableWorkOrder");
    // A code nobody scans stays empty on every port: in shared mode as well,
    // since each port copies the shared code nobody entered.
    if (s.EnBarCode) names.emplace_back("[Setting] EnBarCode");
    if (s.EnPPID) names.emplace_back("[Setting] EnPPID");
    if (s.EnBarCodeWWN) names.emplace_back("[Setting] EnBarCodeWWN");
    return names;
}

std::string NeedsOperatorText(const std::vector<std::string>& settings) {
    std::string list;
    for (const std::string& name : settings) list += (list.empty() ? "" : ", ") + name;
    return "Fablane: " + list + " needs an operator, and nobody can answer without a display: no round was started";
}

}  // namespace qx::station
