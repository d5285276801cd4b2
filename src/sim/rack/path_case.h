// Interface paths are Windows-shaped names, which compare without regard to
// letter case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

namespace qx::sim {

inline bool SamePathNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace qx::sim
