// The start-up work-order dialog "Workorder": work order, part number and
// week code. Start accepts them only when none is empty; closing through the
// title bar leaves them empty, which ends the program.
#pragma once

#include <QDialog>

#include "station/entry/work_order.h"

class QLineEdit;

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class TWorkorderForm final : public QDialog {
    Q_OBJECT
public:
    TWorkorderForm(ui::Prompter& prompter, QWidget* parent = nullptr);

    // WorkOrderNumber, WorkOrderPartNumber, WorkOrderWeekCode.
    const WorkOrderTexts& Texts() const { return texts_; }

    // The title bar's close button and Escape: result 2, texts left empty.
    void reject() override { done(2); }

private:
    void FormCreate();
    void StartBnClick();
    void WorkIDLEditKeyPress();

    ui::Prompter& prompter_;
    WorkOrderTexts texts_;
    QLineEdit* workId_ = nullptr;
    QLineEdit* keyNumber_ = nullptr;
    QLineEdit* weekCode_ = nullptr;
};

}  // namespace qx::station
