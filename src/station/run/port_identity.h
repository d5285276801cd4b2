// Where each started drive's serial number, WWN and PPID come from, as the
// run controller asks at its fixed points of a run. The bar-code and MES
// entry implements it (StationIdentity hands it to IdentitySteps).
#pragma once

#include <string>
#include <vector>

#include "station/views/station_view.h"

namespace qx::station {

class PortIdentity {
public:
    virtual ~PortIdentity() = default;
    // With [Setting] EnUpdateFirmwareMode: each connected drive's own serial.
    virtual void ReadDriveSerials() = 0;
    // With [ReMP] EnReMPSN: the first connected port without its fixed
    // serial (0-based), or -1 when none lacks one.
    virtual int CheckReMPSerials() = 0;
    virtual void TakeQueuedSerial(bool rebuildOnly) = 0;
    virtual void AssignPortIdentity(int port) = 0;
    virtual void AdvanceSerialNumbers(bool rebuildOnly, const RunControls& controls) = 0;
    virtual void RebuildSnReuseQueue(const std::vector<std::string>& failedSerials) = 0;
    // The serial number scanned for a port (empty when none).
    virtual std::string PortBarcodeSerial(int port) const = 0;
    // A run starts in the shared bar-code mode.
    virtual void SetBarcodeEntered() = 0;
};

}  // namespace qx::station
