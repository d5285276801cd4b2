#include "qxlib/programs/program_paths.h"

#include <mutex>

namespace qx {
namespace {

std::mutex g_lock;
std::string g_gdpPath;
std::string g_testPath;

}  // namespace

void SetGdpImagePath(std::string path) {
    std::lock_guard hold(g_lock);
    g_gdpPath = std::move(path);
}

std::string GdpImagePath() {
    std::lock_guard hold(g_lock);
    return g_gdpPath;
}

void SetTestImagePath(std::string path) {
    std::lock_guard hold(g_lock);
    g_testPath = std::move(path);
}

std::string TestImagePath() {
    std::lock_guard hold(g_lock);
    return g_testPath;
}

}  // namespace qx
