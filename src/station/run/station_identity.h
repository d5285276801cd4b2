// The run's identities from the station's identity steps: the settings'
// counter and UID, scanned bar codes, the MES, the fixed [ReMP] serials and
// the reuse queue of failed serials.
#pragma once

#include "station/identity/identity_steps.h"
#include "station/run/port_identity.h"

namespace qx::station {

class StationIdentity final : public PortIdentity {
public:
    explicit StationIdentity(IdentitySteps& steps) : steps_(steps) {}
    void ReadDriveSerials() override { steps_.ReadDriveSerials(); }
    int CheckReMPSerials() override { return steps_.CheckReMPSerials(); }
    void TakeQueuedSerial(bool rebuildOnly) override { steps_.TakeQueuedSerial(rebuildOnly); }
    void AssignPortIdentity(int port) override { steps_.AssignPortIdentity(port); }
    void AdvanceSerialNumbers(bool rebuildOnly, const RunControls& controls) override {
        steps_.AdvanceSerialNumbers(rebuildOnly, controls);
    }
    void RebuildSnReuseQueue(const std::vector<std::string>& failedSerials) override {
        steps_.RebuildSnReuseQueue(failedSerials);
    }
    std::string PortBarcodeSerial(int port) const override { return steps_.PortBarcodeSerial(port); }
    void SetBarcodeEntered() override { steps_.SetBarcodeEntered(); }

private:
    IdentitySteps& steps_;
};

}  // namespace qx::station
