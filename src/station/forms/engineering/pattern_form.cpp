#include "station/forms/engineering/pattern_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>
#include <utility>

#include "station/forms/form_text.h"
#include "station/settings/integer_text.h"
#include "ui/prompter.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {

namespace {

constexpr char kDefaultPatternFile[] = "def.ps";

QLineEdit* NumberEdit(QGridLayout* grid, int row, const char* name, const char* caption, const char* text) {
    auto* label = new QLabel(caption);
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QCheckBox* Check(const char* name, const char* caption) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    return box;
}

QPushButton* Button(QLayout* layout, const char* name, const char* caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->hide();
    layout->addWidget(b);
    return b;
}

QString Hex(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

std::uint8_t Byte(const QLineEdit* edit) { return static_cast<std::uint8_t>(StrToInt(S(edit->text()))); }

// The pattern-sequence files have no content this station defines: a load
// leaves the steps as they are, a save writes nothing.
bool LoadPatternFile(const std::string& /*path*/, std::vector<PatternStep>& /*steps*/) { return true; }
void SavePatternFile(const std::string& /*path*/) {}

}  // namespace

TPatternForm::TPatternForm(RdtTaskSettings& settings, std::string programFolder, ui::Prompter& prompter,
                           QWidget* parent)
    : QDialog(parent), settings_(settings), programFolder_(std::move(programFolder)), prompter_(prompter) {
    setObjectName("PatternForm");
    setWindowTitle("Pattern sequence setting");
    ui::NoMaximiseButton(*this);
    auto* layout = new QVBoxLayout(this);

    allTasks_ = new QGroupBox("RDT Task");
    allTasks_->setObjectName("AllTaskGroup");
    auto* tasks = new QVBoxLayout(allTasks_);
    auto* waitGrid = new QGridLayout;
    waitTime_ = NumberEdit(waitGrid, 0, "WaitTimeLEdit", "Waiting Time", "");
    waitGrid->addWidget(new QLabel("Minutes"), 0, 2);
    tasks->addLayout(waitGrid);

    auto* lts = new QGroupBox("DRAM SCREEN");
    lts->setObjectName("LTSTaskGroup");
    auto* ltsGrid = new QGridLayout(lts);
    dramTimeSet_ = Check("boLTSTest", "Set DRAM Run Time:");
    dramTime_ = new QLineEdit("1");
    dramTime_->setObjectName("wLTSRunTime");
    ltsGrid->addWidget(dramTimeSet_, 0, 0);
    ltsGrid->addWidget(dramTime_, 0, 1);
    ltsGrid->addWidget(new QLabel("Minutes"), 0, 2);
    tasks->addWidget(lts);

    auto* rdt = new QGroupBox("NAND SCREEN");
    rdt->setObjectName("RDTTaskGroup");
    auto* rdtGrid = new QGridLayout(rdt);
    loopsSet_ = Check("boRunLoopSet", "Set NAND Test Loops:");
    loops_ = new QLineEdit("1");
    loops_->setObjectName("dwRunLoopTimes");
    runTimeSet_ = Check("cbSetRunTime", "Set NAND Run Time : ");
    runTime_ = new QLineEdit("90");
    runTime_->setObjectName("ePatternRunTime");
    eraseAll_ = Check("EraseAlCB", "Erase All");
    scanBad_ = Check("ScanFactoryBadCB", "Scan Factory Bad");
    rdtGrid->addWidget(loopsSet_, 0, 0);
    rdtGrid->addWidget(loops_, 0, 1);
    rdtGrid->addWidget(runTimeSet_, 1, 0);
    rdtGrid->addWidget(runTime_, 1, 1);
    rdtGrid->addWidget(new QLabel("Minutes"), 1, 2);
    rdtGrid->addWidget(eraseAll_, 2, 0);
    rdtGrid->addWidget(scanBad_, 3, 0);
    tasks->addWidget(rdt);
    layout->addWidget(allTasks_);

    // The pattern editor, hidden until the engineers' Ctrl+click.
    auto* editor = new QGridLayout;
    patternList_ = new QListWidget;
    patternList_->setObjectName("ListBox_Pattern");
    stepList_ = new QListWidget;
    stepList_->setObjectName("ListBox_Selected_Pattern");
    patternList_->hide();
    stepList_->hide();
    editor->addWidget(stepList_, 0, 0, 1, 1);
    editor->addWidget(patternList_, 0, 1, 1, 1);
    auto* params = new QGridLayout;
    for (int i = 0; i < 10; ++i) {
        auto* digit = new QLabel(QString::number(i));
        auto* p1 = new QLineEdit;
        p1->setObjectName(QString("Edit_Param1_%1").arg(i));
        p1->setReadOnly(true);
        auto* p2 = new QLineEdit;
        p2->setObjectName(QString("Edit_Param2_%1").arg(i));
        for (QWidget* w : std::initializer_list<QWidget*>{digit, p1, p2}) w->hide();
        editorLabels_.push_back(digit);
        param1_[static_cast<std::size_t>(i)] = p1;
        param2_[static_cast<std::size_t>(i)] = p2;
        params->addWidget(digit, 0, i + 1);
        params->addWidget(p1, 1, i + 1);
        params->addWidget(p2, 2, i + 1);
    }
    for (int row : {1, 2}) {
        auto* hex = new QLabel("HEX");
        hex->hide();
        editorLabels_.push_back(hex);
        params->addWidget(hex, row, 0);
    }
    editor->addLayout(params, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    auto* add = Button(buttons, "Btn_Add", "<<<");
    auto* def = Button(buttons, "Btn_Default", "Load default");
    auto* clear = Button(buttons, "Btn_Clear", "Clear");
    auto* del = Button(buttons, "Btn_Delete", "Delete");
    auto* up = Button(buttons, "Btn_Up", "Up");
    auto* down = Button(buttons, "Btn_Down", "Down");
    auto* save = Button(buttons, "Btn_Save", "Save");
    auto* load = Button(buttons, "Btn_Load", "Load");
    data_ = new QComboBox;
    data_->setObjectName("ComboBox1");
    dramData_ = new QComboBox;
    dramData_->setObjectName("ComboBox2");
    dramTest_ = Check("cbDRAMTest", "Enable DRAM Test");
    for (QWidget* w : std::initializer_list<QWidget*>{data_, dramData_, dramTest_}) {
        w->hide();
        buttons->addWidget(w);
    }
    editor->addLayout(buttons, 2, 0, 1, 2);
    layout->addLayout(editor);

    auto* bottom = new QHBoxLayout;
    shape_ = new QWidget;
    shape_->setObjectName("Shape1");
    shape_->setFixedSize(15, 15);
    shape_->installEventFilter(this);
    bottom->addWidget(shape_);
    bottom->addStretch();
    auto* done = new QPushButton("Done");
    done->setObjectName("Btn_Close");
    bottom->addWidget(done);
    layout->addLayout(bottom);

    // FormCreate: the pattern table and the 256 data items.
    patterns_ = BuiltInPatterns();
    for (unsigned v = 0; v < 256; ++v) {
        data_->addItem(Hex("0x%02x", v));
        dramData_->addItem(Hex("0x%02x", v));
    }

    auto guarded = [this](auto handler) {
        return [this, handler] {
            try {
                handler();
            } catch (const InvalidInteger& e) {
                prompter_.Error(e.what());
            }
        };
    };
    connect(done, &QPushButton::clicked, this, guarded([this] { Btn_CloseClick(); }));
    connect(add, &QPushButton::clicked, this, guarded([this] { Btn_AddClick(); }));
    connect(def, &QPushButton::clicked, this, [this] { Btn_DefaultClick(); });
    connect(clear, &QPushButton::clicked, this, [this] { Btn_ClearClick(); });
    connect(del, &QPushButton::clicked, this, [this] { Btn_DeleteClick(); });
    connect(up, &QPushButton::clicked, this, [this] { Btn_UpClick(); });
    connect(down, &QPushButton::clicked, this, [this] { Btn_DownClick(); });
    connect(save, &QPushButton::clicked, this, [this] { Btn_SaveClick(); });
    connect(load, &QPushButton::clicked, this, [this] { Btn_LoadClick(); });
    connect(dramTest_, &QCheckBox::clicked, this, [this] { cbDRAMTestClick(); });
    connect(patternList_, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { ListBox_PatternMouseDown(patternList_->row(item)); });
    connect(stepList_, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { ListBox_Selected_PatternMouseDown(stepList_->row(item)); });
}

void TPatternForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

bool TPatternForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == shape_ && event->type() == QEvent::MouseButtonPress) {
        Shape1MouseDown(static_cast<QMouseEvent*>(event)->modifiers());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TPatternForm::FormShow() {
    patterns_ = BuiltInPatterns();
    patternList_->clear();
    for (const RwPattern& p : patterns_) patternList_->addItem(Q(p.Name));
    LoadPatternFile(programFolder_ + kDefaultPatternFile, steps_);
    ShowPatternSteps();
    allTasks_->setTitle(Q(TaskGroupCaption(settings_, S(allTasks_->title()))));
    eraseAll_->setChecked(settings_.EraseAll != 0);
    scanBad_->setChecked(settings_.ScanFactoryBad != 0);
    runTimeSet_->setChecked(settings_.SetNandRunTime != 0);
    runTime_->setText(QString::number(settings_.NandRunTime));
    loopsSet_->setChecked(settings_.NandLoops > 0);
    loops_->setText(QString::number(settings_.NandLoops));
    dramTimeSet_->setChecked(settings_.DramRunTime > 0);
    dramTime_->setText(QString::number(settings_.DramRunTime));
    waitTime_->setText(QString::number(settings_.WaitTime));
}

void TPatternForm::Btn_CloseClick() {
    RdtTaskInput in;
    in.EraseAll = eraseAll_->isChecked();
    in.ScanFactoryBad = scanBad_->isChecked();
    in.SetNandRunTime = runTimeSet_->isChecked();
    in.LoopsSet = loopsSet_->isChecked();
    in.DramTimeSet = dramTimeSet_->isChecked();
    in.NandRunTimeText = S(runTime_->text());
    in.NandLoopsText = S(loops_->text());
    in.DramRunTimeText = S(dramTime_->text());
    in.WaitTimeText = S(waitTime_->text());
    // Converts every edit before anything is stored or freed.
    StoreRdtTaskInput(in, settings_);
    SavePatternFile(programFolder_ + kDefaultPatternFile);
    steps_.clear();
    stepList_->clear();
    runTimeSet_->setChecked(settings_.SetNandRunTime != 0);
    loopsSet_->setChecked(settings_.NandLoops != 0);
    dramTimeSet_->setChecked(settings_.DramRunTime != 0);
    close();
}

void TPatternForm::Shape1MouseDown(Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier)) return;
    prompter_.Message("Enter Special mode");
    for (QLineEdit* e : param1_) e->show();
    for (QLineEdit* e : param2_) e->show();
    for (QLabel* l : editorLabels_) l->show();
}

