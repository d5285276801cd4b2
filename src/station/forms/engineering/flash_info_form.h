// "Flash Auto Detect Result": what the flash auto-detect found; with several
// parts of one ID the engineer picks one before closing.
#pragma once

#include <QDialog>

#include "station/engineering/flash_auto_detect.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class SettingsArea;

class TFlashInfoFrom final : public QDialog {
    Q_OBJECT
public:
    TFlashInfoFrom(SettingsArea& area, ui::Prompter& prompter, QWidget* parent = nullptr);

    // The candidates of the last detection; they live until the next one.
    void SetCandidates(const FlashCandidates& candidates) { candidates_ = candidates; }

    void FormShow();
    void FlashTypeListBoxClick();
    void FormCloseBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    SettingsArea& area_;
    ui::Prompter& prompter_;
    FlashCandidates candidates_;
    QLineEdit* vendor_ = nullptr;
    QLineEdit* type_ = nullptr;
    QLineEdit* channelBank_ = nullptr;
    QLineEdit* current_ = nullptr;
    QListWidget* list_ = nullptr;
};

}  // namespace qx::station
