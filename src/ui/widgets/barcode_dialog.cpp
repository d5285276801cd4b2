#include "ui/widgets/barcode_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace qx::ui {
namespace {
QString Q(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

BarcodeDialog::BarcodeDialog(const BarcodeRequest& request, QWidget* parent) : QDialog(parent) {
    setObjectName("BarcodeDialog");
    setWindowTitle(Q(request.caption));
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
    return {edit1_->text().toLatin1().toStdString(), two_ ? edit2_->text().toLatin1().toStdString() : ""};
}

}  // namespace qx::ui
