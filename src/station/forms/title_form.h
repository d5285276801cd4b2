// The start-up serial-number dialog "Serial Number Information": the first
// serial number of the session, whole (ShowTitle 1: W/O and S/N) or in three
// parts (ShowTitle 2), and whether it counts up. OK closes with 1; Cancel
// and the title bar's close button with 2.
#pragma once

#include <QDialog>

#include <array>

#include "station/entry/title_serial.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx::station {

class TTitleForm final : public QDialog {
    Q_OBJECT
public:
    TTitleForm(int showTitle, QWidget* parent = nullptr);

    // TitleSerialText and TitleAutoIncrease with the modal result.
    const TitleResult& Result() const { return result_; }

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OKBtnClick();
    void CancelBtnClick();
    void Edit1Change(QLineEdit* edit);

    int showTitle_;
    TitleResult result_;
    QLineEdit* woEdit_ = nullptr;
    QLineEdit* snEdit_ = nullptr;
    std::array<QLineEdit*, 3> parts_{};
    QCheckBox* autoIncrease_ = nullptr;
};

}  // namespace qx::station
