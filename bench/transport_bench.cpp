// Figures of the transport: one-sector vendor reads per second through the
// simulated rack on each path, and the resident memory that the 50 slots'
// work buffers cost.
#include <chrono>
#include <cstdio>
#include <string>

#include "resident_memory.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/base/switches.h"
#include "qxlib/transport/vendor_builders.h"
#include "sim/rack/sim_rack.h"

namespace {

using qx::bench::ResidentKb;

double VendorReadsPerSecond(qx::sim::FrontEnd frontEnd, std::uint8_t mode) {
    using namespace qx;
    sim::SimRack rack;
    sim::DriveConfig cfg;
    cfg.frontEnd = frontEnd;
    cfg.state = sim::ControllerState::Loader;
    const std::string path = "\\\\?\\usbstor#disk&ven_qx&prod_bench#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    sim::SimDrive& drive = rack.AddDrive(path, cfg);
    drive.SetVendorMode(true);
    sim::ScopedRack use(rack);
    DeviceSlots[0].InterfacePath = path.c_str();
    DeviceSlots[0].UsbPath = frontEnd == sim::FrontEnd::NativeUsb ? 1 : 0;
    TransferMode = mode;

    const auto start = std::chrono::steady_clock::now();
    const auto until = start + std::chrono::seconds(1);
    long n = 0, failed = 0;
    std::uint8_t value = 0;
    while (std::chrono::steady_clock::now() < until) {
        for (int i = 0; i < 100; ++i, ++n)
            if (VC_ReadRegister(0, 0x1000, &value) != 1) ++failed;
    }
    rack.Log().Clear();
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (failed) std::printf("  (%ld of %ld reads failed)\n", failed, n);
    DeviceSlots[0].InterfacePath.clear();
    return static_cast<double>(n) / secs;
}

}  // namespace

int main() {
    const long before = ResidentKb();
    if (!qx::AllocDeviceSlotBuffers()) {
        std::printf("slot buffers: allocation failed\n");
        return 1;
    }
    const long after = ResidentKb();
    std::printf("slot buffers for %d slots: +%.1f MB resident (process %.1f MB; target under 64 MB)\n",
                qx::kSlotCount, static_cast<double>(after - before) / 1024.0, static_cast<double>(after) / 1024.0);
    qx::FreeDeviceSlotBuffers();

    std::printf("one-sector vendor reads per second through the simulated rack:\n");
    std::printf("  USB path:                 %10.0f\n", VendorReadsPerSecond(qx::sim::FrontEnd::NativeUsb, 2));
    for (int mode : {0, 1, 2})
        std::printf("  SATA tunnel, mode %u:      %10.0f\n", mode, VendorReadsPerSecond(qx::sim::FrontEnd::Bridge, static_cast<std::uint8_t>(mode)));
    return 0;
}
