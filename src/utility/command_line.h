// The utility's command-line words. A word counts only as a whole argument,
// spelt exactly (case-sensitive): never inside the program's own path or
// inside another argument, so neither a folder named "rwtests" nor a dump
// named "myrwtestname" starts the destructive write test.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qx::utility {

inline constexpr char kWordRwTest[] = "rwtest";
inline constexpr char kWordDumpSsdInfo[] = "dumpssdinfo";
inline constexpr char kWordDumpSsdRaw[] = "dumpssdraw";

class CommandLine {
public:
    CommandLine() = default;
    // args: the arguments after the program path.
    explicit CommandLine(std::vector<std::string> args) : args_(std::move(args)) {}
    static CommandLine FromMain(int argc, const char* const* argv);

    // Whether one argument is exactly the word.
    bool Has(std::string_view word) const;
    // The second argument (whatever the position of the word); empty when none.
    std::string SecondArgument() const { return args_.size() >= 2 ? args_[1] : std::string(); }
    // "rwtest" or "dumpssdinfo": the run acts on a drive by itself.
    bool WantsDrive() const { return Has(kWordRwTest) || Has(kWordDumpSsdInfo); }

private:
    std::vector<std::string> args_;
};

}  // namespace qx::utility
