#include "sim/rack/log_options_text.h"

#include <charconv>

namespace qx::sim {

std::string LogOptionsToText(const LogOptions& options) {
    if (!options.keep) return "off";
    if (options.ringSize == 0) return "all";
    return "ring " + std::to_string(options.ringSize);
}

std::optional<LogOptions> LogOptionsFromText(std::string_view text) {
    if (text == "off") return LogOptions{};
    if (text == "all") return LogOptions{.keep = true};
    constexpr std::string_view kRing = "ring ";
    if (!text.starts_with(kRing)) return std::nullopt;
    const std::string_view number = text.substr(kRing.size());
    std::size_t size = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), size);
    if (ec != std::errc() || end != number.data() + number.size() || size == 0) return std::nullopt;
    return LogOptions{.keep = true, .ringSize = size};
}

}  // namespace qx::sim
