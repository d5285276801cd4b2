// Small file helpers for the result files: 8-bit text written as given.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace qx::station {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens an existing file for appending, or creates it; never shortens it.
// size is the file's length when opened (0 for a new or empty file).
struct AppendFile {
    FilePtr file;
    long size = 0;
};
AppendFile OpenForAppend(const std::string& path);

// Creates the file anew (an existing one is emptied). Null when it cannot.
FilePtr CreateFresh(const std::string& path);

// Writes the text; false when not all of it went out.
bool Put(std::FILE* f, std::string_view text);

}  // namespace qx::station
