#include "station/devices/port_rescan.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/named_mutex.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/base/switches.h"
#include "qxlib/discovery/bridge_type.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/discovery/usb_topology.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/tables/kept_data.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "station/devices/delay_with_messages.h"
#include "station/identity/barcode_store.h"
#include "station/views/rescan_window.h"
#include "station/views/station_view.h"

namespace qx::station {
namespace {

constexpr std::size_t kKeptDataBufferSize = 128 * 1024;

DeviceSlot& Slot(int port) { return DeviceSlots[static_cast<std::size_t>(port)]; }

// 1 "ide", 2 "scsi", 3 "usbstor"; 0 when none of them is in the path.
int PathKindOf(const char* path) {
    if (ContainsString(path, "ide")) return 1;
    if (ContainsString(path, "scsi")) return 2;
    if (ContainsString(path, "usbstor")) return 3;
    return 0;
}

// A port the scan found present takes its presence and device instance
// from the scan, not yet connected; false when the scan did not find it.
bool TakeScanPresence(PortRecord& rec, const PortRecord& scan) {
    if (scan.Present == 0) return false;
    rec.Present = scan.Present;
    std::memcpy(rec.DeviceInstanceId, scan.DeviceInstanceId, sizeof rec.DeviceInstanceId);
    rec.Connected = 0;
    return true;
}

}  // namespace

int ScannedPorts() { return StationPortTables().Limit(); }

PortRescan::PortRescan(RescanContext context) : ctx_(context), disks_(kMaxDiskDevices) {}

int PortRescan::RescanPorts() {
    const int before = ScannedPorts();
    ClearPortTable(ctx_.tables.Scan());
    ctx_.tables.SetCount(ScanUsbTopology());
    // A port the scan no longer reports is gone: its record and panel
    // texts go with it, so nothing that still reads them sees a drive.
    for (int p = ScannedPorts(); p < before; ++p) {
        ClearPortRecord(Active(p));
        ctx_.window.ClearPortTexts(p);
    }
    int count = kMaxDiskDevices;
    if (EnumUsbDiskInterfaces(disks_, &count) != 1) return 0;
    return count;
}

void PortRescan::SetInterfacePath(int port) {
    const int bridge = GetBridgeChipType(port);
    if (IsSataBridgeType(bridge)) {
        Slot(port).UsbPath = 0;
        DebugPrint("SATA PATH\r\n");
        interfaceWord_ = "SATA";
    } else if (bridge == kBridgeUsbNative) {
        Slot(port).UsbPath = 1;
        DebugPrint("USB PATH\r\n");
        interfaceWord_ = "USB";
    }
    ctx_.window.SetInterfaceWord(interfaceWord_);
    // These bridges need the PIO tunnel; the switches are process-wide, so
    // one such drive sets them for every port until the settings reload.
    if (bridge == kBridgeQ461 || bridge == kBridge05E3) {
        SataBusMode = 1;
        ForcePioTransfer = true;
    }
}

int PortRescan::MatchPorts() {
    const int listCount = RescanPorts();
    connectedCount_ = 0;
    for (int p = 0; p < ScannedPorts(); ++p) {
        PortRecord& rec = Active(p);
        TakeScanPresence(rec, Scanned(p));
        rec.BridgeType = 0;
        if (rec.Present != 1) continue;
        LowerCaseString(rec.DeviceInstanceId);
        for (int j = 0; j < listCount; ++j) {
            DiskDeviceEntry& disk = disks_[static_cast<std::size_t>(j)];
            if (disk.Taken != 0 || std::strcmp(disk.ParentInstanceId, rec.DeviceInstanceId) != 0) continue;
            if (!CopyPortText(rec.DiskPath, disk.InterfaceDetail.DevicePath))
                DebugPrint("disk path of port %d too long: %s\r\n", p, disk.InterfaceDetail.DevicePath);
            rec.DevInst = disk.DevInst;
            rec.ParentDevInst = disk.ParentDevInst;
            Slot(p).InterfacePath = rec.DiskPath;
            Slot(p).UsbPath = 1;
            Slot(p).DirectAta = 0;
            rec.BridgeType = GetBridgeChipType(p);
            disk.Taken = 1;
            SetInterfacePath(p);
            break;
        }
        if (rec.BridgeType != 0) {
            SetVendorFeature(p, true);
            rec.Connected = 1;
            ++connectedCount_;
            if (const int kind = PathKindOf(rec.DiskPath)) rec.PathKind = kind;
            rec.CapacityMB = static_cast<int>(GetCapacityMB(p));
        } else {
            rec.Connected = 0;
        }
    }
    return connectedCount_;
}

void PortRescan::WaitDevicesReady() {
    for (int p = 0; p < ScannedPorts(); ++p) {
        if (!Active(p).Connected) continue;
        SetVendorFeature(p, true);
        if (!IsLoaderDevice(p)) SwitchVendorMode(p, 10);
    }
    for (int round = 1;; ++round) {
        const int count = MatchPorts();
        if (count == lastDeviceCount_ || round == kMatchingRounds) break;
        DelayWithMessages(kMatchingPauseMs);
    }
}

void PortRescan::KeepDriveData(int port) {
    const GlobalParameter& s = ctx_.settings;
    if (!s.EnKeepEraseCount && !s.EnKeepSmartInfo) return;
    if (IsLoaderDevice(port)) return;
    std::vector<std::uint8_t> buffer(kKeptDataBufferSize);
    if (s.EnKeepEraseCount)
        Slot(port).EraseCountsKept = static_cast<std::uint8_t>(BackupEraseCounts(port, ctx_.flash, buffer, 0));
    if (s.EnKeepSmartInfo) Slot(port).SmartPageKept = BackupSmartInfo(port, ctx_.flash, buffer) ? 1 : 0;
}

void PortRescan::AskBarcode() {
    BarcodeContext barcode{ctx_.barcodes, ctx_.settings, ctx_.prompter, ctx_.mes, ctx_.tables};
    ShowBarcodeDialog(barcode);
}

// Per-port codes: asked for in per-port mode, copied from the shared codes
// in shared mode.
void PortRescan::AskMissingCodes(int port) {
    const GlobalParameter& s = ctx_.settings;
    BarcodeState& b = ctx_.barcodes;
    PortRecord& rec = Active(port);
    const auto p = static_cast<std::size_t>(port);
    const bool shared = s.BarCodeInputMode == 1;
    // Serial number and PPID: in shared mode every port takes the shared
    // code, otherwise the operator scans one for this port.
    const auto promptFor = [&](auto& field, int kind, auto& busy, auto& portCode, const auto& sharedCode) {
        b.InputBoxPort = port;
        b.InputBoxKind = kind;
        busy = 1;
        portCode.fill('\0');
        if (shared) {
            CopyPortText(field, sharedCode.data());
            std::copy(sharedCode.begin(), sharedCode.end(), portCode.begin());
        } else {
            AskBarcode();
        }
        busy = 0;
        if (s.EnAutoExecuteAfterInputSn) ctx_.window.StartAutoExecute();
    };
    if (s.EnBarCode && rec.SerialNumber[0] == '\0')
        promptFor(rec.SerialNumber, kBarcodeSn, b.SnPromptBusy, b.PortBarcodeSN[p], b.SharedBarcodeSN);
    if (s.EnPPID && rec.Ppid[0] == '\0')
        promptFor(rec.Ppid, kBarcodePpid, b.PpidPromptBusy, b.PortBarcodePPID[p], b.SharedBarcodePPID);
    if (s.EnBarCodeWWN && rec.Wwn[0] == '\0') {
        b.InputBoxPort = port;
        b.InputBoxKind = kBarcodeWwn;
        b.WwnPromptBusy = 1;
        AskBarcode();
        b.WwnPromptBusy = 0;
    }
}

void PortRescan::AskSharedCodes() {
    const BarcodeKind kind = SharedBarcodeKind(ctx_.settings);
    if (kind == kBarcodeNone) return;
    if (!ctx_.barcodes.DialogVisible) {
        ctx_.barcodes.InputBoxKind = kind;
        AskBarcode();
    }
}

void PortRescan::RefreshDevices() {
    if (refreshing_) {
        // Asked for from inside this refresh (its bar-code dialog runs the
        // event loop): come back when it is over instead of rescanning under
        // the prompt that is filling a port record.
        DebugPrint("EnumUSBDevice busy, again later \r\n");
        ctx_.view.KillTimer(kRescanTimerId);
        ctx_.view.ArmTimer(kRescanTimerId, kNestedRefreshDelayMs);
        return;
    }
    const GlobalParameter& s = ctx_.settings;
    BarcodeState& b = ctx_.barcodes;
    const bool shared = s.BarCodeInputMode == 1;
    if (s.BarCodeInputMode == 0 &&
        ((s.EnBarCode && b.SnPromptBusy) || (s.EnBarCodeWWN && b.WwnPromptBusy) || (s.EnPPID && b.PpidPromptBusy)))
        return;

    // Opened on the first refresh and kept; recursive for this thread, so
    // the panel redraw inside the refresh takes it again without blocking.
    static platform::NamedMutex portScanMutex("QXMPAcess");
    std::unique_lock<platform::NamedMutex> hold(portScanMutex);
    refreshing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{refreshing_};

    ctx_.view.SetStartEnabled(false);
    DebugPrint("EnumUSBDevice 1 \r\n");
    RescanPorts();
    for (int p = 0; p < ScannedPorts(); ++p) {
        PortRecord& rec = Active(p);
        if (!TakeScanPresence(rec, Scanned(p))) {
            ClearPortRecord(rec);
            ctx_.window.ClearPortTexts(p);
        }
    }
    ctx_.view.SetSafeRemoveColor(kColorWindowText);
    lastDeviceCount_ = MatchPorts();
    for (int p = 0; p < ScannedPorts(); ++p) {
        if (!Active(p).Connected) continue;
        KeepDriveData(p);
        AskMissingCodes(p);
    }
    ctx_.view.UpdateDrawPanel();

    if (lastDeviceCount_ == 0) {
        ctx_.view.SetSafeRemoveColor(kColorGreen);
        ctx_.view.SetStartEnabled(false);
        ctx_.view.UpdateDrawPanel();
        if (shared && SharedBarcodeKind(s) != kBarcodeNone) {
            AskSharedCodes();
            b.BarcodeEntered = 0;
        }
        return;
    }
    DebugPrint("EnumUSBDevice 4 \r\n");
    ctx_.view.SetStartEnabled(ctx_.window.StartAllowed() && (s.ConnectDevNum == 0 || s.ConnectDevNum == lastDeviceCount_));
    if (shared && s.BarCodeInputMaxCnt > lastDeviceCount_ && b.BarcodeEntered == 0 && !b.DialogVisible) AskSharedCodes();
    hold.unlock();
    DebugPrint("EnumUSBDevice 5 \r\n");
}

void PortRescan::WMDeviceChange(std::uint32_t event, std::uint32_t deviceType) {
    DebugPrint("DeviceChange in \r\n");
    if ((event == kDeviceArrival || event == kDeviceRemoveComplete) && !ctx_.window.Busy() &&
        deviceType == kDeviceTypeInterface) {
        ctx_.view.SetStartEnabled(false);
        ctx_.view.KillTimer(kRescanTimerId);
        if (event == kDeviceArrival) {
            DebugPrint("Normal Plug-in event captured\r\n");
            ctx_.view.ArmTimer(kRescanTimerId, kArrivalRescanDelayMs);
        } else {
            DebugPrint("Normal Unplug event captured\r\n");
            if (ctx_.window.FlashAutoDetectRunning())
                DebugPrint("DeviceChange by FlashAutoDetectBtn \r\n");
            else
                ctx_.view.ArmTimer(kRescanTimerId, kRemovalRescanDelayMs);
        }
    }
    DebugPrint("DeviceChange out \r\n");
}

void PortRescan::OnDeviceEvent(const platform::DeviceEvent& event) {
    WMDeviceChange(event.kind == platform::DeviceEventKind::Arrival ? kDeviceArrival : kDeviceRemoveComplete,
                   kDeviceTypeInterface);
}

}  // namespace qx::station
