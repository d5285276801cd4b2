#include "station/identity/identity_steps.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <ctime>
#include <span>

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/serial_number.h"
#include "qxlib/transport/vendor_command.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "station/identity/barcode_buffers.h"

namespace qx::station {
namespace {

// IDENTIFY words 10..19: the serial number, byte pairs swapped.
constexpr std::size_t kIdentifySerialAt = 20;
constexpr std::size_t kIdentifySerialBytes = 20;

void StepCounter(std::span<char> text, bool decimal) {
    if (decimal) IncDecSerialNumber(text);
    else IncHexSerialNumber(text);
}

}  // namespace

CalendarDate LocalDate() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday};
}

IdentitySteps::IdentitySteps(GlobalParameter& settings, BarcodeState& barcodes, DateSource today,
                             PortTableHandle& tables)
    : settings_(settings), barcodes_(barcodes), today_(std::move(today)), tables_(tables) {}

void IdentitySteps::ReadDriveSerials() {
    for (int p = 0; p < tables_.Limit(); ++p) {
        PortRecord& rec = tables_.Active(p);
        if (!rec.Connected) continue;
        std::array<std::uint8_t, 512> identify{};
        if (!IdentifyDevice(p, identify.data(), 1)) continue;
        SwapBytePairs(&identify[kIdentifySerialAt], kIdentifySerialBytes);
        const std::span<const char> serial(reinterpret_cast<const char*>(&identify[kIdentifySerialAt]),
                                           kIdentifySerialBytes);
        CopyFixedText(rec.SerialNumber, FixedTextView(serial));
    }
}

int IdentitySteps::CheckReMPSerials() {
    if (!settings_.EnReMPSN) return -1;
    for (int p = 0; p < tables_.Limit(); ++p)
        if (tables_.Active(p).Connected && FixedTextView(settings_.ReMPSerialNum[p]) == kNoReMPSerial) return p;
    return -1;
}

void IdentitySteps::TakeQueuedSerial(bool rebuildOnly) {
    queuedIssued_ = false;
    queuedForNext_ = settings_.SNErrReuse && !rebuildOnly && settings_.TestItemEnable[kItemDownload] && queue_.Left();
}

void IdentitySteps::AssignPortIdentity(int port) {
    if (port < 0 || port >= kPortCount) return;
    const auto p = static_cast<std::size_t>(port);
    PortRecord& rec = tables_.Active(port);
    queuedIssued_ = false;
    if (!settings_.EnUpdateFirmwareMode) {
        queuedIssued_ = queuedForNext_;
        CopyFixedText(rec.SerialNumber, queuedForNext_ ? std::string_view(queue_.Next())
                                                        : FixedTextView(settings_.SerialNum));
    }
    const std::string_view scannedSn = FixedTextView(barcodes_.PortBarcodeSN[p]);
    if (settings_.EnBarCode && !scannedSn.empty()) {
        CopyFixedText(rec.SerialNumber, scannedSn);
        queuedIssued_ = false;
    }
    if (settings_.EnReMPSN) {
        CopyFixedText(rec.SerialNumber, FixedTextView(settings_.ReMPSerialNum[p]));
        queuedIssued_ = false;
    }
    CopyFixedText(rec.Wwn, FixedTextView(settings_.UID));
    const std::string_view scannedWwn = FixedTextView(barcodes_.PortBarcodeWWN[p]);
    if ((settings_.EnBarCodeWWN || settings_.EnADATAWWN) && !scannedWwn.empty()) CopyFixedText(rec.Wwn, scannedWwn);
    const std::string_view scannedPpid = FixedTextView(barcodes_.PortBarcodePPID[p]);
    if (settings_.EnPPID && !scannedPpid.empty()) CopyFixedText(rec.Ppid, scannedPpid);
    if (settings_.EnRudavuzSnToWWN) DeriveWwn(port);
}

void IdentitySteps::DeriveWwn(int port) {
    PortRecord& rec = tables_.Active(port);
    const auto derived = DeriveWwnFromSerial(PortText(rec.SerialNumber), settings_.RudavuzSnToWWNMode, today_());
    if (!derived) return;
    CopyFixedText(rec.SerialNumber, derived->serial);
    CopyFixedText(rec.Wwn, derived->wwn);
}

void IdentitySteps::AdvanceSerialNumbers(bool rebuildOnly, const RunControls& controls) {
    if (!(controls.snIncrement || controls.uidIncrement) || rebuildOnly || !settings_.TestItemEnable[kItemDownload])
        return;
    if (!settings_.EnBarCode && controls.uidIncrement) StepCounter(settings_.UID, settings_.UIDDecimal);
    if (queuedIssued_) {
        // The drive took a queued number: the counter was not issued and
        // stays; the next queued number, if any, waits for the next drive.
        queuedIssued_ = false;
        ++queue_.next;
        if (!queue_.Left()) {
            queue_.Clear();
            queuedForNext_ = false;
        }
        return;
    }
    // A queued number that a bar code or a fixed serial overrode was not
    // issued either: it stays for the next drive, and so does the counter.
    if (queuedForNext_) return;
    if (!settings_.EnBarCode && controls.snIncrement) StepCounter(settings_.SerialNum, settings_.SNDecimal);
}

void IdentitySteps::RebuildSnReuseQueue(const std::vector<std::string>& failedSerials) {
    if (!settings_.SNErrReuse) return;
    queue_.Rebuild(failedSerials);
    queuedForNext_ = queuedIssued_ = false;
}

std::string IdentitySteps::PortBarcodeSerial(int port) const {
    if (port < 0 || port >= kPortCount) return {};
    return std::string(FixedTextView(barcodes_.PortBarcodeSN[static_cast<std::size_t>(port)]));
}

void IdentitySteps::SetBarcodeEntered() { barcodes_.BarcodeEntered = 1; }

}  // namespace qx::station
