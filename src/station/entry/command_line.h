// The station's command-line words. Each counts when it occurs anywhere in
// the whole command line, also inside a longer word: "AutoExecuteQuit" gives
// the automatic start as well as the quit after the run.
#pragma once

#include <string>
#include <string_view>

namespace qx::station {

struct CommandLineFlags {
    bool autoExecute = false;           // "AutoExecute": START by itself
    bool autoExecuteQuit = false;       // "AutoExecuteQuit": quit after the run
    bool captureAppImage = false;       // "CaptureAppImage": window capture after the run
    bool singleExecuteResult = false;   // "SingleExecuteResult": per-run result file
};

CommandLineFlags ParseCommandLine(std::string_view commandLine);

// The command line as the process received it: the arguments joined by one
// blank each, the program first.
std::string WholeCommandLine(int argc, const char* const* argv);

}  // namespace qx::station
