#include "utility/pages/page_text.h"

#include <cstdarg>
#include <cstdio>

namespace qx::utility {
namespace {

void AppendV(std::string& text, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return;
    const std::size_t at = text.size();
    text.resize(at + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(text.data() + at, static_cast<std::size_t>(n) + 1, format, args);
    text.resize(at + static_cast<std::size_t>(n));
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string Printf(const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    AppendV(text, format, args);
    va_end(args);
    return text;
}

void AppendPrintf(std::string& text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendV(text, format, args);
    va_end(args);
}

void AppendChar(std::string& text, std::uint8_t byte) {
    if (byte != 0) text.push_back(static_cast<char>(byte));
}

std::string TrimText(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::vector<std::string> MemoLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.push_back(std::move(line));
            line.clear();
            open = false;
            continue;
        }
        line.push_back(c);
        open = true;
    }
    if (open) lines.push_back(std::move(line));
    return lines;
}

std::string SixteenByteDumpLine(std::uint32_t offset, std::span<const std::uint8_t> data) {
    unsigned b[16] = {};
    for (std::size_t i = 0; i < 16; ++i) b[i] = offset + i < data.size() ? data[offset + i] : 0u;
    return Printf("<%4.4X>%2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, || %2.2X, %2.2X, %2.2X, %2.2X, "
                  "%2.2X, %2.2X, %2.2X, %2.2X",
                  offset, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
}

}  // namespace qx::utility
