#include "platform/trace_sink.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace qx::platform {
namespace {
std::mutex g_lock;
TraceSink g_sink;

void DefaultSink(std::string_view text) {
    static const bool toStderr = std::getenv("QX_TRACE_STDERR") != nullptr;
    if (toStderr) std::fwrite(text.data(), 1, text.size(), stderr);
}
}  // namespace

void DebugOutput(std::string_view text) {
    std::lock_guard<std::mutex> g(g_lock);
    if (g_sink) g_sink(text);
    else DefaultSink(text);
}

void SetTraceSink(TraceSink sink) {
    std::lock_guard<std::mutex> g(g_lock);
    g_sink = std::move(sink);
}

}  // namespace qx::platform
