// "KeyFile.dat": 128 bytes beside the program, the drive encryption string
// scrambled into the even positions 20 to 66 and random filler elsewhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qx::ui {
class Prompter;
}

namespace qx::station {

inline constexpr std::size_t kKeyFileSize = 128;
inline constexpr std::size_t kKeyLength = 24;
inline constexpr std::size_t kKeyFirstPosition = 20;
inline constexpr char kKeyFileName[] = "KeyFile.dat";

using KeyFileImage = std::array<std::uint8_t, kKeyFileSize>;
// One filler byte per call.
using ByteGenerator = std::function<std::uint8_t()>;

// The process's filler source: seeded once, on first use.
ByteGenerator ProcessKeyFiller();

// Takes at most the first 24 characters of text; shorter texts are padded
// with zero characters.
KeyFileImage BuildKeyFileImage(std::string_view text, const ByteGenerator& generator);

// Writes the image to programFolder + "KeyFile.dat" and shows the success
// text; when the file cannot be written, an "Error" box names the path and
// false is returned.
bool WriteKeyFile(const std::string& programFolder, std::string_view text, const ByteGenerator& generator,
                  ui::Prompter& prompter);

}  // namespace qx::station
