#include "utility/forms/dvc_chk_form.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/latin1_text.h"

namespace qx::utility {
namespace {

QLineEdit* LabelledEdit(QWidget* parent, const char* name, const char* label, int top) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(104, top, 200, 22);
    auto* caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    caption->setGeometry(104, top - 16, 200, 16);
    return edit;
}

}  // namespace

TDvcChkForm::TDvcChkForm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName("DvcChkForm");
    setWindowTitle("Device Integrity & Security Check");
    resize(420, 160);
    serialNoEdit_ = LabelledEdit(this, "SerialNoEdit", "Serial No", 30);
    modelNoEdit_ = LabelledEdit(this, "ModelNoEdit", "Model No", 75);
    fwVerEdit_ = LabelledEdit(this, "FwVerEdit", "Firmware Version", 120);
    okBtn_ = new QPushButton("OK", this);
    okBtn_->setObjectName("DvcChkOkBtn");
    okBtn_->setGeometry(320, 120, 75, 25);
    connect(okBtn_, &QPushButton::clicked, this, &TDvcChkForm::DvcChkOkBtnClick);
    for (QLineEdit* e : {serialNoEdit_, modelNoEdit_, fwVerEdit_}) e->installEventFilter(this);
}

void TDvcChkForm::DvcChkOkBtnClick() {
    SerialNo = ui::S(serialNoEdit_->text());
    ModelNo = ui::S(modelNoEdit_->text());
    FwVersion = ui::S(fwVerEdit_->text());
    close();
}

void TDvcChkForm::showEvent(QShowEvent* event) {
    SerialNo.clear();
    ModelNo.clear();
    FwVersion.clear();
    for (QLineEdit* e : {serialNoEdit_, modelNoEdit_, fwVerEdit_}) e->clear();
    serialNoEdit_->move(104, 43);
    okBtn_->move(okBtn_->x(), 40);
    modelNoEdit_->hide();
    fwVerEdit_->hide();
    QWidget::showEvent(event);
}

// Enter in an edit moves on as Tab does, so a scanner's line end goes to the button.
bool TDvcChkForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qx::utility
