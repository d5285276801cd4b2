// The station's view of its attached drives, rebuilt from scratch whenever
// something may have changed: the rescan of the USB topology and the disk
// interfaces, the matching of each USB port to its disk and bridge, the
// refresh that merges them into the active port table and asks for missing
// bar codes, the device-change handling that schedules a refresh, and the
// safe removal of every connected drive. Everything runs on the window
// thread except the removal threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device_events.h"
#include "qxlib/discovery/usb_disks.h"
#include "station/identity/barcode_buffers.h"
#include "station/identity/mes_query.h"
#include "station/ports/port_tables.h"
#include "station/views/device_rescan.h"

namespace qx {
struct FlashConfig;
struct GlobalParameter;
}  // namespace qx
namespace qx::ui {
class Prompter;
}

namespace qx::station {

class RescanWindow;
class StationView;

inline constexpr int kRescanTimerId = 51;
inline constexpr int kArrivalRescanDelayMs = 1500;
inline constexpr int kRemovalRescanDelayMs = 200;
// A refresh asked for while one runs (from inside its modal bar-code
// dialog) comes again this much later instead of being lost.
inline constexpr int kNestedRefreshDelayMs = 1500;

// Device-change notification words.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDeviceTypeInterface = 5;

// SafeRmBtn font colours (BGR); the window-text colour is the system colour
// the window resolves.
inline constexpr std::uint32_t kColorWindowText = 0x80000008;
inline constexpr std::uint32_t kColorGreen = 0x008000;
inline constexpr std::uint32_t kColorRed = 0x0000FF;

inline constexpr int kMatchingRounds = 7;
inline constexpr int kMatchingPauseMs = 3000;

// What the rescan works with, all owned by the station window.
struct RescanContext {
    GlobalParameter& settings;
    const FlashConfig& flash;   // for keeping erase counts and SMART data
    StationView& view;
    RescanWindow& window;
    ui::Prompter& prompter;
    BarcodeState& barcodes;
    const MesClient& mes;       // asked for a scanned serial's WWN with [Setting] EnADATAWWN
    PortTableHandle& tables = StationPortTables();
};

class PortRescan final : public DeviceRescan {
public:
    explicit PortRescan(RescanContext context);

    // Scan table rebuilt, port count set, disk interfaces listed; the number
    // of disk interfaces (0 when the list failed).
    int RescanPorts();
    // Every present port joined to its disk interface and bridge; the
    // connected count.
    int MatchPorts();
    void SetInterfacePath(int port);
    void RefreshDevices() override;
    void WaitDevicesReady() override;
    int ConnectedCount() const override { return connectedCount_; }
    int LastDeviceCount() const override { return lastDeviceCount_; }
    bool RefreshInProgress() const { return refreshing_; }

    // The window's device-change notification (wParam, broadcast device type).
    void WMDeviceChange(std::uint32_t event, std::uint32_t deviceType);
    // The same, for an event of the platform's device-event source.
    void OnDeviceEvent(const platform::DeviceEvent& event);

    // "Safe Remove": removes every connected drive, one thread per port,
    // then refreshes (safe_removal.cpp).
    void SafeRmBtnClick();

    const std::string& InterfaceWord() const { return interfaceWord_; }

private:
    PortRecord& Active(int port) const { return ctx_.tables.Active(port); }
    PortRecord& Scanned(int port) const { return ctx_.tables.Scanned(port); }
    // Ports the tables hold of the last scan: its count, bounded by the tables.
    int ScannedPorts() const { return ctx_.tables.Limit(); }
    void KeepDriveData(int port);
    void AskMissingCodes(int port);
    void AskSharedCodes();
    // The bar-code dialog for InputBoxKind and InputBoxPort, through the store.
    void AskBarcode();

    RescanContext ctx_;
    std::vector<DiskDeviceEntry> disks_;   // the last rescan's disk interfaces
    int connectedCount_ = 0;
    int lastDeviceCount_ = 0;
    bool refreshing_ = false;
    std::string interfaceWord_ = "SATA";
};

// One removal: up to five tries, 500 ms apart on the platform clock. Always
// 0; the refresh after the removals tells what went.
int SafeRemoveDeviceThread(const std::uint32_t* devinst);

// Ports the station's tables hold of the last scan: its count, bounded by
// the tables.
int ScannedPorts();

}  // namespace qx::station
