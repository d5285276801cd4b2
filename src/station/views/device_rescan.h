// The station's view of its attached drives, as the run controller needs it:
// the rescan and refresh run on the window thread between runs.
#pragma once

namespace qx::station {

class DeviceRescan {
public:
    virtual ~DeviceRescan() = default;
    // Before a run: vendor feature and mode on every connected port, then
    // matching until the connected count is stable.
    virtual void WaitDevicesReady() = 0;
    virtual void RefreshDevices() = 0;
    virtual int ConnectedCount() const = 0;    // from the last matching
    virtual int LastDeviceCount() const = 0;   // from the last refresh
};

}  // namespace qx::station
