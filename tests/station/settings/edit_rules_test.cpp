#include <gtest/gtest.h>

#include <string>

#include "station/settings/edit_rules.h"
#include "station/settings/integer_text.h"

namespace qx::station {
namespace {

TEST(EditRules, KeyFilters) {
    struct Case {
        char key;
        char stringA, serialHex, serialDecimal, numeral, idema, model;
    };
    const Case cases[] = {
        {'a', 'A', 'A', 0, 0, 0, 'a'},          {'f', 'F', 'F', 0, 0, 0, 'f'},
        {'g', 0, 0, 0, 0, 0, 'g'},              {'C', 'C', 'C', 0, 0, 0, 'C'},
        {'7', '7', '7', '7', '7', '7', '7'},    {'\r', '\r', '\r', '\r', '\r', 0, '\r'},
        {'\b', '\b', '\b', '\b', '\b', '\b', '\b'}, {'\x03', '\x03', '\x03', '\x03', '\x03', 0, '\x03'},
        {' ', 0, 0, 0, 0, 0, ' '},              {'\\', 0, 0, 0, 0, 0, 0},
        {'-', 0, 0, 0, 0, 0, '-'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.key));
        EXPECT_EQ(StringAEditKey(c.key), c.stringA);
        EXPECT_EQ(SerialNumEditKey(c.key, false), c.serialHex);
        EXPECT_EQ(SerialNumEditKey(c.key, true), c.serialDecimal);
        EXPECT_EQ(NumeralKey(c.key), c.numeral);
        EXPECT_EQ(IdemaCapacityEditKey(c.key), c.idema);
        EXPECT_EQ(ModelNumEditKey(c.key), c.model);
    }
}

TEST(EditRules, WidthsAndCuts) {
    EXPECT_EQ(StringEditWidth(0), 40u);
    EXPECT_EQ(StringEditWidth(1), 8u);
    EXPECT_EQ(StringEditWidth(2), 20u);
    EXPECT_EQ(StringEditWidth(3), 16u);
    EXPECT_EQ(StringEditWidth(4), 24u);
    EXPECT_FALSE(StringEditWidth(5));
    EXPECT_EQ(CutUsbId("1A2B3"), "1A2B");
    EXPECT_EQ(CutUsbId("1A"), "1A");
    EXPECT_FALSE(CutFat32VolumeLabel("ELEVENCHARS"));
    EXPECT_EQ(CutFat32VolumeLabel("TWELVE_CHARS"), "TWELVE_CHAR");
}

TEST(EditRules, IntegersFromEdits) {
    struct Case {
        const char* text;
        long long value;
    };
    const Case good[] = {{"0", 0},     {"123", 123},   {"-5", -5},  {"0x1F", 31},
                         {"0X1f", 31}, {"x10", 16},    {"X10", 16}, {"$FF", 255},
                         {"+7", 7},    {"2147483647", 2147483647}};
    for (const Case& c : good) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
    for (const char* bad : {"", " 1", "1 ", "12a", "0x", "$", "2147483648", "1.5", "-"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << bad;
        } catch (const InvalidInteger& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(StrToInt64("18446744073709551"), 18446744073709551LL);
    EXPECT_EQ(StrToInt64("0x7FFFFFFFFFFFFFFF"), 0x7FFFFFFFFFFFFFFFLL);
    EXPECT_THROW(StrToInt64("9223372036854775808"), InvalidInteger);
}

}  // namespace
}  // namespace qx::station
