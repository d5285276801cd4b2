// "Pattern sequence setting": the burn-in task settings (NAND screen, DRAM
// screen, waiting time) and a hidden editor for read/write pattern steps.
// No control opens it.
#pragma once

#include <QDialog>

#include <array>
#include <string>
#include <vector>

#include "station/engineering/rdt_task_settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class TPatternForm final : public QDialog {
    Q_OBJECT
public:
    TPatternForm(RdtTaskSettings& settings, std::string programFolder, ui::Prompter& prompter,
                 QWidget* parent = nullptr);

    void FormShow();
    void Btn_CloseClick();
    void Shape1MouseDown(Qt::KeyboardModifiers modifiers);
    void Btn_AddClick();
    void Btn_DeleteClick();
    void Btn_UpClick() { MoveSelected(true); }
    void Btn_DownClick() { MoveSelected(false); }
    void Btn_ClearClick();
    void Btn_DefaultClick();
    void Btn_LoadClick();
    void Btn_SaveClick();
    void ListBox_PatternMouseDown(int row);
    void ListBox_Selected_PatternMouseDown(int row);
    void cbDRAMTestClick();

    const std::vector<PatternStep>& Steps() const { return steps_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPatternSteps();
    void MoveSelected(bool up);
    std::string DialogFolder();

    RdtTaskSettings& settings_;
    std::string programFolder_;
    ui::Prompter& prompter_;
    std::string dialogFolder_;
    std::vector<RwPattern> patterns_;
    std::vector<PatternStep> steps_;

    QGroupBox* allTasks_ = nullptr;
    QLineEdit* waitTime_ = nullptr;
    QCheckBox* dramTimeSet_ = nullptr;
    QLineEdit* dramTime_ = nullptr;
    QCheckBox* loopsSet_ = nullptr;
    QLineEdit* loops_ = nullptr;
    QCheckBox* runTimeSet_ = nullptr;
    QLineEdit* runTime_ = nullptr;
    QCheckBox* eraseAll_ = nullptr;
    QCheckBox* scanBad_ = nullptr;
    QWidget* shape_ = nullptr;
    QListWidget* patternList_ = nullptr;
    QListWidget* stepList_ = nullptr;
    std::array<QLineEdit*, 10> param1_{};
    std::array<QLineEdit*, 10> param2_{};
    std::vector<QLabel*> editorLabels_;
    QComboBox* data_ = nullptr;
    QComboBox* dramData_ = nullptr;
    QCheckBox* dramTest_ = nullptr;
};

}  // namespace qx::station
