// Whole-file reads that never throw: a file that cannot be read (missing, a
// folder, no permission, a read error half-way) gives no bytes, and the
// caller turns that into its own message or default.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qx::platform {

// The bytes of a regular file; nullopt when it cannot be read to its end.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

}  // namespace qx::platform
