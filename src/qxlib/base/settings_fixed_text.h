// Helpers for the zero-terminated fixed-size texts of the records.
#pragma once

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

namespace qx {

// Copies src into dst, cut to dst.size() - 1 characters, and zero-fills the rest.
inline void CopyFixedText(std::span<char> dst, std::string_view src) {
    if (dst.empty()) return;
    const std::size_t n = std::min(src.size(), dst.size() - 1);
    std::copy_n(src.data(), n, dst.data());
    std::fill(dst.begin() + static_cast<std::ptrdiff_t>(n), dst.end(), '\0');
}

// The text of a fixed field, up to its first NUL (or the whole field).
inline std::string_view FixedTextView(std::span<const char> field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return {field.data(), static_cast<std::size_t>(end - field.begin())};
}

}  // namespace qx
