#include "sim/control/rack_control.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/trace_sink.h"
#include "sim/rack/ini_text.h"
#include "sim/rack/sim_rack.h"

namespace qx::sim {
namespace {

std::string FifoPath(const std::string& folder) { return (std::filesystem::path(folder) / kControlFifoName).string(); }

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

RackControl::RackControl(SimMachine& machine, int readFd, int keepFd)
    : machine_(machine), readFd_(readFd), keepFd_(keepFd) {}

RackControl::~RackControl() {
    ::close(keepFd_);
    ::close(readFd_);
}

std::unique_ptr<RackControl> RackControl::Open(const std::string& folder, SimMachine& machine, std::string* error) {
    const std::string path = FifoPath(folder);
    if (::mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST)
        return Fail(error, path + ": " + std::strerror(errno)), nullptr;
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode))
        return Fail(error, path + " is not a FIFO"), nullptr;
    const int readFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (readFd < 0) return Fail(error, path + ": " + std::strerror(errno)), nullptr;
    const int keepFd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (keepFd < 0) {
        const int err = errno;
        ::close(readFd);
        return Fail(error, path + ": " + std::strerror(err)), nullptr;
    }
    return std::unique_ptr<RackControl>(new RackControl(machine, readFd, keepFd));
}

std::optional<platform::DeviceEvent> RackControl::Apply(const std::string& line) {
    std::istringstream words(line);
    std::string verb, path;
    words >> verb;
    std::getline(words >> std::ws, path);
    std::string error;
    if (verb == "plug" && machine_.Plug(path, &error)) return platform::DeviceEvent{platform::DeviceEventKind::Arrival, path};
    if (verb == "unplug" && machine_.Unplug(path, &error))
        return platform::DeviceEvent{platform::DeviceEventKind::Removal, path};
    platform::DebugOutput("rack control: \"" + line + "\" not applied" + (error.empty() ? "" : ": " + error) + "\n");
    return std::nullopt;
}

std::vector<platform::DeviceEvent> RackControl::ReadEvents() {
    std::vector<platform::DeviceEvent> out;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(readFd_, buf, sizeof buf);
        if (n <= 0) break;
        partial_.append(buf, static_cast<std::size_t>(n));
    }
    std::size_t end;
    while ((end = partial_.find('\n')) != std::string::npos) {
        const std::string line = partial_.substr(0, end);
        partial_.erase(0, end + 1);
        if (line.empty()) continue;
        if (auto e = Apply(line)) out.push_back(std::move(*e));
    }
    return out;
}

void InstallRackControl(const std::string& folder, SimMachine& machine) {
    platform::SetDeviceEventFactory([folder, &machine]() -> std::unique_ptr<platform::DeviceEventSource> {
        std::string error;
        auto control = RackControl::Open(folder, machine, &error);
        if (!control) platform::DebugOutput("rack control: " + error + "\n");
        return control;
    });
}

SendResult SendRackCommand(const std::string& folder, const std::string& line, std::string* error) {
    // Without a reader the open fails with ENXIO (or the FIFO is missing):
    // no program has the rack loaded.
    const int fd = ::open(FifoPath(folder).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO || errno == ENOENT) return SendResult::NoListener;
        Fail(error, FifoPath(folder) + ": " + std::strerror(errno));
        return SendResult::Failed;
    }
    // One write of less than PIPE_BUF bytes arrives whole, never mixed with
    // another writer's.
    const std::string text = line + "\n";
    const bool ok = text.size() <= PIPE_BUF && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int err = errno;
    ::close(fd);
    if (ok) return SendResult::Delivered;
    Fail(error, text.size() > PIPE_BUF ? "command too long" : std::string("write: ") + std::strerror(err));
    return SendResult::Failed;
}

bool SetPluggedInFolder(const std::string& folder, const std::string& path, bool plugged, std::string* error) {
    auto rack = SimRack::LoadFolder(folder, error);
    if (!rack) return false;
    const std::string name = rack->NameOf(path);
    if (name.empty()) return Fail(error, "no drive at " + path);
    const auto file = std::filesystem::path(folder) / "rack.ini";
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    auto sections = ParseIni(text.str());
    bool found = false;
    for (IniSection& section : sections) {
        if (section.name != "usb") continue;
        for (auto& [key, value] : section.values) {
            if (key != "port") continue;
            std::istringstream words(value);
            std::string where, drive, state;
            words >> where >> drive >> state;
            if (drive != name) continue;
            const bool isPlugged = state != "unplugged";
            if (isPlugged == plugged)
                return Fail(error, std::string(plugged ? "already plugged: " : "not plugged: ") + path);
            value = where + " " + drive + (plugged ? "" : " unplugged");
            found = true;
        }
    }
    if (!found) return Fail(error, "[" + name + "] sits on no USB port");
    const auto temp = file.string() + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << WriteIni(sections);
        if (!out.flush()) return Fail(error, "cannot write " + temp);
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    return ec ? Fail(error, "cannot replace " + file.string() + ": " + ec.message()) : true;
}

}  // namespace qx::sim
