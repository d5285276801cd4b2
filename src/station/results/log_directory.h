// The log folder every result file of a run goes to. Its text is used as
// written: a file's path is the folder text followed directly by the file
// name, so a folder text without a trailing separator acts as a name prefix.
#pragma once

#include <stdexcept>
#include <string>

namespace qx::station {

// The one failure of the station raised as an exception: the log folder is
// missing and could not be created. Start-up and the run's log writing catch
// it and end the operation that raised it.
class CannotCreateLogDirectory : public std::runtime_error {
public:
    CannotCreateLogDirectory() : std::runtime_error("Cannot create log directory.") {}
};

// Creates the folder (one level) when it does not exist; throws
// CannotCreateLogDirectory when that fails.
void EnsureLogDirectory(const std::string& logDir);

// logDir + name, the folder text used as a prefix.
inline std::string LogFilePath(const std::string& logDir, const std::string& name) { return logDir + name; }

}  // namespace qx::station
