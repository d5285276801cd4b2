// Sondrel's window over the real pages, offscreen: selecting a drive shows
// what the page functions make of it, and each page button and hot key
// reaches its handler.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <optional>
#include <iterator>
#include <string>
#include <vector>

#include "qxlib/programs/info_page.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/tables/drive_tables.h"
#include "qxlib/transport/device_slot.h"
#include "sim/model/drive_model.h"
#include "utility/drive_page_set.h"
#include "utility/forms/form_fixture.h"
#include "utility/forms/main_form.h"
#include "utility/forms/qt_app.h"
#include "utility/forms/rma_item_delegate.h"
#include "utility/forms/splash_form.h"
#include "utility/page_index.h"
#include "utility/pages/bad_block_page.h"
#include "utility/pages/erase_count_page.h"
#include "utility/pages/fw_debug_log.h"
#include "utility/pages/identity_page.h"
#include "utility/pages/smart_page.h"
#include "utility/pages/ssd_info_page.h"
#include "utility/support/utility_rack_fixture.h"

namespace qx::test {
namespace {

using utility::TMainForm;
using Bytes = std::vector<std::uint8_t>;

// A produced 849 drive whose firmware keeps its logs in DRAM, so the
// refresh reads them too.
sim::DriveConfig Produced849(const std::string& serial) {
    sim::DriveConfig c = Produced(serial);
    c.systemModel = "849";
    c.systemVersion = "3A0151";
    return c;
}

class MainFormPagesTest : public UtilityFormFixture {
protected:
    TMainForm& Form() {
        NewForm(drivePages_).show();
        return *form_;
    }
    // The firmware's UART ring at its default place: two lines.
    void PutUartRing(sim::SimDrive& drive) {
        auto hold = drive.Lock();
        std::vector<std::uint8_t>& dram = drive.Model().firmwareDram;
        dram.resize(sim::kFirmwareDramBytes, 0);
        const Bytes ring = {'b', 'o', 'o', 't', 0xEA, 0x01, 0x00, 0x02, 0x00, 'r', 'e', 'a', 'd', 'y'};
        std::copy(ring.begin(), ring.end(), dram.begin() + (0xDC800 - sim::kFirmwareDramBase));
    }
    std::string Edit(utility::EditId id) { return form_->Text(id); }
    std::vector<std::string> Memo(utility::MemoId id) { return form_->Lines(id); }
    QPushButton* Button(const char* name) {
        auto* b = form_->findChild<QPushButton*>(name);
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    void GrabPage(int page, const char* name) {
        form_->SetActivePage(page);
        EXPECT_TRUE(form_->grab().save(QString(QX_BIN_DIR) + "/../sondrel_page_" + name + ".png"));
    }

    utility::DrivePageSet drivePages_;
    Bytes buffer_ = Bytes(128 * 1024, 0);
    FlashConfig config_{};
    BinFileList bins_{};
    SystemInfo info_{};
    GlobalParameter library_{};
};

TEST_F(MainFormPagesTest, SelectingADriveShowsWhatThePageFunctionsMakeOfIt) {
    PutUartRing(Add(IdePath(0), Produced849("IDE0")));
    TMainForm& form = Form();
    form.SelectRow(0);
    EXPECT_TRUE(prompter_.Texts().empty()) << ::testing::PrintToString(prompter_.Texts());

    // The same drive read again by the page functions themselves.
    const utility::SataIdentityTexts sata = utility::ParseInfo(0, buffer_);
    ASSERT_TRUE(ReadSystemInfo(0, config_, bins_, info_, buffer_));
    const utility::SsdInfoTexts ssd = utility::ShowSSDInfo(0, config_, info_);
    ASSERT_TRUE(AllocDeviceSlotBuffers());
    TableContext tables{config_, library_, bins_, info_, buffer_};
    const utility::BadBlockPage bad = utility::ProcessBadBlockInfo(0, tables, false);
    FreeDeviceSlotBuffers();
    const utility::EraseCountPage erase = utility::GetEraseCount(0, config_, info_, buffer_);
    const utility::FwDebugLogPage log =
        utility::ShowFWDebugMessage(0, utility::kLogsFromMemory, true, config_, library_, buffer_, prompter_);

    struct Shown {
        utility::EditId control;
        std::string text;
    };
    const Shown edits[] = {
        {utility::EditId::ModelNameEdit, sata.ModelNameEdit},     {utility::EditId::SNEdit, sata.SNEdit},
        {utility::EditId::FwVersionEdit, sata.FwVersionEdit},     {utility::EditId::TotalSectorEdit, sata.TotalSectorEdit},
        {utility::EditId::UltraDMAEdit, sata.UltraDMAEdit},       {utility::EditId::WWNEdit, sata.WWNEdit},
        {utility::EditId::FlashmodelEdit, ssd.FlashmodelEdit},    {utility::EditId::ChannelEdit, ssd.ChannelEdit},
        {utility::EditId::CapacityEdit, ssd.CapacityEdit},        {utility::EditId::FwEdit, ssd.FwEdit},
        {utility::EditId::SupportEdit2, ssd.SupportEdit2}, {utility::EditId::CeEdit, ssd.CeEdit},
        {utility::EditId::AeraseEdit, erase.AeraseEdit},          {utility::EditId::MeraseEdit, erase.MeraseEdit},
    };
    for (const Shown& e : edits) EXPECT_EQ(Edit(e.control), e.text) << utility::NameOf(e.control);
    // Known by hand, so the comparison above is not of two empty texts.
    EXPECT_EQ(Edit(utility::EditId::ModelNameEdit), "Model Name: QX SSD IDE0");
    EXPECT_EQ(Edit(utility::EditId::FwEdit), "F/W version : QXSS,3A0151,S,849,41");

    struct ShownMemo {
        utility::MemoId memo;
        std::vector<std::string> lines;
    };
    const ShownMemo memos[] = {
        {utility::MemoId::SSDInfoMemo, ssd.SSDInfoMemo},           {utility::MemoId::BadBlockMemo, bad.BadBlockMemo},
        {utility::MemoId::DetalBadInfoMemo, bad.DetalBadInfoMemo}, {utility::MemoId::EraseMemo, erase.EraseMemo},
        {utility::MemoId::UartLogMemo, log.UartLogMemo},
    };
    for (const ShownMemo& m : memos) EXPECT_EQ(Memo(m.memo), m.lines) << utility::NameOf(m.memo);
    EXPECT_EQ(Memo(utility::MemoId::UartLogMemo), (std::vector<std::string>{"boot", "[0001, 0002]ready"}));
    EXPECT_EQ(Memo(utility::MemoId::BadBlockMemo).at(0), std::string(97, '-'));
    EXPECT_EQ(Memo(utility::MemoId::EraseMemo).at(0).rfind("Ch/CE\t", 0), 0u);   // its columns follow the drive
    EXPECT_EQ(Memo(utility::MemoId::DetalBadInfoMemo).at(0), "ErrType 1 (Ecc Over)");
    EXPECT_TRUE(form.PageVisible(utility::kPageUartLog));
    EXPECT_EQ(form.ActivePage(), utility::kPageSsdInfo);

    // SMART is read on request only.
    auto* grid = form.findChild<QTableWidget*>("StringGrid1");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(form.Cell(utility::GridId::StringGrid1, 1, 0), "");
    EXPECT_FALSE(Button("SaveSmartInfoBn")->isEnabled());
    form.SetActivePage(utility::kPageSmartInfo);
    form.HotKeyPressed(utility::HotKey::CtrlG);
    utility::SmartPage smart;
    ASSERT_TRUE(utility::GetSMARTInfo(0, buffer_, info_.HeaderInfoText, smart));
    for (int r = 0; r < static_cast<int>(utility::kSmartGridRows); ++r)
        for (int c = 0; c < static_cast<int>(utility::kSmartGridColumns); ++c)
            EXPECT_EQ(form.Cell(utility::GridId::StringGrid1, r, c), smart.StringGrid1[r][c]) << r << "," << c;
    EXPECT_EQ(form.Cell(utility::GridId::StringGrid1, 1, 1), "Power-on Hours Count");
    EXPECT_EQ(Memo(utility::MemoId::SMARTMemo), smart.SMARTMemo);
    // The caption, line breaks and all, heads the group's memo; the group's
    // one-line title stays.
    EXPECT_EQ(form.findChild<QLabel*>("SmartReportCaption")->text().toStdString(), smart.GroupBox4Caption);
    EXPECT_EQ(form.findChild<QGroupBox*>("GroupBox4")->title().toStdString(), "S.M.A.R.T");
    EXPECT_TRUE(Button("SaveSmartInfoBn")->isEnabled());
    EXPECT_FALSE(Button("ResetSmartInfoBn")->isVisibleTo(&form));   // no Sondrel.ini

    GrabPage(utility::kPageSsdInfo, "ssd_info");
    GrabPage(utility::kPageEraseCount, "erase_count");
    GrabPage(utility::kPageBadBlockInfo, "bad_block");
    GrabPage(utility::kPageSmartInfo, "smart");
    GrabPage(utility::kPageDeviceInfo, "device_info");
    GrabPage(utility::kPageUartLog, "uart_log");

    // Reading the drive again empties the grid, so a later SMART read keeps
    // no row of an earlier one.
    form.findChild<QTreeWidget*>("ListView1")->clearSelection();
    form.SelectRow(0);
    EXPECT_EQ(form.Cell(utility::GridId::StringGrid1, 1, 0), "");
}

TEST_F(MainFormPagesTest, EachSaveButtonAndHotKeySavesItsMemoUnderItsName) {
    Add(IdePath(0), Produced849("IDE0"));
    TMainForm& form = Form();
    struct Case {
        int page;
        const char* button;
        utility::HotKey key;
        utility::MemoId memo;
        const char* name;
    };
    const Case cases[] = {
        {utility::kPageSsdInfo, "DpdFTLSaveBn", utility::HotKey::CtrlS, utility::MemoId::DpdFTLMemo, "DPDFTL"},
        {utility::kPageEraseCount, "DetailSaveBn", utility::HotKey::CtrlS, utility::MemoId::EraseMemo, "EraseCount"},
        {utility::kPageBadBlockInfo, "SavebadblockinfoBn", utility::HotKey::CtrlS, utility::MemoId::BadBlockMemo, "BadBlock"},
        {utility::kPageBadBlockInfo, "SavebadblockDetailBn", utility::HotKey::AltS, utility::MemoId::DetalBadInfoMemo,
         "BadBlockDetail"},
        {utility::kPageUartLog, "UartLogSaveBtn", utility::HotKey::CtrlS, utility::MemoId::UartLogMemo, "UartLog"},
        {utility::kPageUartLog, "DbgErrLogSaveBtn", utility::HotKey::AltS, utility::MemoId::DbgErrLogMemo, "DbgErrLog"},
        {utility::kPageDebugTool, "SaveReadPageBn", utility::HotKey::CtrlR, utility::MemoId::DebugMemo2, "ReadPage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        form.SetLines(c.memo, {"one \xB5", "two"});
        const std::string file = (folder_.path() / (std::string(c.name) + ".txt")).string();
        // Once by the button, once by the page's hot key (when it has one).
        for (int press = 0; press < 2; ++press) {
            prompter_.Clear();
            std::remove(file.c_str());
            prompter_.Answer(std::optional<std::string>(file));
            form.SetActivePage(c.page);
            if (press == 0)
                Button(c.button)->click();
            else
                form.HotKeyPressed(c.key);
            if (press == 1 && c.key == utility::HotKey::CtrlR) {
                EXPECT_TRUE(prompter_.Records().empty());   // Ctrl+R does nothing anywhere
                continue;
            }
            ASSERT_EQ(prompter_.Records().size(), 1u);
            EXPECT_EQ(prompter_.Records()[0].file.fileName, c.name);
            std::ifstream in(file, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "one \xB5\r\ntwo\r\n");
        }
    }
}

TEST_F(MainFormPagesTest, TheDecoderGivenAFolderSaysItCannotAndTheWindowGoesOn) {
    Form();
    const std::string folder = (folder_.path() / "logs.d").string();
    std::filesystem::create_directory(folder);
    prompter_.Answer(std::optional<std::string>(folder));
    EXPECT_NO_THROW(Button("DecodeLogFileBn")->click());
    ASSERT_EQ(prompter_.Records().size(), 2u);   // the open dialog, then the message
    EXPECT_EQ(prompter_.Records()[1].caption, "Error");
    EXPECT_EQ(prompter_.Records()[1].text,
              "Can't decode the file (" + folder + ") to the file (" + folder + ".decode)");
    EXPECT_TRUE(form_->isVisible());
}

TEST_F(MainFormPagesTest, TheConsoleRunsALineOnEnterAndEmptiesTheEdit) {
    Add(IdePath(0), Produced849("IDE0"));
    TMainForm& form = Form();
    auto* edit = form.findChild<QLineEdit*>("DebugEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText("lba 5");
    emit edit->returnPressed();
    const std::vector<std::string> memo = Memo(utility::MemoId::DebugMemo);
    ASSERT_EQ(memo.size(), 2u);
    EXPECT_EQ(memo[0], ">>lba 5");
    EXPECT_EQ(memo[1].rfind("(channel,bank,block)=(", 0), 0u) << memo[1];
    EXPECT_EQ(edit->text(), "");
}

TEST_F(MainFormPagesTest, ThePageReadsDumpThePageTheEntriesName) {
    Add(IdePath(0), Produced849("IDE0"));
    TMainForm& form = Form();
    form.SelectRow(0);
    // A refresh empties the entries: nothing is read until they are filled.
    Button("DbgLDReadPage")->click();
    EXPECT_TRUE(Memo(utility::MemoId::DebugMemo2).empty());
    const struct {
        utility::EditId name;
        const char* text;
    } entries[] = {{utility::EditId::DbgChLEdit, "0"},
                   {utility::EditId::DbgBankLEdit, "0"},
                   {utility::EditId::DbgBlockLEdit, "x"},
                   {utility::EditId::DbgPageLEdit, "1"}};
    for (const auto& e : entries) form.SetText(e.name, e.text);
    Button("DbgSysReadPage")->click();
    ASSERT_EQ(prompter_.Texts().size(), 1u);   // "x" is no integer: said, nothing read
    EXPECT_TRUE(Memo(utility::MemoId::DebugMemo2).empty());
}

}  // namespace
}  // namespace qx::test

namespace qx::test {
namespace {

// The delegate's styling, reached as the view reaches it.
struct RmaProbe : utility::RmaItemDelegate {
    using utility::RmaItemDelegate::initStyleOption;
    using utility::RmaItemDelegate::RmaItemDelegate;
};

TEST(RmaTestList, AStatusCellIsRedOrBlueAndBoldOnlyForItsExactWord) {
    FormsApp();
    QTreeWidget list;
    list.setColumnCount(3);
    const struct {
        const char* status;
        QColor colour;
        bool bold;
    } cases[] = {
        {"Failed", QColor(255, 0, 0), true},
        {"Pass", QColor(0, 0, 255), true},
        {"failed", QColor(0, 0, 0), false},
        {"", QColor(0, 0, 0), false},
    };
    RmaProbe probe;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        auto* item = new QTreeWidgetItem(QStringList{"Item", "Function", c.status});
        list.addTopLevelItem(item);
        QStyleOptionViewItem option;
        probe.initStyleOption(&option, list.model()->index(list.topLevelItemCount() - 1, 2));
        EXPECT_EQ(option.palette.color(QPalette::Text), c.colour);
        EXPECT_EQ(option.font.bold(), c.bold);
    }
}

}  // namespace
}  // namespace qx::test
