// Identities from the settings alone: each drive takes [DeviceSetting]
// SerialNum and UID, which step by one after each started drive when the
// check boxes ask; a port's fixed [ReMP] serial wins when that is on.
#pragma once

#include "qxlib/settings/global_parameter.h"
#include "station/run/port_identity.h"

namespace qx::station {

class CounterIdentity : public PortIdentity {
public:
    explicit CounterIdentity(GlobalParameter& settings) : settings_(settings) {}
    void ReadDriveSerials() override {}
    int CheckReMPSerials() override;
    void TakeQueuedSerial(bool) override {}
    void AssignPortIdentity(int port) override;
    void AdvanceSerialNumbers(bool rebuildOnly, const RunControls& controls) override;
    void RebuildSnReuseQueue(const std::vector<std::string>&) override {}
    std::string PortBarcodeSerial(int) const override { return {}; }
    void SetBarcodeEntered() override {}

private:
    GlobalParameter& settings_;
};

}  // namespace qx::station
