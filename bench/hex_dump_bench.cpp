// Throughput of the flash page viewer's hex dump (target: at least 50 MB/s)
// and the time of a 64-page, 4-channel page read to files on a simulated
// drive (target: under 2 s).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "qxlib/programs/program_header.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/transport/device_slot.h"
#include "sim/rack/sim_rack.h"
#include "station/engineering/flash_page_reads.h"
#include "station/engineering/hex_dump.h"
#include "ui/scripted_prompter.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void HexDumpThroughput() {
    std::vector<std::uint8_t> bytes(8 << 20);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
    std::vector<std::string> lines;
    const auto start = Clock::now();
    qx::station::AddHexDumpLines(lines, bytes.data(), bytes.size(), 0);
    const double s = Seconds(start);
    std::printf("AddHexDumpLines: %.1f MB/s (%zu lines)\n", static_cast<double>(bytes.size()) / s / 1e6, lines.size());
}

void PageReadToFiles() {
    const auto folder = std::filesystem::temp_directory_path() / "qx_hex_dump_bench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    std::vector<std::uint8_t> image(qx::kProgramImageSize, qx::kProgramImageFill);
    std::copy_n(qx::kDiagnosticTag, 4, image.begin() + qx::kKindTagAt);
    if (std::FILE* f = std::fopen("GDP.bin", "wb")) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
    qx::SetGdpImagePath((folder / "GDP.bin").string());
    qx::platform::VirtualClock clock;
    qx::platform::SetClock(&clock);
    qx::sim::SimRack rack;
    qx::sim::ScopedRack scoped(rack);
    const std::string path = "\\\\?\\usbstor#disk&ven_qx&prod_native#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    qx::sim::DriveConfig cfg;
    cfg.frontEnd = qx::sim::FrontEnd::NativeUsb;
    cfg.state = qx::sim::ControllerState::Loader;
    cfg.busyPolls = 0;
    rack.AddDrive(path, cfg);
    qx::DeviceSlots[0].InterfacePath = path.c_str();
    qx::DeviceSlots[0].UsbPath = 1;
    qx::FlashConfig config{};
    config.ChannelCount = 4;
    config.BankCount = 2;
    config.FlashTypeWord = 0x0011;
    config.FlashGeometry.SectorsPerPage = 8;
    config.FlashGeometry.PagesPerBlock = 256;
    config.FlashGeometry.BlocksPerCe = 2048;
    config.EccMode = 3;
    qx::GlobalParameter settings{};
    qx::ui::ScriptedPrompter prompter;
    qx::station::FlashReadRequest request;
    request.Bank = 1;
    request.Block = 20;
    request.PageCount = 64;
    const auto start = Clock::now();
    const auto dumps = qx::station::ReadFlashPageDumps(0, config, settings, request, prompter);
    if (dumps)
        for (int ch = 0; ch < config.ChannelCount; ++ch)
            qx::station::SaveDumpLines(qx::station::FlashDataFileName(ch, request), (*dumps)[static_cast<std::size_t>(ch)]);
    std::printf("64 pages x 4 channels to files: %.3f s (%s)\n", Seconds(start), dumps ? "read" : "FAILED");
    qx::DeviceSlots[0].InterfacePath.clear();
    qx::platform::SetClock(nullptr);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(folder);
}

}  // namespace

int main() {
    HexDumpThroughput();
    PageReadToFiles();
    return 0;
}
