#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/write_all.h"

namespace qx::platform {
namespace {

bool Fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

std::string Reason(const char* what, int err) { return std::string(what) + ": " + std::strerror(err); }

// A name beside target that no other save (of this process or another) uses:
// created exclusively, so an existing file of that name is never touched.
int CreateBeside(const std::filesystem::path& target, std::string& tempName, int& err) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = target.string() + ".new" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        // 0666 less the process's umask, as any file the program creates.
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) {
            err = errno;
            return -1;
        }
    }
    err = EEXIST;
    return -1;
}

// The folder's entry of the rename reaches the disk too; a folder that
// cannot be opened or synced leaves the file replaced all the same.
void SyncFolder(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

bool ReplaceFileWhole(const std::filesystem::path& path, std::string_view bytes, std::string* error) {
    if (path.empty()) return Fail(error, "no file name");
    std::filesystem::path target = path;
    struct stat st {};
    bool exists = false;
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            std::error_code ec;
            target = std::filesystem::canonical(path, ec);
            if (ec) return Fail(error, "a link to nothing: " + ec.message());
            if (::stat(target.c_str(), &st) != 0) return Fail(error, Reason("stat", errno));
        }
        if (!S_ISREG(st.st_mode)) return Fail(error, "not a regular file");
        exists = true;
    } else if (errno != ENOENT) {
        return Fail(error, Reason("stat", errno));
    }

    std::string temp;
    int err = 0;
    const int fd = CreateBeside(target, temp, err);
    if (fd < 0) return Fail(error, Reason("create", err));
    bool ok = WriteAll(fd, bytes, &err);
    const char* step = "write";
    // The old file's permission bits; when they cannot be copied (another
    // owner) that is no reason to keep the old content.
    if (ok && exists) (void)::fchmod(fd, st.st_mode & 07777);
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        err = errno;
        step = "flush";
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
        step = "close";
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
        step = "rename";
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail(error, Reason(step, err));
    }
    SyncFolder(target);
    return true;
}

}  // namespace qx::platform
