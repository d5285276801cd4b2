// How the simulated rack scales: one-sector vendor reads per second on 1, 8
// and 50 drives, one thread per drive, on the USB path and through the SATA
// tunnel, with the request log off and kept as a ring; and the peak resident
// memory of each run. Every run is a child process of its own, so its peak
// is its own.
//
//   rack_bench [seconds per run, default 1]
//   rack_bench SECONDS usb|sata DRIVES off|ring   one run in this process (for a profiler)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "qxlib/base/switches.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/vendor_builders.h"
#include "sim/rack/sim_rack.h"

namespace {

using namespace qx;

constexpr std::size_t kRingEntries = 1024;   // a drive

struct Run {
    bool usbPath = false;
    int drives = 1;
    bool ring = false;   // the log kept as a ring, or off
};

struct Figures {
    double readsPerSecond = 0;
    double readsPerCpuSecond = 0;   // what the rack costs, however busy the machine is
    long failed = 0;
    long peakKb = 0;
};

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

std::string PathOf(int drive) {
    char path[96];
    std::snprintf(path, sizeof path, "\\\\?\\usbstor#disk&ven_qx&prod_bench#%04d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
                  drive);
    return path;
}

Figures Measure(const Run& run, double seconds) {
    sim::SimRack rack;
    if (run.ring) rack.Log().Configure({.keep = true, .ringSize = kRingEntries});
    std::vector<std::string> paths;
    for (int i = 0; i < run.drives; ++i) {
        sim::DriveConfig cfg;
        cfg.frontEnd = run.usbPath ? sim::FrontEnd::NativeUsb : sim::FrontEnd::Bridge;
        cfg.state = sim::ControllerState::Loader;
        paths.push_back(PathOf(i + 1));
        rack.AddDrive(paths.back(), cfg).SetVendorMode(true);
    }
    sim::ScopedRack use(rack);
    if (!AllocDeviceSlotBuffers()) return {};
    TransferMode = 2;
    for (int i = 0; i < run.drives; ++i) {
        DeviceSlots[static_cast<std::size_t>(i)].InterfacePath = paths[static_cast<std::size_t>(i)].c_str();
        DeviceSlots[static_cast<std::size_t>(i)].UsbPath = run.usbPath ? 1 : 0;
    }

    std::atomic<bool> go{false}, stop{false};
    std::vector<long> reads(static_cast<std::size_t>(run.drives)), failed(reads.size());
    std::vector<std::thread> workers;
    for (int i = 0; i < run.drives; ++i) {
        workers.emplace_back([&, i] {
            while (!go) std::this_thread::yield();
            long n = 0, bad = 0;
            std::uint8_t value = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                if (VC_ReadRegister(i, 0x1000, &value) != 1) ++bad;
                ++n;
            }
            reads[static_cast<std::size_t>(i)] = n;
            failed[static_cast<std::size_t>(i)] = bad;
        });
    }
    const double cpuBefore = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    go = true;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& w : workers) w.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuBefore;

    Figures f;
    long total = 0;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        total += reads[i];
        f.failed += failed[i];
    }
    f.readsPerSecond = static_cast<double>(total) / elapsed;
    f.readsPerCpuSecond = cpu > 0 ? static_cast<double>(total) / cpu : 0;
    f.peakKb = PeakResidentKb();
    for (int i = 0; i < run.drives; ++i) DeviceSlots[static_cast<std::size_t>(i)].InterfacePath.clear();
    FreeDeviceSlotBuffers();
    return f;
}

// Runs one measurement in a child process and reads its figures back.
Figures InChild(const Run& run, double seconds) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        const Figures f = Measure(run, seconds);
        const ssize_t written = ::write(pipeFds[1], &f, sizeof f);
        ::_exit(written == static_cast<ssize_t>(sizeof f) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    Figures f;
    const ssize_t got = pid > 0 ? ::read(pipeFds[0], &f, sizeof f) : -1;
    ::close(pipeFds[0]);
    int status = 0;
    if (pid > 0) ::waitpid(pid, &status, 0);
    if (got != static_cast<ssize_t>(sizeof f) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    return f;
}

void Report(bool ring, double seconds) {
    std::printf("request log %s:\n", ring ? "kept as a ring of 1024 requests a drive" : "off");
    std::printf("  %-12s %6s %12s %12s %14s %9s %7s\n", "path", "drives", "reads/s", "per drive", "per CPU second",
                "peak MB", "failed");
    for (const bool usb : {true, false}) {
        double single = 0, singleCpu = 0;
        for (const int drives : {1, 8, 50}) {
            const Figures f = InChild({usb, drives, ring}, seconds);
            if (drives == 1) {
                single = f.readsPerSecond;
                singleCpu = f.readsPerCpuSecond;
            }
            std::printf("  %-12s %6d %12.0f %12.0f %14.0f %9.1f %7ld\n", usb ? "USB" : "SATA tunnel", drives,
                        f.readsPerSecond, f.readsPerSecond / drives, f.readsPerCpuSecond,
                        static_cast<double>(f.peakKb) / 1024.0, f.failed);
            if (drives == 50)
                std::printf("  %-12s 50 vs 1: %.1f times the single-drive rate (target at least 4 on 8 idle cores), "
                            "%.2f times its rate per CPU second (1.00: the rack adds no cost per drive)\n",
                            usb ? "USB" : "SATA tunnel", single > 0 ? f.readsPerSecond / single : 0.0,
                            singleCpu > 0 ? f.readsPerCpuSecond / singleCpu : 0.0);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (argc == 5) {
        const Run run{std::string(argv[2]) == "usb", std::atoi(argv[3]), std::string(argv[4]) == "ring"};
        const Figures f = Measure(run, seconds > 0 ? seconds : 1.0);
        std::printf("%.0f reads/s, peak %.1f MB, %ld failed\n", f.readsPerSecond, static_cast<double>(f.peakKb) / 1024.0,
                    f.failed);
        return 0;
    }
    double load[3] = {};
    ::getloadavg(load, 3);
    std::printf("one-sector vendor reads, one thread per simulated drive, %u cores online, load average %.1f\n",
                std::thread::hardware_concurrency(), load[0]);
    Report(false, seconds > 0 ? seconds : 1.0);
    Report(true, seconds > 0 ? seconds : 1.0);
    return 0;
}
