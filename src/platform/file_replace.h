// Replacing a file whole, never throwing: the new bytes go into a file of
// their own beside the old one, are flushed to the disk, and only then take
// the old file's name. On a full disk, a write error or a crash half-way the
// old file stays exactly as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qx::platform {

// Makes path hold exactly bytes. Only a regular file (or no file) may stand
// at path; anything else (a folder, a FIFO, a device) is refused without
// being opened, so a FIFO in its place cannot block the caller. A symbolic
// link is followed and the file it names is replaced, so the link stays.
// The new file keeps the old one's permission bits. False, with the reason in
// error when given, when the file was not replaced; the old one is untouched.
bool ReplaceFileWhole(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace qx::platform
