#include <gtest/gtest.h>

#include "ui/scripted_prompter.h"

namespace qx::ui {
namespace {

TEST(ScriptedPrompter, RecordsExactTextsAndAnswersInOrder) {
    ScriptedPrompter p;
    p.Answer(BoxAnswer::No);
    p.Answer(std::optional<std::string>("secret"));
    EXPECT_EQ(p.Box({"Warning", "Are you sure?\n", BoxIcon::Warning, BoxButtons::YesNo}), BoxAnswer::No);
    EXPECT_EQ(p.Input({"Please Input the Password", "Password", "", true}), "secret");
    const auto records = p.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].caption, "Warning");
    EXPECT_EQ(records[0].text, "Are you sure?\n");
    EXPECT_EQ(records[0].icon, BoxIcon::Warning);
    EXPECT_TRUE(records[1].input.password);
    EXPECT_EQ(p.Texts(), (std::vector<std::string>{"Are you sure?\n", "Password"}));
}

TEST(ScriptedPrompter, WithoutAnswersBoxesTakeTheFirstButtonAndDialogsCancel) {
    struct Case { BoxButtons buttons; BoxAnswer answer; };
    for (const Case c : {Case{BoxButtons::Ok, BoxAnswer::Ok}, Case{BoxButtons::OkCancel, BoxAnswer::Ok},
                         Case{BoxButtons::YesNo, BoxAnswer::Yes}, Case{BoxButtons::RetryCancel, BoxAnswer::Retry}}) {
        ScriptedPrompter p;
        EXPECT_EQ(p.Box({"", "x", BoxIcon::None, c.buttons}), c.answer);
    }
    ScriptedPrompter p;
    EXPECT_FALSE(p.Input({"c", "p", "d", false}).has_value());
    EXPECT_FALSE(p.File({FileDialogKind::Save, "Save", "/tmp", "a.txt", "", "txt"}).has_value());
    EXPECT_FALSE(p.Barcode({"SN", "Port 1 SN", "", "", ""}).has_value());
    // A mismatched scripted answer is not taken as the wrong kind.
    p.Answer(BoxAnswer::Cancel);
    EXPECT_FALSE(p.Input({"c", "p", "d", false}).has_value());
}

}  // namespace
}  // namespace qx::ui
