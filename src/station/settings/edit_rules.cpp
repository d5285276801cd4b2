#include "station/settings/edit_rules.h"

namespace qx::station {
namespace {

constexpr char kBackspace = '\b';

bool IsControl(char key) { return static_cast<unsigned char>(key) < 0x20; }
bool IsDigit(char key) { return key >= '0' && key <= '9'; }

}  // namespace

char StringAEditKey(char key) {
    if (key >= 'a' && key <= 'f') return static_cast<char>(key - 'a' + 'A');
    if (IsControl(key) || IsDigit(key) || (key >= 'A' && key <= 'F')) return key;
    return '\0';
}

char SerialNumEditKey(char key, bool snDecimal) {
    if (!snDecimal) return StringAEditKey(key);
    return NumeralKey(key);
}

char NumeralKey(char key) { return IsControl(key) || IsDigit(key) ? key : '\0'; }

char IdemaCapacityEditKey(char key) { return key == kBackspace || IsDigit(key) ? key : '\0'; }

char ModelNumEditKey(char key) { return key == '\\' ? '\0' : key; }

std::optional<std::size_t> StringEditWidth(int tag) {
    switch (tag) {
    case 0: return 40;
    case 1: return 8;
    case 2: return 20;
    case 3: return 16;
    case 4: return 24;
    default: return std::nullopt;
    }
}

std::string CutUsbId(std::string_view text) { return std::string(text.substr(0, 4)); }

std::optional<std::string> CutFat32VolumeLabel(std::string_view label) {
    if (label.size() < 12) return std::nullopt;
    return std::string(label.substr(0, 11));
}

}  // namespace qx::station
