// The station's command-line words. Each counts when it occurs anywhere in
// the whole command line, also inside a longer word: "AutoExecuteQuit" gives
// the automatic start as well as the quit after the run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qx::station {

struct CommandLineFlags {
    bool autoExecute = false;           // "AutoExecute": START by itself
    bool autoExecuteQuit = false;       // "AutoExecuteQuit": quit after the run
    bool captureAppImage = false;       // "CaptureAppImage": window capture after the run
    bool singleExecuteResult = false;   // "SingleExecuteResult": per-run result file
};

CommandLineFlags ParseCommandLine(std::string_view commandLine);

// "ClearInitFunc" and "InitFunc<n>" (n decimal), each a whole argument, so
// "InitFunc1" is not found inside "InitFunc10". The window clears every check
// mark of the test-item list, then checks item n of each, before the list's
// click handler runs.
struct InitFuncArgs {
    bool clearAll = false;
    std::vector<int> checkItems;   // in command-line order
};
InitFuncArgs ParseInitFuncArgs(int argc, const char* const* argv);

// The command line as the process received it: the arguments joined by one
// blank each, the program first.
std::string WholeCommandLine(int argc, const char* const* argv);

}  // namespace qx::station
