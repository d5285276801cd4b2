#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "qxlib/error_items/error_items.h"

namespace qx {
namespace {

TEST(ErrorItemTable, HoldsItems0To87InOrderWithTerminatedTexts) {
    for (int n = 0; n < kErrorItemCount; ++n) {
        const ErrorItem& item = ErrorItemTable[static_cast<std::size_t>(n)];
        EXPECT_EQ(item.Number, n);
        EXPECT_EQ(FindErrorItem(n), &item);
        EXPECT_NE(std::memchr(item.CodeText, 0, sizeof item.CodeText), nullptr) << n;
        EXPECT_NE(std::memchr(item.FailText, 0, sizeof item.FailText), nullptr) << n;
        EXPECT_NE(std::memchr(item.StepName, 0, sizeof item.StepName), nullptr) << n;
        EXPECT_NE(std::memchr(item.LogColumn, 0, sizeof item.LogColumn), nullptr) << n;
        // Only the steps with a log column end it with the column separator.
        const std::string_view column = ErrorItemLogColumn(n);
        EXPECT_EQ(!column.empty() && column.back() == '\t', n >= 1 && n <= 39) << n;
    }
}

struct ItemCase {
    int number;
    const char* code;
    const char* fail;
    const char* step;
    const char* column;
};

class ErrorItemTexts : public ::testing::TestWithParam<ItemCase> {};

TEST_P(ErrorItemTexts, AreTheFixedOnes) {
    const ItemCase& c = GetParam();
    EXPECT_EQ(ErrorItemCode(c.number), c.code);
    EXPECT_EQ(ErrorItemFailText(c.number), c.fail);
    EXPECT_EQ(ErrorItemStepName(c.number), c.step);
    EXPECT_EQ(ErrorItemLogColumn(c.number), c.column);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ErrorItemTexts,
    ::testing::Values(ItemCase{0, "", "No Error", "", ""},
                      ItemCase{1, "M00", "Flash Module Test Fail", "Flash Module Test", "Module\t"},
                      ItemCase{11, "J00", "Check Tables Fail", "Check Tables", "Check Table\t"},
                      ItemCase{29, "J00", "QC Check Tables Fail", "QC Check Tables", "QC Check Table\t"},
                      ItemCase{33, "Q19", "Download Code Fail", "WDDownload", "Download\t"},
                      ItemCase{39, "Q20", "Check SYS FW Fail", "Check SYS FW", "SYS_FW\t"},
                      ItemCase{40, "", "", "", ""},
                      ItemCase{41, "K00", "Check Loader Block Fail", "Check Loader Block", ""},
                      ItemCase{42, "T00", "Timeout", "", ""},
                      ItemCase{47, "C01", "", "", ""},
                      ItemCase{65, "B11", "", "", ""},
                      ItemCase{74, "P06", "Upper Prog. Fail Over Spec Fail", "Upper Prog. Fail Over Spec", ""},
                      ItemCase{82, "P17", "RDT get defect Fail", "RDT get defect ", ""},
                      ItemCase{87, "P19", "Check PPID Length Fail", "Check PPID Length", ""},
                      // Numbers that are no item have no texts.
                      ItemCase{-1, "", "", "", ""}, ItemCase{88, "", "", "", ""}));

TEST(ErrorItemTable, UnknownNumbersAreNotFound) {
    EXPECT_EQ(FindErrorItem(-1), nullptr);
    EXPECT_EQ(FindErrorItem(kErrorItemCount), nullptr);
}

}  // namespace
}  // namespace qx
