// "Device Integrity & Security Check": created at start-up and shown by no
// path of the program; it keeps its three texts for whoever shows it.
#pragma once

#include <QWidget>
#include <string>

class QLineEdit;
class QPushButton;

namespace qx::utility {

class TDvcChkForm final : public QWidget {
    Q_OBJECT
public:
    explicit TDvcChkForm(QWidget* parent = nullptr);

    std::string SerialNo, ModelNo, FwVersion;

    void DvcChkOkBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* serialNoEdit_;
    QLineEdit* modelNoEdit_;
    QLineEdit* fwVerEdit_;
    QPushButton* okBtn_;
};

}  // namespace qx::utility