void TPatternForm::Btn_AddClick() {
    if (patternList_->currentRow() < 0 || patternList_->selectedItems().isEmpty()) return;
    PatternStep step;
    for (std::size_t i = 0; i < 5; ++i) step.ParamsA[i] = Byte(param2_[i]);
    for (std::size_t i = 0; i < 4; ++i) step.ParamsB[i] = Byte(param2_[6 + i]);
    step.Data = static_cast<std::uint8_t>(data_->currentIndex() < 0 ? 0 : data_->currentIndex());
    steps_.push_back(step);
    ShowPatternSteps();
}

void TPatternForm::Btn_DeleteClick() {
    const int row = stepList_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= steps_.size()) return;
    steps_.erase(steps_.begin() + row);
    ShowPatternSteps();
}

void TPatternForm::MoveSelected(bool up) {
    const int row = stepList_->currentRow();
    if (row < 0) return;
    const int moved = MovePatternStep(steps_, row, up);
    ShowPatternSteps();
    stepList_->setCurrentRow(moved);
}

void TPatternForm::Btn_ClearClick() {
    stepList_->clear();
    steps_.clear();
}

void TPatternForm::Btn_DefaultClick() {
    data_->setCurrentIndex(0);
    dramTest_->setChecked(true);
    dramData_->setEnabled(true);
    dramData_->setCurrentIndex(0);
    scanBad_->setChecked(true);
    eraseAll_->setChecked(false);
    runTimeSet_->setChecked(true);
    runTime_->setText("90");
}

