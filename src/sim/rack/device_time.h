// How long a simulated command takes. By default a command costs nothing on
// the clock, so tests on the virtual clock run at once. With the rack option
// "[rack] device_time=real" every command costs its modelled time on the
// real clock: a fixed turnaround per request plus its data at the link's
// rate, both multiplied by "scale" (default 1), so a benchmark sees what 50
// drives' waiting costs a station.
#pragma once

#include <cstddef>
#include <string>

#include "sim/rack/ini_text.h"

namespace qx::sim {

struct DeviceTimeModel {
    bool real = false;
    double scale = 1.0;
    double busMbps = 0;   // the shared host bus (host_bus.h); 0: none
};

inline constexpr double kTurnaroundMicros = 200.0;    // one request's round trip
inline constexpr double kLinkBytesPerMicro = 40.0;    // 40 MB/s of data

// Set once when a rack is loaded (or by a benchmark); read by every drive.
void SetDeviceTime(const DeviceTimeModel& model);
DeviceTimeModel DeviceTime();

// "device_time" (absent or "none": no cost; "real"), "scale" (0.001..1000)
// and "bus_mbps" (0, or 12..20000) of the [rack] section. False, with a
// reason naming the key, for anything else.
bool DeviceTimeFromIni(const IniSection& rack, DeviceTimeModel& model, std::string* error);

// The modelled time of one request moving bytes of data.
double ModelledMicros(std::size_t bytes, const DeviceTimeModel& model);

// Spends a request's modelled time on the real clock when the option is on.
// Fractions of a millisecond are carried per thread, so many short requests
// cost what they add up to. Gives up early when the worker is cancelled.
void SpendDeviceTime(std::size_t bytes);

}  // namespace qx::sim
