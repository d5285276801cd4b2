#include "qxlib/base/debug_print.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/named_mutex.h"
#include "platform/trace_sink.h"
#include "qxlib/base/switches.h"

namespace qx {

void DebugPrint(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) return;
    const std::size_t length = std::strlen(text);

    platform::DebugOutput(std::string_view(text, length));
    if (!DebugToFile.load()) return;

    // Created on the first line that goes to the file and kept for the
    // process's life; the station and the utility append to one file.
    static platform::NamedMutex mutex("DBGAcess");
    std::lock_guard<platform::NamedMutex> hold(mutex);
    if (std::FILE* f = std::fopen("DbgMsg.txt", "ab")) {
        std::fwrite(text, 1, length, f);
        std::fclose(f);
    }
}

}  // namespace qx