std::string TPatternForm::DialogFolder() {
    if (dialogFolder_.empty()) dialogFolder_ = programFolder_;
    return dialogFolder_;
}

void TPatternForm::Btn_LoadClick() {
    const auto chosen = prompter_.File({ui::FileDialogKind::Open, "", DialogFolder(), "", "*.ps|*.ps", ".ps"});
    if (!chosen) return;
    LoadPatternFile(*chosen, steps_);
    ShowPatternSteps();
}

void TPatternForm::Btn_SaveClick() {
    const auto chosen = prompter_.File({ui::FileDialogKind::Save, "", DialogFolder(), "", "*.ps|*.ps", ".ps"});
    if (chosen) SavePatternFile(*chosen);
}

void TPatternForm::ListBox_PatternMouseDown(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= patterns_.size()) return;
    const auto& p = patterns_[static_cast<std::size_t>(row)].Params;
    for (std::size_t i = 0; i < 10; ++i) param2_[i]->setText(Hex("0x%02X", p[i + 1]));
}

void TPatternForm::ListBox_Selected_PatternMouseDown(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= steps_.size()) return;
    const auto bytes = steps_[static_cast<std::size_t>(row)].Bytes();
    for (std::size_t i = 0; i < 10; ++i) param1_[i]->setText(Hex("%02X", bytes[i]));
}

void TPatternForm::cbDRAMTestClick() { dramData_->setEnabled(dramTest_->isChecked()); }

void TPatternForm::ShowPatternSteps() {
    stepList_->clear();
    for (const std::string& line : PatternStepLines(steps_)) stepList_->addItem(Q(line));
}

}  // namespace qx::station
