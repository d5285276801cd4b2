// A fresh folder for one test, removed afterwards; optionally the working
// folder for the test's life (files the library writes "beside" it land there).
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace qx::test {

class TempDir {
public:
    explicit TempDir(bool enter = false) {
        char pattern[] = "/tmp/qxtest.XXXXXX";
        path_ = ::mkdtemp(pattern);
        if (enter) {
            previous_ = std::filesystem::current_path();
            std::filesystem::current_path(path_);
        }
    }
    ~TempDir() {
        if (!previous_.empty()) std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace qx::test
