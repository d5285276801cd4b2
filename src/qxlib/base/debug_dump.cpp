#include "qxlib/base/debug_dump.h"

#include <cstdio>

#include "qxlib/base/switches.h"

namespace qx {

void WriteDebugDump(const char* name, const void* data, std::size_t length) {
    if (DumpDebugFile.load()) WriteDumpFile(name, data, length);
}

void WriteDumpFile(const char* name, const void* data, std::size_t length) {
    if (name == nullptr) return;
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr) return;
    if (length != 0 && data != nullptr) std::fwrite(data, 1, length, f);
    std::fclose(f);
}

}  // namespace qx
