#include "qxlib/programs/image_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace qx {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::string& path) { return File(std::fopen(path.c_str(), "rb")); }

}  // namespace

bool ReadFileBytesAt(const std::string& path, std::uint64_t position, std::size_t count, std::span<char> buffer) {
    if (buffer.size() <= count) return false;
    File f = OpenForReading(path);
    if (!f) return false;
    std::fill_n(buffer.begin(), count, '\xFF');
    buffer[count] = '\0';
    const std::uint64_t size = GetFileSizeByStat(path);
    if (position >= size || position > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) return true;
    if (std::fseek(f.get(), static_cast<long>(position), SEEK_SET) != 0) return true;
    std::fread(buffer.data(), 1, count, f.get());
    return true;
}

std::string ReadFileTextAt(const std::string& path, std::uint64_t position, std::size_t count) {
    std::vector<char> buffer(count + 1);
    if (!ReadFileBytesAt(path, position, count, buffer)) return {};
    return std::string(buffer.data());
}

bool CheckBinFileChecksum(const std::string& path) {
    const std::uint64_t size = GetFileSizeByStat(path);
    File f = OpenForReading(path);
    if (!f || size < 2) return false;
    std::uint8_t sum = 0;
    int kept = -1;
    std::uint64_t at = 0;
    std::vector<std::uint8_t> chunk(64 * 1024);
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), f.get())) > 0;) {
        for (std::size_t i = 0; i < n; ++i, ++at) {
            if (at == size - 2)
                kept = chunk[i];
            else
                sum = static_cast<std::uint8_t>(sum + chunk[i]);
        }
    }
    return sum == 0 && kept == 0xA5;
}

std::uint64_t GetFileSizeByStat(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t GetFileSizeInKB(const std::string& path) {
    const std::uint64_t size = GetFileSizeByStat(path);
    return size / 1024 + (size % 1024 != 0 ? 1 : 0);
}

long StrToLong(std::string_view text) {
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (value > (std::numeric_limits<long>::max() - 9) / 10) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace qx
