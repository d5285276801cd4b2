// The station's command-line words. A word counts only as a whole argument,
// spelt exactly (case-sensitive): never inside the program's own path nor
// inside another argument, so a station copied into a folder named
// "AutoExecuteQuit_old" and started with no argument starts no round.
#pragma once

#include <string>
#include <vector>

namespace qx::station {

struct CommandLineFlags {
    bool autoExecute = false;           // "AutoExecute": START by itself
    bool autoExecuteQuit = false;       // "AutoExecuteQuit": quit after the run
    bool captureAppImage = false;       // "CaptureAppImage": window capture after the run
    bool singleExecuteResult = false;   // "SingleExecuteResult": per-run result file
};

// args: the arguments after the program path. "AutoExecuteQuit" gives the
// automatic start as well as the quit after the run.
CommandLineFlags ParseCommandLine(const std::vector<std::string>& args);

// "ClearInitFunc" and "InitFunc<n>" (n decimal), each a whole argument, so
// "InitFunc1" is not found inside "InitFunc10". The window clears every check
// mark of the test-item list, then checks item n of each, before the list's
// click handler runs.
struct InitFuncArgs {
    bool clearAll = false;
    std::vector<int> checkItems;   // in command-line order
};
InitFuncArgs ParseInitFuncArgs(const std::vector<std::string>& args);

// The arguments the process received after its own path, in order.
std::vector<std::string> CommandArguments(int argc, const char* const* argv);

}  // namespace qx::station
