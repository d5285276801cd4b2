#include "station/results/log_file_choice.h"

#include <sys/stat.h>

#include <cstdio>

#include "station/results/log_directory.h"

namespace qx::station {
namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Size of a file that can be opened for reading; -1 otherwise.
long ReadableSize(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    std::fclose(f);
    return size;
}

}  // namespace

std::string ProductionLogFile::NameFor(int index) const {
    char part[24];
    std::snprintf(part, sizeof part, "_%03d.txt", index);
    return LogNamePattern + part;
}

void SelectProductionLogFile(const std::string& logDir, const std::tm& today, ProductionLogFile& log) {
    log.LogSizeLimit = kLogSizeLimit;
    EnsureLogDirectory(logDir);
    char date[48];
    std::snprintf(date, sizeof date, "%04d%02d%02d", today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
    log.LogNamePattern = logDir + date;

    int i = 0;
    while (FileExists(log.NameFor(i))) {
        if (++i >= kLogFileIndexMax) break;
    }
    if (i < kLogFileIndexMax && i > 0) --i;
    if (ReadableSize(log.NameFor(i)) >= log.LogSizeLimit) ++i;
    log.LogFileIndex = i;
    log.LogFileName = log.NameFor(i);
}

}  // namespace qx::station
