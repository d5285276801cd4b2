// The WWN made from a serial number and the date, every mode, and serials
// shorter than the characters a mode reads.
#include <gtest/gtest.h>

#include "station/identity/wwn_from_serial.h"

namespace qx::test {
namespace {

using station::CalendarDate;
using station::DeriveWwnFromSerial;

constexpr CalendarDate kDate{2015, 6, 12};

struct WwnCase {
    const char* serial;
    int mode;
    const char* serialAfter;
    const char* wwn;
};

TEST(DeriveWwnFromSerialTest, EveryModeOnFullAndShortSerials) {
    const WwnCase cases[] = {
        {"ABCDEFGHI15061200042", 0, "ABCDEFGHI15061200042", "05612002a"},
        {"ABCDEFGHI15061200042", 1, "ABCDEFGHI15061200042", "05612124faa"},
        {"ABCDEFGHI15061200042", 2, "CDEFGHI15061200042", "056120042"},
        {"ABCDEFGHI15061200042", 3, "CDEFGHI15061200042", "056120042"},
        // Short serials: what lies past the end is absent (no digits: 0).
        {"ABCDEFGHI1506", 0, "ABCDEFGHI1506", "056000000"},
        {"ABCDEFGHI15", 0, "ABCDEFGHI15", "050000000"},
        {"12345", 1, "12345", "056123039"},
        {"AB", 2, "", "056120"},
        {"A", 3, "", "05612"},
        {"ABC42", 2, "C42", "056120C42"},
        // Mode 0 below ten in characters 9-10 wraps like the 32-bit field,
        // cut to the 17 characters a WWN holds.
        {"ABCDEFGHI05061200042", 0, "ABCDEFGHI05061200042", "0fffffffb612002a"},
        {"ABCDEFGHI05999999999", 0, "ABCDEFGHI05999999999", "0fffffffb63991869"},
        {"", 0, "", "0fffffff60000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.serial) + " mode " + std::to_string(c.mode));
        const auto d = DeriveWwnFromSerial(c.serial, c.mode, kDate);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->serial, c.serialAfter);
        EXPECT_EQ(d->wwn, c.wwn);
        EXPECT_LE(d->wwn.size(), 17u);
    }
}

TEST(DeriveWwnFromSerialTest, TheDateShowsYearAndMonthInHexadecimal) {
    const auto d = DeriveWwnFromSerial("ABCDEFGHI15061200042", 1, {2026, 12, 5});
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->wwn, "010c05124faa");
}

TEST(DeriveWwnFromSerialTest, OtherModesDeriveNothing) {
    EXPECT_FALSE(DeriveWwnFromSerial("ABCDEFGHI15061200042", 4, kDate).has_value());
    EXPECT_FALSE(DeriveWwnFromSerial("ABCDEFGHI15061200042", 255, kDate).has_value());
}

}  // namespace
}  // namespace qx::test
