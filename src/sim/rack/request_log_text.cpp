#include "sim/rack/request_log_text.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace qx::sim {
namespace {

constexpr std::uint8_t kSat12 = 0xA1;
constexpr std::uint8_t kSat16 = 0x85;

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    char b[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(b, sizeof b, "%02X", bytes[i]);
        out += b;
    }
    return out;
}

}  // namespace

std::string RequestLogText(const RequestLog& log) {
    std::string text;
    for (const LoggedRequest& r : log.Snapshot()) {
        text += r.path;
        if (r.route == Route::Ata) {
            text += " ata " + Hex(r.current.data(), r.current.size()) + " ata=" + Hex(&r.current[platform::kTfCommand], 1);
        } else {
            text += " scsi " + Hex(r.cdb.data(), r.cdb.size());
            if (r.cdb.size() >= 12 && r.cdb[0] == kSat12) text += " ata=" + Hex(&r.cdb[9], 1);
            if (r.cdb.size() >= 16 && r.cdb[0] == kSat16) text += " ata=" + Hex(&r.cdb[14], 1);
        }
        text += '\n';
    }
    return text;
}

void AppendRequestLogFromEnvironment(const RequestLog& log) {
    const char* file = std::getenv("QX_SIM_REQUEST_LOG");
    if (file == nullptr || *file == '\0') return;
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << RequestLogText(log);
}

}  // namespace qx::sim
