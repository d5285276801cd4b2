#include "platform/file_bytes.h"

#include <cstdio>
#include <memory>

namespace qx::platform {

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) return std::nullopt;
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, f.get());
        bytes.append(chunk, got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(f.get())) return std::nullopt;
    return bytes;
}

}  // namespace qx::platform
