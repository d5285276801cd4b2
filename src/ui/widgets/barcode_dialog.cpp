#include "ui/widgets/barcode_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "ui/latin1_text.h"
#include "ui/widgets/window_fit.h"

namespace qx::ui {
BarcodeDialog::BarcodeDialog(const BarcodeRequest& request, QWidget* parent) : QDialog(parent) {
    setObjectName("BarcodeDialog");
    setWindowTitle(Q(request.caption));
    NoMaximiseButton(*this);
    RoomForTitle(*this);
    auto* form = new QFormLayout(this);
    edit1_ = new QLineEdit(Q(request.text1), this);
    edit1_->setObjectName("Edit1");
    form->addRow(Q(request.label1), edit1_);
    edit2_ = new QLineEdit(Q(request.text2), this);
    edit2_->setObjectName("Edit2");
    const bool two = !request.label2.empty();
    two_ = two;
    if (two) form->addRow(Q(request.label2), edit2_);
    edit2_->setVisible(two);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(edit1_, &QLineEdit::returnPressed, this, [this, two] {
        if (two)
            edit2_->setFocus();
        else
            accept();
    });
    connect(edit2_, &QLineEdit::returnPressed, this, &QDialog::accept);
}

BarcodeAnswer BarcodeDialog::Answer() const {
    return {S(edit1_->text()), two_ ? S(edit2_->text()) : ""};
}

}  // namespace qx::ui
