#include "station/panels/panel_drawing.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/named_mutex.h"
#include "qxlib/error_items/error_items.h"
#include "qxlib/settings/global_parameter.h"
#include "station/panels/panel_grid.h"

namespace qx::station {
namespace {

constexpr std::size_t kTemperatureStep = kItemCheckTemperature;

std::string Format(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string FailText(const PortRecord& r) {
    const std::string code(ErrorItemCode(r.DisplayCode));
    if (r.BadUnitCount >= 2) return Format("Fail (%s)(- -)", code.c_str());
    if (r.BadUnitCount == 1) return Format("Fail (%s)(%2.2d)", code.c_str(), r.BadUnitIndex);
    if (r.StepStatus[kTemperatureStep] == kStepFailed) {
        return Format("Fail (%s), Temperature:%d", code.c_str(), static_cast<int>(r.Temperature));
    }
    const std::string step(ErrorItemStepName(r.DisplayCode));
    return Format("(%s) %s Fail", code.c_str(), step.c_str());
}

void BookYield(PortRecord& r, GlobalParameter& settings) {
    if (r.PendingYield == 1) {
        ++settings.TotalTestCount;
        ++settings.NumberOfPass;
    } else if (r.PendingYield == -1) {
        ++settings.TotalTestCount;
    }
    if (r.PendingYield == 1 || r.PendingYield == -1) r.PendingYield = 0;
}

}  // namespace

PanelDrawing DrawPortPanel(int port, const PortRecord& r, const CapacityAfterPass& capacityAfterPass) {
    PanelDrawing d;
    if (!r.Connected) {
        // A USB device that is not one of our drives: named, but left hidden.
        if (r.Present) d.caption = "Not QX";
        return d;
    }
    d.visible = true;
    d.color = kPanelYellow;
    std::string status;
    if (r.SerialNumber[0] != '\0') {
        d.serialText = std::string(PortText(r.SerialNumber));
    } else {
        status = Format("%d MB", r.CapacityMB);
        d.resetGauge = true;
    }
    if (r.Wwn[0] != '\0') d.wwnText = std::string(PortText(r.Wwn));
    if (r.OverallResult == kResultPass) {
        status = "Pass";
        d.color = kPanelLime;
        if (capacityAfterPass) status = Format("Pass - %d MB", capacityAfterPass(port));
    }
    if (r.OverallResult == kResultFail) {
        d.color = kPanelRed;
        status = FailText(r);
    }
    if (!status.empty()) d.caption = status;
    return d;
}

std::vector<PanelDrawing> UpdateDrawPanel(std::array<PortRecord, kPortCount>& ports, int portCount, int builtPanels,
                                          GlobalParameter& settings, const CapacityAfterPass& capacityAfterPass) {
    // The rescan holds the same mutex while it redraws; the owner may take it
    // again, and every call takes it, the first included.
    static platform::NamedMutex portScanMutex("QXMPAcess");
    std::lock_guard<platform::NamedMutex> hold(portScanMutex);
    const int count = PanelLoopCount(portCount);
    const int drawn = PanelLoopCount(portCount, builtPanels);
    std::vector<PanelDrawing> drawings;
    for (int i = 0; i < count; ++i) {
        PortRecord& r = ports[static_cast<std::size_t>(i)];
        if (r.Connected) BookYield(r, settings);
        if (i < drawn) drawings.push_back(DrawPortPanel(i, r, capacityAfterPass));
    }
    return drawings;
}

}  // namespace qx::station
