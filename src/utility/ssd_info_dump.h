// The SSD information dump the command word "dumpssdinfo" writes: the USB
// identity fields and the SSD Setting edits, as one 8-bit text.
#pragma once

#include <filesystem>
#include <string>

namespace qx::utility {

class UtilityView;

// The text, from the view's edits; the edits carry their own line ends.
std::string SsdInfoDumpText(const UtilityView& view);

// Writes programFolder / (name + ".txt") in one write, replacing the file.
// The name is joined as given: no name gives ".txt". False when the file
// could not be created or written.
bool DumpSSDInfo(const UtilityView& view, const std::filesystem::path& programFolder, const std::string& name,
                 std::filesystem::path* written);

}  // namespace qx::utility
