#include "station/run/counter_identity.h"

#include <cstring>

#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/serial_number.h"
#include "station/run/port_run.h"

namespace qx::station {

namespace {
constexpr char kNoReMPSerial[] = "N/A";
constexpr std::size_t kEnDownload = 8;
}

int CounterIdentity::CheckReMPSerials() {
    if (!settings_.EnReMPSN) return -1;
    for (int p = 0; p < PortLimit(); ++p)
        if (ActivePortTable[static_cast<std::size_t>(p)].Connected &&
            std::strcmp(settings_.ReMPSerialNum[p], kNoReMPSerial) == 0)
            return p;
    return -1;
}

void CounterIdentity::AssignPortIdentity(int port) {
    PortRecord& rec = ActivePortTable[static_cast<std::size_t>(port)];
    if (!settings_.EnUpdateFirmwareMode) CopyPortText(rec.SerialNumber, settings_.SerialNum);
    if (settings_.EnReMPSN) CopyPortText(rec.SerialNumber, settings_.ReMPSerialNum[port]);
    CopyPortText(rec.Wwn, settings_.UID);
}

void CounterIdentity::AdvanceSerialNumbers(bool rebuildOnly, const RunControls& controls) {
    if (!(controls.snIncrement || controls.uidIncrement) || rebuildOnly || !settings_.TestItemEnable[kEnDownload])
        return;
    if (settings_.EnBarCode) return;
    if (controls.uidIncrement) {
        if (settings_.UIDDecimal) IncDecSerialNumber(std::span<char>(settings_.UID));
        else IncHexSerialNumber(std::span<char>(settings_.UID));
    }
    if (!settings_.SNErrReuse && controls.snIncrement) {
        const std::span<char> serial(settings_.SerialNum);
        if (settings_.SNDecimal) IncDecSerialNumber(serial);
        else IncHexSerialNumber(serial);
    }
}

}  // namespace qx::station
