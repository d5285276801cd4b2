#include "station/entry/command_line.h"

#include <charconv>
#include <system_error>

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

InitFuncArgs ParseInitFuncArgs(int argc, const char* const* argv) {
    constexpr std::string_view kClear = "ClearInitFunc";
    constexpr std::string_view kItem = "InitFunc";
    InitFuncArgs args;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i]) continue;
        std::string_view arg = argv[i];
        if (arg == kClear) {
            args.clearAll = true;
            continue;
        }
        if (!arg.starts_with(kItem)) continue;
        arg.remove_prefix(kItem.size());
        int n = 0;
        const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), n);
        if (!arg.empty() && ec == std::errc{} && end == arg.data() + arg.size() && arg.front() != '-') {
            args.checkItems.push_back(n);
        }
    }
    return args;
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
