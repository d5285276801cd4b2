// The 16-byte tags at the head of the table pages in the code blocks: four
// marker bytes, "QXF84X-V001" and a NUL. A page belongs to its kind only when
// its first 16 bytes equal the tag exactly.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace qx {

using CodeBlockTag = std::array<std::uint8_t, 16>;

constexpr CodeBlockTag MakeCodeBlockTag(std::uint8_t m0, std::uint8_t m1, std::uint8_t m2, std::uint8_t m3) {
    return {m0, m1, m2, m3, 'Q', 'X', 'F', '8', '4', 'X', '-', 'V', '0', '0', '1', 0};
}

inline constexpr CodeBlockTag kDefectTableTag = MakeCodeBlockTag(0xE9, 0x86, 0xAA, 0x55);     // code page 1
inline constexpr CodeBlockTag kEarlyBadTableTag = MakeCodeBlockTag(0x45, 0x79, 0xAA, 0x55);   // code page 2
inline constexpr CodeBlockTag kRemapTableTag = MakeCodeBlockTag(0x9E, 0x68, 0x55, 0xAA);      // code page 3
inline constexpr CodeBlockTag kLaterBadTableTag = MakeCodeBlockTag(0xE8, 0xDC, 0x55, 0xAA);
inline constexpr CodeBlockTag kSystemPageTag = MakeCodeBlockTag('S', 'Y', 'S', 'P');          // code page 4
inline constexpr CodeBlockTag kSmartPageTag = MakeCodeBlockTag(0x68, 0x12, 0x16, 0x50);       // code page 5

inline bool HasCodeBlockTag(std::span<const std::uint8_t> page, const CodeBlockTag& tag) {
    return page.size() >= tag.size() && std::equal(tag.begin(), tag.end(), page.begin());
}

}  // namespace qx
