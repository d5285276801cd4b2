#include "station/results/text_file.h"

namespace qx::station {

AppendFile OpenForAppend(const std::string& path) {
    AppendFile out;
    out.file.reset(std::fopen(path.c_str(), "ab"));
    if (out.file && std::fseek(out.file.get(), 0, SEEK_END) == 0) out.size = std::ftell(out.file.get());
    return out;
}

FilePtr CreateFresh(const std::string& path) { return FilePtr(std::fopen(path.c_str(), "wb")); }

bool Put(std::FILE* f, std::string_view text) {
    return f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
}

}  // namespace qx::station
