// The prompter of a run nobody watches: one line per box, answered at once.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ui/unattended_prompter.h"

namespace qx::test {
namespace {

TEST(UnattendedPrompter, EachBoxIsOneLineAndAnsweredWithItsFirstButton) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ui::UnattendedPrompter prompter(out);
    prompter.Message("R/W Test successfully");
    EXPECT_EQ(prompter.Box({"Warning", "Go on?", ui::BoxIcon::Question, ui::BoxButtons::YesNo}), ui::BoxAnswer::Yes);
    EXPECT_EQ(prompter.Box({"", "\xB5 8-bit", ui::BoxIcon::None, ui::BoxButtons::RetryCancel}), ui::BoxAnswer::Retry);
    EXPECT_FALSE(prompter.File({}).has_value());
    EXPECT_FALSE(prompter.Input({"Password", "Enter the password", "", true}).has_value());
    EXPECT_FALSE(prompter.Barcode({"Scan serial", "SN", "", "", ""}).has_value());
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    std::fclose(out);
    EXPECT_EQ(text, "R/W Test successfully\nGo on?\n\xB5 8-bit\nEnter the password\nScan serial\n");
}

}  // namespace
}  // namespace qx::test
