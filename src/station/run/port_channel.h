// Everything a worker changes outside itself goes through its port's
// channel: writes to its port record and its item detail texts (made only
// while the worker is Running, never across a kill), and panel, gauge and
// timer updates posted to the window thread in the order the worker made
// them (dropped there when the port was killed meanwhile).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "qxlib/discovery/port_record.h"
#include "station/run/port_run.h"
#include "station/views/port_view.h"
#include "station/views/station_view.h"

class QObject;

namespace qx::station {

class PortChannel {
public:
    PortChannel(int port, PortRun& run, PortRecord& record, PortView& view, StationView& station, QObject* window);

    int Port() const { return port_; }
    bool Running() const { return run_.Running(); }
    platform::CancelToken& Token() { return run_.Token(); }

    // Port record and item texts.
    bool Record(const std::function<void(PortRecord&)>& write);
    // The first 2,048 bytes of the scratch buffer as the item's detail text.
    bool Detail(int item, std::span<const std::uint8_t> scratch);

    // Panel updates, posted.
    void Caption(const std::string& text, std::uint32_t bgr);
    void Gauge(int which, int percent);
    void CycleText(const std::string& text);
    void SerialText(const std::string& text);
    void WwnText(const std::string& text);
    void ShowRwProgress(bool shown);
    void RwGauge(std::uint32_t maximum, std::uint32_t position, std::uint32_t bgr);

    // The port's watchdog, armed and killed on the window thread.
    void ArmWatchdog(std::uint32_t ms);
    void KillWatchdog();

    // Posted whatever the state: the run controller's poll learns of the end.
    void PostEnded(std::function<void()> call);

private:
    void Post(std::function<void()> call);

    int port_;
    PortRun& run_;
    PortRecord& record_;
    PortView& view_;
    StationView& station_;
    QObject* window_;
};

}  // namespace qx::station
