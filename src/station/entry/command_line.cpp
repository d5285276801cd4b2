#include "station/entry/command_line.h"

namespace qx::station {
namespace {

bool Has(std::string_view line, std::string_view word) { return line.find(word) != std::string_view::npos; }

}  // namespace

CommandLineFlags ParseCommandLine(std::string_view commandLine) {
    CommandLineFlags flags;
    flags.autoExecute = Has(commandLine, "AutoExecute");
    flags.autoExecuteQuit = Has(commandLine, "AutoExecuteQuit");
    flags.captureAppImage = Has(commandLine, "CaptureAppImage");
    flags.singleExecuteResult = Has(commandLine, "SingleExecuteResult");
    return flags;
}

std::string WholeCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (!argv[i]) continue;
        if (!line.empty()) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace qx::station
