#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qxlib/settings/global_parameter.h"
#include "station/engineering/table_files.h"
#include "ui/scripted_prompter.h"

namespace qx::station {
namespace {


std::string FieldOf(TableFileButton b, const GlobalParameter& s) {
    switch (b) {
    case TableFileButton::GetDefTab: return s.TableIn;
    case TableFileButton::PutDefTab: return s.TableOut;
    case TableFileButton::GetLaterTab: return s.LaterTableIn;
    case TableFileButton::PutLaterTab: return s.LaterTableOut;
    }
    return {};
}

TEST(TableFiles, EachButtonHasItsDialogFilterAndFolder) {
    const std::vector<std::pair<TableFileButton, std::pair<ui::FileDialogKind, std::string>>> cases = {
        {TableFileButton::GetDefTab, {ui::FileDialogKind::Save, "Def. Table (*.txt)|*.txt"}},
        {TableFileButton::PutDefTab, {ui::FileDialogKind::Open, "Def. Table (*.txt)|*.txt"}},
        {TableFileButton::GetLaterTab, {ui::FileDialogKind::Save, "Later Table (*.txt)|*.txt"}},
        {TableFileButton::PutLaterTab, {ui::FileDialogKind::Save, "Later Table (*.txt)|*.txt"}},
    };
    for (const auto& [button, expected] : cases) {
        TableFileFolders folders;
        GlobalParameter s{};
        ui::ScriptedPrompter p;
        // Cancel: nothing chosen, nothing stored.
        EXPECT_FALSE(ChooseTableFile(button, folders, "/prog/", p));
        p.Answer(std::optional<std::string>("/data/tables/a.txt"));
        const auto chosen = ChooseTableFile(button, folders, "/prog/", p);
        ASSERT_TRUE(chosen);
        StoreTablePath(button, *chosen, s);
        EXPECT_EQ(FieldOf(button, s), "/data/tables/a.txt");
        p.Answer(std::optional<std::string>());
        EXPECT_FALSE(ChooseTableFile(button, folders, "/prog/", p));
        const auto records = p.Records();
        ASSERT_EQ(records.size(), 3u);
        for (const auto& r : records) {
            EXPECT_EQ(r.file.kind, expected.first);
            EXPECT_EQ(r.file.filter, expected.second);
            EXPECT_EQ(r.file.defaultExt, ".txt");
            EXPECT_EQ(r.file.fileName, "");
        }
        EXPECT_EQ(records[0].file.folder, "/prog/");
        EXPECT_EQ(records[1].file.folder, "/prog/");
        EXPECT_EQ(records[2].file.folder, "/data/tables/") << "the dialog reopens where it was used";
        for (std::size_t other = 0; other < kTableFileButtonCount; ++other) {
            if (other != static_cast<std::size_t>(button)) {
                EXPECT_EQ(folders[other], "");
            }
        }
    }
}

TEST(TableFiles, APathLongerThanTheSettingHoldsIsRefused) {
    TableFileFolders folders;
    ui::ScriptedPrompter p;
    const std::string fits = "/" + std::string(258, 'a');
    const std::string tooLong = fits + "b";
    p.Answer(std::optional<std::string>(fits));
    EXPECT_EQ(ChooseTableFile(TableFileButton::GetDefTab, folders, "/prog/", p), fits);
    p.Answer(std::optional<std::string>(tooLong));
    EXPECT_FALSE(ChooseTableFile(TableFileButton::GetDefTab, folders, "/prog/", p));
    const auto records = p.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].caption, "Error");
    GlobalParameter s{};
    StoreTablePath(TableFileButton::GetDefTab, fits, s);
    EXPECT_EQ(std::string(s.TableIn), fits);
}

}  // namespace
}  // namespace qx::station
