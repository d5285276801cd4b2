#include "utility/command_line.h"

namespace qx::utility {

CommandLine CommandLine::FromMain(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return CommandLine(std::move(args));
}

bool CommandLine::Has(std::string_view word) const {
    for (const std::string& a : args_)
        if (a == word) return true;
    return false;
}

}  // namespace qx::utility
