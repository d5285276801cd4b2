// Where each started drive's serial number, WWN and PPID come from, at the
// run controller's fixed points of a run: the settings' counter and UID
// stepped per drive, scanned bar codes, the MES, the fixed [ReMP] serials,
// the drive's own serial when only its firmware is updated, a WWN derived
// from the serial and the date, and the reuse queue of failed serials.
//
// The counter ([DeviceSetting] SerialNum) always holds the next number never
// issued: a queued number is handed to the next drive beside it, not through
// it, so what the window shows and the settings file keeps after a run is
// the counter, and a queued number set up for a drive that never started
// stays in the queue. Window thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "station/identity/sn_reuse_queue.h"
#include "station/identity/wwn_from_serial.h"
#include "station/ports/port_tables.h"
#include "station/views/station_view.h"

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

struct BarcodeState;

using DateSource = std::function<CalendarDate()>;
// Today's local date.
CalendarDate LocalDate();

inline constexpr char kNoReMPSerial[] = "N/A";

class IdentitySteps {
public:
    IdentitySteps(GlobalParameter& settings, BarcodeState& barcodes, DateSource today = LocalDate,
                  PortTableHandle& tables = StationPortTables());

    // With [Setting] EnUpdateFirmwareMode: each connected drive's own serial
    // from its IDENTIFY data; a drive that does not answer keeps its text.
    void ReadDriveSerials();
    // With [ReMP] EnReMPSN: the first connected port without its fixed serial
    // (0-based), or -1 when none lacks one.
    int CheckReMPSerials();
    // Once per run before the first drive: it takes a queued number when one
    // is left.
    void TakeQueuedSerial(bool rebuildOnly);
    // The port's record gets its serial number, WWN and PPID.
    void AssignPortIdentity(int port);
    // After each started drive: the UID and the counter step, and the next
    // queued number is set up for the next drive.
    void AdvanceSerialNumbers(bool rebuildOnly, const RunControls& controls);
    // After the run: the serials of the drives whose download failed, in port
    // order, go first into the queue, then the entries not yet given out.
    void RebuildSnReuseQueue(const std::vector<std::string>& failedSerials);
    // The serial number scanned for a port (empty when none).
    std::string PortBarcodeSerial(int port) const;
    // A run starts in the shared bar-code mode.
    void SetBarcodeEntered();

    const SnReuseQueue& Queue() const { return queue_; }

private:
    void DeriveWwn(int port);

    GlobalParameter& settings_;
    BarcodeState& barcodes_;
    DateSource today_;
    PortTableHandle& tables_;
    SnReuseQueue queue_;
    bool queuedForNext_ = false;   // the next drive takes queue_.Next(), not the counter
    bool queuedIssued_ = false;    // the last assigned drive kept the queued number
};

}  // namespace qx::station
