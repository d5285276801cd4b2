// A WWN made from a drive's serial number and the date, for customers whose
// WWN encodes the production date ([Setting] EnRudavuzSnToWWN).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qx::station {

struct CalendarDate {
    int year = 2000;
    int month = 1;
    int day = 1;
};

struct DerivedIdentity {
    std::string serial;   // the serial number the drive gets (modes 2 and 3 drop its first two characters)
    std::string wwn;      // at most 17 characters
};

inline constexpr std::size_t kDerivedWwnChars = 17;

// By [Setting] RudavuzSnToWWNMode 0..3; nullopt for any other mode. Characters
// past the serial's end count as absent: a number of no digits is 0 and a
// text is shorter.
std::optional<DerivedIdentity> DeriveWwnFromSerial(std::string_view serial, int mode, const CalendarDate& date);

}  // namespace qx::station
