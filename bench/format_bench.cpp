// The formatter on a 64 GiB simulated drive beside mkfs.fat on a sparse
// image file of the same size: wall time and bytes written, in one run.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/device_io.h"
#include "platform/device_tree.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/format/fat32_format.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"

namespace {

constexpr std::uint64_t kDiskBytes = 64ull << 30;
constexpr const char* kPath = "\\\\?\\usbstor#disk&ven_qx&prod_ssd&rev_1.00#bench&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

// Passes every request to the rack and counts the bytes sent to the drive.
class CountingIo final : public qx::platform::DeviceIo {
public:
    explicit CountingIo(qx::platform::DeviceIo& inner) : inner_(inner) {}
    qx::platform::OpenResult Open(std::string_view path, qx::platform::ShareMode mode) override {
        auto r = inner_.Open(path, mode);
        if (r.handle) r.handle = std::make_unique<Handle>(std::move(r.handle), *this);
        return r;
    }
    std::uint64_t bytesOut = 0;
    std::uint64_t writes = 0;

private:
    struct Handle final : qx::platform::DeviceHandle {
        Handle(std::unique_ptr<qx::platform::DeviceHandle> h, CountingIo& o) : inner(std::move(h)), owner(o) {}
        qx::platform::ScsiResult Scsi(const qx::platform::ScsiCommand& cmd) override {
            if (cmd.dir == qx::platform::Direction::Out) {
                owner.bytesOut += cmd.data.size();
                ++owner.writes;
            }
            return inner->Scsi(cmd);
        }
        qx::platform::AtaResult Ata(const qx::platform::AtaCommand& cmd) override { return inner->Ata(cmd); }
        std::unique_ptr<qx::platform::DeviceHandle> inner;
        CountingIo& owner;
    };
    qx::platform::DeviceIo& inner_;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Bytes a finished child wrote, read from /proc before it is reaped.
bool RunCounted(const char* const argv[], std::uint64_t* written) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execvp(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
    }
    siginfo_t info{};
    if (pid < 0 || ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) return false;
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:") *written = value;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main() {
    char folder[] = "/tmp/qxbench.XXXXXX";
    if (!::mkdtemp(folder)) return 1;
    const std::string image = std::string(folder) + "/mkfs.img";

    qx::sim::SimRack rack;
    qx::sim::DriveConfig config;
    config.capacitySectors = kDiskBytes / 512;
    rack.AddDrive(kPath, config);
    qx::sim::SimDeviceTree tree;
    tree.AddDisk(kPath);
    qx::platform::DiskGeometry geometry;
    geometry.cylinders = kDiskBytes / 512 / (255 * 63);
    tree.SetGeometry(kPath, geometry);
    CountingIo io(rack);
    qx::platform::SetDevices(&io);
    qx::platform::SetDeviceTree(&tree);

    if (!qx::CreateSinglePartition(kPath, static_cast<std::uint32_t>(kDiskBytes / 512))) {
        std::fprintf(stderr, "partitioning the simulated drive failed\n");
        return 1;
    }
    const std::uint64_t layoutBytes = io.bytesOut;
    const auto start = std::chrono::steady_clock::now();
    const int formatted = qx::FormatDiskVolume(kPath, qx::FormatParams{}, "BENCH", 63, kDiskBytes);
    const double formatSeconds = Seconds(start);
    qx::platform::SetDevices(nullptr);
    qx::platform::SetDeviceTree(nullptr);
    if (!formatted) {
        std::fprintf(stderr, "formatting the simulated drive failed\n");
        return 1;
    }

    const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kDiskBytes)) != 0) return 1;
    ::close(fd);
    const char* const mkfs[] = {"mkfs.fat", "-F", "32", "-n", "BENCH", image.c_str(), nullptr};
    std::uint64_t mkfsBytes = 0;
    const auto mkfsStart = std::chrono::steady_clock::now();
    const bool mkfsOk = RunCounted(mkfs, &mkfsBytes);
    const double mkfsSeconds = Seconds(mkfsStart);
    std::remove(image.c_str());
    ::rmdir(folder);
    if (!mkfsOk) {
        std::fprintf(stderr, "mkfs.fat failed\n");
        return 1;
    }

    std::printf("64 GiB drive            wall time    bytes written\n");
    std::printf("formatter (simulated)   %8.3f s   %13llu  (%llu WRITE(10) requests)\n", formatSeconds,
                static_cast<unsigned long long>(io.bytesOut - layoutBytes),
                static_cast<unsigned long long>(io.writes));
    std::printf("mkfs.fat (sparse file)  %8.3f s   %13llu\n", mkfsSeconds, static_cast<unsigned long long>(mkfsBytes));
    return 0;
}
