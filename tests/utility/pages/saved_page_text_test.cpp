// Saving a page's memo: the dialog's request, the file's bytes, cancel; the
// memo lines of a text with line breaks; every save button's default name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"
#include "utility/pages/page_saves.h"
#include "utility/pages/page_text.h"
#include "utility/pages/saved_page_text.h"

namespace qx::test {
namespace {

using Lines = std::vector<std::string>;

TEST(MemoLines, SplitAtEveryLineBreak) {
    EXPECT_EQ(utility::MemoLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(utility::MemoLines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(utility::MemoLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(utility::MemoLines(""), Lines{});
}

TEST(SavedPageText, EveryLineEndsInCrLf) {
    EXPECT_EQ(utility::SavedPageBytes({"one", "", "two"}), "one\r\n\r\ntwo\r\n");
    EXPECT_EQ(utility::SavedPageBytes({}), "");
}

TEST(SavedPageText, EachButtonSavesUnderItsName) {
    struct Case {
        const char* name;
        std::function<bool(utility::PageSaveContext&, const Lines&)> click;
    };
    const Case cases[] = {
        {"EraseCount", utility::DetailSaveBnClick},      {"BadBlock", utility::SavebadblockinfoBnClick},
        {"BadBlockDetail", utility::SavebadblockDetailBnClick}, {"UartLog", utility::UartLogSaveBtnClick},
        {"DbgErrLog", utility::DbgErrLogSaveBtnClick},   {"ReadPage", utility::SaveReadPageBnClick},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ui::ScriptedPrompter prompter;
        utility::SaveDialogState dialog;
        utility::PageSaveContext save{prompter, dialog, dir.path().string()};
        const std::string target = dir.file(std::string(c.name) + ".txt");
        prompter.Answer(std::optional<std::string>(target));
        ASSERT_TRUE(c.click(save, {"x\ty", "z"})) << c.name;
        const auto records = prompter.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].file.fileName, c.name);
        EXPECT_EQ(records[0].file.kind, ui::FileDialogKind::Save);
        EXPECT_EQ(records[0].file.defaultExt, "txt");
        EXPECT_EQ(records[0].file.filter, "*.txt");
        std::ifstream in(target, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "x\ty\r\nz\r\n");
    }
}

TEST(SavedPageText, CancelWritesNothingAndSaysNothing) {
    TempDir dir;
    ui::ScriptedPrompter prompter;
    utility::SaveDialogState dialog;
    EXPECT_FALSE(utility::SavePageText(prompter, dialog, dir.path().string(), "UartLog", {"a"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_EQ(prompter.Records().size(), 1u);
}

TEST(SavedPageText, ReplacesAnExistingFile) {
    TempDir dir;
    std::ofstream(dir.file("old.txt")) << "a much longer earlier content";
    ui::ScriptedPrompter prompter;
    utility::SaveDialogState dialog;
    prompter.Answer(std::optional<std::string>(dir.file("old.txt")));
    ASSERT_TRUE(utility::SavePageText(prompter, dialog, dir.path().string(), "x", {"new"}));
    EXPECT_EQ(std::filesystem::file_size(dir.file("old.txt")), 5u);
}

}  // namespace
}  // namespace qx::test
