#include "station/entry/command_line.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <system_error>

namespace qx::station {
namespace {

bool Has(const std::vector<std::string>& args, std::string_view word) {
    return std::find(args.begin(), args.end(), word) != args.end();
}

}  // namespace

CommandLineFlags ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineFlags flags;
    flags.autoExecuteQuit = Has(args, "AutoExecuteQuit");
    flags.autoExecute = flags.autoExecuteQuit || Has(args, "AutoExecute");
    flags.captureAppImage = Has(args, "CaptureAppImage");
    flags.singleExecuteResult = Has(args, "SingleExecuteResult");
    return flags;
}

InitFuncArgs ParseInitFuncArgs(const std::vector<std::string>& args) {
    constexpr std::string_view kClear = "ClearInitFunc";
    constexpr std::string_view kItem = "InitFunc";
    InitFuncArgs result;
    for (std::string_view arg : args) {
        if (arg == kClear) {
            result.clearAll = true;
            continue;
        }
        if (!arg.starts_with(kItem)) continue;
        arg.remove_prefix(kItem.size());
        int n = 0;
        const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), n);
        if (!arg.empty() && ec == std::errc{} && end == arg.data() + arg.size() && arg.front() != '-')
            result.checkItems.push_back(n);
    }
    return result;
}

std::vector<std::string> CommandArguments(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (argv[i]) args.emplace_back(argv[i]);
    return args;
}

}  // namespace qx::station
