#include "platform/linux/raw_rights.h"

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>

namespace qx::platform::linux_rights {
namespace {
constexpr int kCapSysRawIo = 17;
}

bool StatusHasRawIo(const std::string& statusText) {
    std::istringstream in(statusText);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("CapEff:", 0) != 0) continue;
        const std::uint64_t mask = std::stoull(line.substr(7), nullptr, 16);
        return (mask >> kCapSysRawIo) & 1u;
    }
    return false;
}

bool CanSendRawCommands() {
    if (::geteuid() == 0) return true;
    std::ifstream in("/proc/self/status");
    std::stringstream text;
    text << in.rdbuf();
    return StatusHasRawIo(text.str());
}

}  // namespace qx::platform::linux_rights
