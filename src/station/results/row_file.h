// A result file written row by row (the production log, the single-run
// file): each row reaches the file whole or not at all, so a full disk never
// leaves a torn row behind, and the rows already there are never touched.
#pragma once

#include <string>
#include <string_view>

namespace qx::station {

class RowFile {
public:
    // An existing file opened for appending, or a new one created; never
    // shortened. Only a regular file is opened: a FIFO or a device of that
    // name is refused without waiting for a reader.
    static RowFile OpenForAppend(const std::string& path);
    // A file created anew (an existing one is emptied), regular files only.
    static RowFile CreateFresh(const std::string& path);

    RowFile() = default;
    RowFile(RowFile&& other) noexcept;
    RowFile& operator=(RowFile&& other) noexcept;
    RowFile(const RowFile&) = delete;
    RowFile& operator=(const RowFile&) = delete;
    ~RowFile();

    bool IsOpen() const { return fd_ >= 0; }
    // The file's length: as opened, plus every row appended since.
    long long Size() const { return size_; }

    // Appends text whole. When it does not all go out (a full disk, the file
    // size limit, an I/O error) the file is cut back to the length it had
    // before, and the result is false. False on a closed file.
    bool Append(std::string_view text);
    // Closes the file; false when it was not open or the close reports an
    // error (the rows may then not have reached the disk).
    bool Close();

private:
    static RowFile Open(const std::string& path, int flags);

    int fd_ = -1;
    long long size_ = 0;
};

}  // namespace qx::station
