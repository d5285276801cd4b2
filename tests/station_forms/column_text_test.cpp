// Texts that must line up in columns: the flash page viewer's hex dumps, the
// failure dialog's dump and tables, and the detail dialog's tab-stopped
// identity lines, each in a font whose characters are equally wide.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "form_test_support.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/detail_form.h"
#include "station/forms/engineering/read_flash_form.h"
#include "station/forms/error_form.h"
#include "ui/scripted_prompter.h"

namespace qx::test {
namespace {

// Rows of a dump keep their columns when every character is as wide as the
// next: an offset with a letter in it as wide as one of digits.
void ExpectColumnsLineUp(const QPlainTextEdit& memo) {
    SCOPED_TRACE(memo.objectName().toStdString());
    EXPECT_TRUE(QFontInfo(memo.font()).fixedPitch()) << QFontInfo(memo.font()).family().toStdString();
    const QFontMetrics m(memo.font());
    EXPECT_EQ(m.horizontalAdvance("000000D0  FF FF"), m.horizontalAdvance("00000010  11 11"));
    EXPECT_EQ(m.horizontalAdvance("0008 : 0D, 0D"), m.horizontalAdvance("0000 : 00, 11"));
}

TEST(ColumnTextTest, DumpMemosUseAFixedPitchFont) {
    FlashConfig config{};
    config.ChannelCount = 2;
    GlobalParameter settings{};
    ui::ScriptedPrompter prompter;
    station::TReadFlashForm viewer({config, settings, [] { return 0; }, "/tmp/", station::StationPortTables()},
                                   prompter);
    station::TErrorForm failure(nullptr, station::StationPortTables());
    station::TDetailForm detail;
    struct Case {
        const QWidget* form;
        const char* memo;
    };
    const Case cases[] = {{&viewer, "FlashDataMemo0"}, {&viewer, "FlashDataMemo7"}, {&viewer, "DiskSectorMemo"},
                          {&failure, "Memo1"},         {&detail, "DeviceInfoMemo"}};
    for (const Case& c : cases) ExpectColumnsLineUp(*Child<QPlainTextEdit>(*c.form, c.memo));
}

// Where the value after the last tab of a memo line starts, in pixels.
int ValueX(QPlainTextEdit& memo, int line) {
    const QTextBlock block = memo.document()->findBlockByNumber(line);
    memo.document()->documentLayout()->blockBoundingRect(block);   // lays the block out
    const int at = static_cast<int>(block.text().lastIndexOf('\t')) + 1;
    return qRound(block.layout()->lineForTextPosition(at).cursorToX(at));
}

TEST(ColumnTextTest, TheDetailDialogsValuesStartInOneColumn) {
    station::TDetailForm detail;
    station::DriveDetail d;
    d.memoLines = {"Model Number: \tQX SSD 128GB", "F/W Version: \tQXFW0100",  "Serial Number: \tQX0000000001",
                   "World Wide Name:\t5000C500B2A1D4C3", "Capacity:\t\t122104 MB", "LBA:         \t250069680"};
    detail.ShowDetail(d);
    detail.show();
    auto* memo = Child<QPlainTextEdit>(detail, "DeviceInfoMemo");
    ASSERT_EQ(memo->document()->blockCount(), 6);
    const int column = ValueX(*memo, 0);
    EXPECT_GT(column, QFontMetrics(memo->font()).horizontalAdvance("World Wide Name:"));
    for (int line = 1; line < 6; ++line)
        EXPECT_EQ(ValueX(*memo, line), column) << memo->document()->findBlockByNumber(line).text().toStdString();
    SaveGrab(detail, "DetailForm_IdentityColumns");
}

}  // namespace
}  // namespace qx::test
