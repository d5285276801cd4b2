// Drive image restore and capture through the simulated path: raw restore
// and capture throughput for one drive and for eight at once, and the peak
// resident memory a 512 MiB mostly-zero raw restore adds to the process
// (the routines stream, so it stays far below the image's size).
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/device_tree.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"
#include "station/images/ghost_image.h"

namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr std::uint64_t kDiskSectors = 2048ull * 1024 * 2;   // 2 GiB each
constexpr std::uint32_t kThroughputMiB = 128;
constexpr std::uint64_t kLargeImage = 512 * kMiB;
constexpr int kDrives = 8;

std::string PathOf(int n) {
    return "\\\\?\\usbstor#disk&ven_qx&prod_ssd#bench" + std::to_string(n) + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

// kB of a /proc/self/status line.
long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// n drives at once, each running work(path, index).
template <typename F>
double Parallel(int n, F&& work) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i) threads.emplace_back([&, i] { work(PathOf(i), i); });
    for (auto& t : threads) t.join();
    return Seconds(start);
}

}  // namespace

int main() {
    char folder[] = "/tmp/qximgbench.XXXXXX";
    if (!::mkdtemp(folder)) return 1;
    const std::string dir = folder;

    qx::sim::SimRack rack;
    rack.Log().SetEnabled(false);
    qx::sim::ScopedRack use(rack);
    qx::sim::SimDeviceTree tree;
    qx::platform::SetDeviceTree(&tree);
    qx::sim::DriveConfig cfg;
    cfg.capacitySectors = kDiskSectors;
    for (int i = 0; i < kDrives; ++i) {
        rack.AddDrive(PathOf(i), cfg);
        tree.AddDisk(PathOf(i));
    }

    // Peak memory first, while nothing else has grown the process: a sparse
    // 512 MiB image with one non-zero sector every 64 MiB.
    const std::string large = dir + "/large.img";
    {
        const int fd = ::open(large.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::vector<char> sector(512, 0x5A);
        bool ok = fd >= 0 && ::ftruncate(fd, static_cast<off_t>(kLargeImage)) == 0;
        for (std::uint64_t at = 0; ok && at < kLargeImage; at += 64 * kMiB)
            ok = ::pwrite(fd, sector.data(), sector.size(), static_cast<off_t>(at)) == 512;
        if (fd >= 0) ::close(fd);
        if (!ok) return 1;
    }
    const long startKb = StatusKb("VmRSS:");
    const auto t0 = std::chrono::steady_clock::now();
    const bool largeOk = qx::station::FlushGhostImg(PathOf(0).c_str(), large.c_str());
    const double largeSeconds = Seconds(t0);
    const long peakKb = StatusKb("VmHWM:");
    std::printf("raw restore 512 MiB mostly-zero: %s, %.1f MiB/s, peak RSS %.1f MiB above start (target < 32)\n",
                largeOk ? "ok" : "FAILED", 512 / largeSeconds, static_cast<double>(peakKb - startKb) / 1024);

    // A raw image of non-zero bytes for the throughput figures.
    const std::string image = dir + "/data.img";
    {
        std::vector<char> chunk(kMiB);
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 31 + 7);
        std::ofstream out(image, std::ios::binary);
        for (std::uint32_t m = 0; m < kThroughputMiB; ++m) out.write(chunk.data(), static_cast<std::streamsize>(kMiB));
    }
    for (int n : {1, kDrives}) {
        bool ok = true;
        const double restore = Parallel(n, [&](const std::string& path, int) {
            if (!qx::station::FlushGhostImg(path.c_str(), image.c_str())) ok = false;
        });
        const double capture = Parallel(n, [&](const std::string& path, int i) {
            const std::string out = dir + "/cap" + std::to_string(i) + ".img";
            if (!qx::station::ReadGhostImg(path.c_str(), out.c_str(), kThroughputMiB)) ok = false;
        });
        std::printf("%d drive(s), %u MiB each: raw restore %.1f MiB/s, capture %.1f MiB/s (total)%s\n", n,
                    kThroughputMiB, n * kThroughputMiB / restore, n * kThroughputMiB / capture, ok ? "" : " FAILED");
    }

    qx::platform::SetDeviceTree(nullptr);
    std::string rm = "rm -rf '" + dir + "'";
    return std::system(rm.c_str()) == 0 ? 0 : 1;
}
