#include "station/results/log_directory.h"

#include <sys/stat.h>

#include <cerrno>

#include "qxlib/base/debug_print.h"

namespace qx::station {

void EnsureLogDirectory(const std::string& logDir) {
    struct stat st {};
    if (::stat(logDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    if (!logDir.empty() && ::mkdir(logDir.c_str(), 0777) == 0) return;
    DebugPrint("FAILED(EnsureLogDirectory) '%s' errno %d\r\n", logDir.c_str(), errno);
    throw CannotCreateLogDirectory();
}

}  // namespace qx::station
