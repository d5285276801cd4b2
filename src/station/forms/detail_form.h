// The detail dialog "Manual Setting" of a port's "?" button: what the drive
// says about itself, read afresh. It only shows what the read found.
#pragma once

#include <QDialog>

#include "station/port_info/drive_detail.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace qx::station {

class TDetailForm final : public QDialog {
    Q_OBJECT
public:
    explicit TDetailForm(QWidget* parent = nullptr);

    // The form's OnShow for a port: reads the drive and shows it.
    void FormShow(int port);
    void ShowDetail(const DriveDetail& detail);

private:
    QLineEdit* Field(const char* name) const;

    QPlainTextEdit* memo_ = nullptr;
    QLineEdit* fwInfo_ = nullptr;
    QLabel* loaderLabel_ = nullptr;
    QGroupBox* group_ = nullptr;
};

}  // namespace qx::station
