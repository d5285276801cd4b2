// Small text helpers every page shares: printf-style texts as the pages
// print them, the trim of the identity edits, memo lines out of a text with
// line breaks, and the 16-byte dump line of the page and memory dumps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx::utility {

// printf into a std::string of any length.
[[gnu::format(printf, 1, 2)]] std::string Printf(const char* format, ...);
[[gnu::format(printf, 2, 3)]] void AppendPrintf(std::string& text, const char* format, ...);

// "%c" of a byte: a NUL byte adds nothing (the text would end there).
void AppendChar(std::string& text, std::uint8_t byte);

// Leading and trailing blanks and control characters removed.
std::string TrimText(const std::string& text);

// The lines a memo shows for a text added to it: split at CR LF, LF or CR;
// a line break at the very end ends the last line and adds no empty one.
std::vector<std::string> MemoLines(const std::string& text);

// "<%4.4X>" and the 16 bytes at offset as "%2.2X, " pairs with "|| " after
// the eighth. Bytes past the data count as 0.
std::string SixteenByteDumpLine(std::uint32_t offset, std::span<const std::uint8_t> data);

}  // namespace qx::utility
