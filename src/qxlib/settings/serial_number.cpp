#include "qxlib/settings/serial_number.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "qxlib/base/settings_fixed_text.h"

namespace qx {

int LineLength(std::span<const char> text) {
    const auto end = std::find_if(text.begin(), text.end(), [](char c) { return c == '\0' || c == '\n'; });
    return static_cast<int>(end - text.begin());
}

void IncHexSerialNumber(std::span<char> text) {
    for (int i = LineLength(text) - 1; i >= 0; --i) {
        char& c = text[static_cast<std::size_t>(i)];
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (c == 'F') {
            c = '0';
            continue;
        }
        if ((c >= '0' && c <= '8') || (c >= 'A' && c <= 'E')) {
            ++c;
        } else if (c == '9') {
            c = 'A';
        } else {
            c = '0';
        }
        return;
    }
}

void IncDecSerialNumber(std::span<char> text) {
    for (int i = LineLength(text) - 1; i >= 0; --i) {
        char& c = text[static_cast<std::size_t>(i)];
        if (c == '9') {
            c = '0';
            continue;
        }
        if (c >= '0' && c <= '8') {
            ++c;
        } else {
            c = '0';
        }
        return;
    }
}

void FitSerialNumber(std::span<char> field, std::size_t length) {
    if (field.empty()) return;
    length = std::min(length, field.size() - 1);
    const std::string_view current = FixedTextView(field);
    std::string fitted;
    if (current.size() >= length) {
        fitted = current.substr(current.size() - length);
    } else {
        fitted.assign(length - current.size(), '0');
        fitted += current;
    }
    CopyFixedText(field, fitted);
}

}  // namespace qx
