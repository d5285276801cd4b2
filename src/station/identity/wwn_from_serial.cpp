#include "station/identity/wwn_from_serial.h"

#include <cstdio>

namespace qx::station {
namespace {

// Characters from..from+count-1 of the text, as many as it has.
std::string_view Chars(std::string_view text, std::size_t from, std::size_t count) {
    if (from >= text.size()) return {};
    return text.substr(from, count);
}

std::string_view Last(std::string_view text, std::size_t count) {
    return text.size() <= count ? text : text.substr(text.size() - count);
}

// The leading decimal digits of the text; 0 without any.
long Number(std::string_view text) {
    long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Wraps like the 32-bit value the hexadecimal field prints.
unsigned Hex(long value) { return static_cast<unsigned>(value); }

std::string Cut(const char* text) { return std::string(text).substr(0, kDerivedWwnChars); }

}  // namespace

std::optional<DerivedIdentity> DeriveWwnFromSerial(std::string_view serial, int mode, const CalendarDate& date) {
    char wwn[96];
    const unsigned y = Hex(date.year - 2010);
    const unsigned m = Hex(date.month);
    const int d = date.day;
    DerivedIdentity out{std::string(serial), {}};
    switch (mode) {
    case 0:
        std::snprintf(wwn, sizeof wwn, "0%x%x%2.2d%4.4x", Hex(Number(Chars(serial, 9, 2)) - 10),
                      Hex(Number(Chars(serial, 11, 2))), static_cast<int>(Number(Chars(serial, 13, 2))),
                      Hex(Number(Chars(serial, 15, 5))));
        break;
    case 1: std::snprintf(wwn, sizeof wwn, "0%x%x%2.2d%4.4x", y, m, d, Hex(Number(Last(serial, 7)))); break;
    case 2:
    case 3: {
        out.serial = std::string(Chars(serial, 2, 20));
        const std::string tail(Last(out.serial, mode == 2 ? 3 : 4));
        std::snprintf(wwn, sizeof wwn, mode == 2 ? "0%x%x%2.2d0%s" : "0%x%x%2.2d%s", y, m, d, tail.c_str());
        break;
    }
    default: return std::nullopt;
    }
    out.wwn = Cut(wwn);
    return out;
}

}  // namespace qx::station
