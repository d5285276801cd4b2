#include "station/forms/engineering/read_flash_form.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <vector>

#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/settings_switches.h"
#include "station/engineering/hex_dump.h"
#include "station/engineering/read_flash_params.h"
#include "station/forms/form_text.h"
#include "station/settings/integer_text.h"
#include "ui/prompter.h"
#include "ui/widgets/fixed_pitch_font.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {

namespace {

QLineEdit* LabelledEdit(QFormLayout* form, const char* name, const char* caption) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    form->addRow(caption, edit);
    return edit;
}

QPushButton* Button(QLayout* layout, const char* name, const char* caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    layout->addWidget(b);
    return b;
}

std::string Text(const QLineEdit* e) { return S(e->text().trimmed()); }

std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
    std::vector<std::string> lines;
    const QString text = memo->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split('\n')) lines.push_back(S(line));
    return lines;
}

void ShowLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += '\n';
        text += Q(lines[i]);
    }
    memo->setPlainText(text);
}

}  // namespace

TReadFlashForm::TReadFlashForm(ReadFlashContext context, ui::Prompter& prompter, QWidget* parent)
    : QDialog(parent), context_(std::move(context)), prompter_(prompter) {
    setObjectName("ReadFlashForm");
    setWindowTitle("ReadFlash");
    ui::NoMaximiseButton(*this);
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget;
    pages_->setObjectName("PageControl1");
    layout->addWidget(pages_);

    auto* readPage = new QWidget;
    readPage->setObjectName("TabSheet_ReadPage");
    auto* pageLayout = new QVBoxLayout(readPage);
    auto* top = new QHBoxLayout;
    auto* where = new QFormLayout;
    bank_ = LabelledEdit(where, "BankLabeledEdit", "Bank");
    block_ = LabelledEdit(where, "BlockLabeledEdit", "Block");
    page_ = LabelledEdit(where, "PageLabeledEdit", "Page");
    count_ = LabelledEdit(where, "PageCountLabeledEdit", "Page Count");
    top->addLayout(where);
    auto* mode = new QGroupBox("ECC && Scramble");
    mode->setObjectName("ECCScrambleRadioGroup");
    auto* modeLayout = new QVBoxLayout(mode);
    auto* qxSsd = new QRadioButton("QX SSD");
    qxSsd->setChecked(true);
    custom_ = new QRadioButton("Custom");
    modeLayout->addWidget(qxSsd);
    modeLayout->addWidget(custom_);
    top->addWidget(mode);
    auto* pageButtons = new QVBoxLayout;
    auto* read = Button(pageButtons, "ReadDataButton", "Read Data");
    auto* save = Button(pageButtons, "SaveToFilesButton", "Save to Files");
    auto* close1 = Button(pageButtons, "CloseButton1", "Close");
    top->addLayout(pageButtons);
    pageLayout->addLayout(top);
    channels_ = new QTabWidget;
    channels_->setObjectName("PageControl2");
    for (int ch = 0; ch < kMaxViewerChannels; ++ch) {
        auto* memo = new QPlainTextEdit;
        memo->setObjectName(QString("FlashDataMemo%1").arg(ch));
        memo->setReadOnly(true);
        memo->setFont(ui::FixedPitchFont());
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memos_[static_cast<std::size_t>(ch)] = memo;
        channels_->addTab(memo, QString("Channel %1").arg(ch));
        channels_->setTabVisible(ch, false);
    }
    pageLayout->addWidget(channels_);
    pages_->addTab(readPage, "Read Page");

    auto* lbaPage = new QWidget;
    lbaPage->setObjectName("TabSheet_ReadLBA");
    auto* lbaLayout = new QVBoxLayout(lbaPage);
    auto* lbaTop = new QHBoxLayout;
    auto* lbaForm = new QFormLayout;
    lbaEdit_ = LabelledEdit(lbaForm, "DiskLBALabeledEdit", "LBA");
    sectorsEdit_ = LabelledEdit(lbaForm, "SectorCountLabeledEdit", "Sector Count");
    lbaTop->addLayout(lbaForm);
    auto* lbaButtons = new QVBoxLayout;
    auto* readSector = Button(lbaButtons, "ReadSectorButton", "Read Data");
    auto* saveSector = Button(lbaButtons, "SaveSectorDataButton", "Save to Files");
    auto* close2 = Button(lbaButtons, "CloseButton2", "Close");
    lbaTop->addLayout(lbaButtons);
    lbaLayout->addLayout(lbaTop);
    sectorMemo_ = new QPlainTextEdit;
    sectorMemo_->setObjectName("DiskSectorMemo");
    sectorMemo_->setFont(ui::FixedPitchFont());
    sectorMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    lbaLayout->addWidget(sectorMemo_);
    pages_->addTab(lbaPage, "Read LBA");

    // A typed number that does not convert is shown, never thrown past the
    // event loop.
    auto guarded = [this](void (TReadFlashForm::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (const InvalidInteger& e) {
                prompter_.Error(e.what());
            }
        };
    };
    connect(read, &QPushButton::clicked, this, guarded(&TReadFlashForm::ReadDataButtonClick));
    connect(save, &QPushButton::clicked, this, [this] { SaveToFilesButtonClick(); });
    connect(close1, &QPushButton::clicked, this, [this] { CloseButton1Click(); });
    connect(close2, &QPushButton::clicked, this, [this] { CloseButton1Click(); });
    connect(readSector, &QPushButton::clicked, this, guarded(&TReadFlashForm::ReadSectorButtonClick));
    connect(saveSector, &QPushButton::clicked, this, [this] { SaveSectorDataButtonClick(); });
    resize(720, 520);
}

void TReadFlashForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TReadFlashForm::FormShow() {
    pages_->setTabVisible(1, false);
    for (int ch = 0; ch < kMaxViewerChannels; ++ch) {
        const bool used = ch < context_.Config.ChannelCount;
        channels_->setTabVisible(ch, used);
        if (used) memos_[static_cast<std::size_t>(ch)]->clear();
    }
    pages_->setCurrentIndex(0);
    sectorMemo_->clear();
}

int TReadFlashForm::SelectedSlot() {
    const int port = context_.SelectedPort ? context_.SelectedPort() : 0;
    if (port < 1 || port > kPortCount) {
        prompter_.Message("No port is selected");
        return -1;
    }
    if (!context_.Tables.Active(port - 1).Connected) {
        prompter_.Message("The selected port has no connected device");
        return -1;
    }
    return port - 1;
}

std::string TReadFlashForm::SaveFolder() {
    if (saveFolder_.empty()) saveFolder_ = context_.ProgramFolder;
    return saveFolder_;
}

void TReadFlashForm::ReadDataButtonClick() {
    for (QPlainTextEdit* memo : memos_) memo->clear();
    if (Text(bank_).empty() || Text(block_).empty() || Text(page_).empty() || Text(count_).empty()) return;
    const long long bank = StrToInt64(Text(bank_));
    const long long block = StrToInt64(Text(block_));
    const long long page = StrToInt64(Text(page_));
    const long long count = StrToInt64(Text(count_));
    int error = kReadFlashOk;
    if (!CheckTypedFlashParams(context_.Config, EnGodMode.load() != 0, bank, block, page, count, error)) {
        prompter_.Message(ReadFlashParamMessage(error));
        return;
    }
    const int slot = SelectedSlot();
    if (slot < 0) return;
    FlashReadRequest request;
    request.Bank = static_cast<std::uint8_t>(bank);
    request.Block = static_cast<std::uint16_t>(block);
    request.Page = static_cast<std::uint16_t>(page);
    request.PageCount = static_cast<std::uint16_t>(count);
    request.Mode = custom_->isChecked() ? PageReadMode::Custom : PageReadMode::QxSsd;
    last_ = request;
    const auto dumps = ReadFlashPageDumps(slot, context_.Config, context_.Settings, request, prompter_);
    if (!dumps) return;
    const bool toFiles = request.PageCount > kMemoPageLimit;
    for (int ch = 0; ch < context_.Config.ChannelCount; ++ch) {
        const auto& lines = (*dumps)[static_cast<std::size_t>(ch)];
        if (toFiles)
            SaveDumpLines(FlashDataFileName(ch, request), lines);
        else
            ShowLines(memos_[static_cast<std::size_t>(ch)], lines);
    }
    if (toFiles) prompter_.Message("Save results to FlashData_XXXXXXXX.txt done");
}

void TReadFlashForm::SaveToFilesButtonClick() {
    ui::FileRequest request;
    request.kind = ui::FileDialogKind::Save;
    request.folder = SaveFolder();
    request.fileName = "FlashData";
    request.defaultExt = "txt";
    request.filter = "*.txt";
    const auto chosen = prompter_.File(request);
    if (!chosen) return;
    for (int ch = 0; ch < context_.Config.ChannelCount && ch < kMaxViewerChannels; ++ch)
        SaveDumpLines(ChannelSaveName(*chosen, ch, last_), MemoLines(memos_[static_cast<std::size_t>(ch)]));
}

void TReadFlashForm::ReadSectorButtonClick() {
    sectorMemo_->clear();
    if (Text(lbaEdit_).empty() || Text(sectorsEdit_).empty()) return;
    const int slot = SelectedSlot();
    if (slot < 0) return;
    const long long lba = StrToInt(Text(lbaEdit_));
    const long long count = StrToInt(Text(sectorsEdit_));
    const auto lines = ReadDiskSectorDump(slot, context_.Config, lba, count, prompter_);
    if (!lines) return;
    lba_ = static_cast<std::uint64_t>(lba);
    sectorCount_ = static_cast<std::uint32_t>(count);
    ShowLines(sectorMemo_, *lines);
}

void TReadFlashForm::SaveSectorDataButtonClick() {
    ui::FileRequest request;
    request.kind = ui::FileDialogKind::Save;
    request.folder = SaveFolder();
    request.fileName = DiskDataProposedName(lba_);
    request.defaultExt = "txt";
    request.filter = "*.txt";
    const auto chosen = prompter_.File(request);
    if (!chosen) return;
    SaveDumpLines(*chosen, MemoLines(sectorMemo_));
}

}  // namespace qx::station
