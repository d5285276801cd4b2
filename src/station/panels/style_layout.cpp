#include "station/panels/style_layout.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "ui/profile_ini.h"
#include "ui/profile_ini_editor.h"

namespace qx::station {
namespace {

constexpr std::size_t kMaxWord = 11;
constexpr std::size_t kMaxValue = 256;
constexpr std::string_view kBlanks = " \t";
constexpr char kStyle[] = "Style";
constexpr char kMain[] = "Main";

bool NextToken(std::string_view& text, std::string_view& token) {
    const auto start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return false;
    text.remove_prefix(start);
    const auto end = text.find_first_of(kBlanks);
    token = text.substr(0, end);
    text.remove_prefix(token.size());
    return true;
}

bool Decimal(std::string_view token, int& value) {
    if (token.starts_with('+')) token.remove_prefix(1);
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    return ec == std::errc{} && end == token.data() + token.size();
}

std::string PanelKey(int port) { return "PortPanel" + std::to_string(port); }

bool PositionInBounds(int value) { return value >= -kMaxLayoutCoordinate && value <= kMaxLayoutCoordinate; }
bool SizeInBounds(int value) { return value >= 0 && value <= kMaxLayoutCoordinate; }

int BoundedInteger(const ProfileIni& ini, const char* key, int fallback, bool (*inBounds)(int)) {
    const int value = ini.ReadInteger(kMain, key, fallback);
    return inBounds(value) ? value : fallback;
}

}  // namespace

std::optional<PanelRect> ParseStylePanelValue(std::string_view value) {
    if (value.size() > kMaxValue) return std::nullopt;
    int numbers[4];
    for (int& n : numbers) {
        std::string_view word;
        std::string_view number;
        if (!NextToken(value, word) || word.size() > kMaxWord) return std::nullopt;
        if (!NextToken(value, number) || !Decimal(number, n)) return std::nullopt;
    }
    if (!PositionInBounds(numbers[0]) || !PositionInBounds(numbers[1]) || !SizeInBounds(numbers[2]) ||
        !SizeInBounds(numbers[3]))
        return std::nullopt;
    return PanelRect{numbers[0], numbers[1], numbers[2], numbers[3]};
}

std::string FormatStylePanelValue(const PanelRect& p) {
    return "Left " + std::to_string(p.Left) + " Top " + std::to_string(p.Top) + " Width " + std::to_string(p.Width) +
           " Height " + std::to_string(p.Height);
}

std::optional<StyleLayout> LoadStyleLayout(const std::filesystem::path& file, int panelCount) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return std::nullopt;
    const ProfileIni ini = ProfileIni::Load(file);
    StyleLayout layout;
    const int count = PanelLoopCount(panelCount);
    for (int i = 0; i < count; ++i) {
        const std::string value = ini.ReadString(kStyle, PanelKey(i), "NULL");
        std::optional<PanelRect> rect;
        if (value != "NULL") rect = ParseStylePanelValue(value);
        if (rect) layout.Range.Raise(*rect);
        layout.Panels.push_back(rect);
    }
    const MainGeometry defaults;
    layout.Main.Left = BoundedInteger(ini, "Left", defaults.Left, PositionInBounds);
    layout.Main.Top = BoundedInteger(ini, "Top", defaults.Top, PositionInBounds);
    layout.Main.Width = BoundedInteger(ini, "Width", defaults.Width, SizeInBounds);
    layout.Main.Height = BoundedInteger(ini, "Height", defaults.Height, SizeInBounds);
    return layout;
}

PanelPlacement ApplyStyleLayout(PanelPlacement grid, const StyleLayout& layout) {
    grid.Range = layout.Range;
    const std::size_t count = std::min(grid.Panels.size(), layout.Panels.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (layout.Panels[i]) grid.Panels[i] = *layout.Panels[i];
    }
    return grid;
}

bool SaveStyleLayout(const std::filesystem::path& file, const std::vector<PanelRect>& panels,
                     const MainGeometry& main) {
    ProfileIniEditor ini = ProfileIniEditor::Load(file);
    ini.EraseSection(kStyle);
    const int count = PanelLoopCount(static_cast<int>(panels.size()));
    for (int i = 0; i < count; ++i) {
        ini.WriteString(kStyle, PanelKey(i), FormatStylePanelValue(panels[static_cast<std::size_t>(i)]));
    }
    ini.WriteInteger(kMain, "Left", main.Left);
    ini.WriteInteger(kMain, "Top", main.Top);
    ini.WriteInteger(kMain, "Width", main.Width);
    ini.WriteInteger(kMain, "Height", main.Height);
    return ini.Save(file);
}

}  // namespace qx::station
