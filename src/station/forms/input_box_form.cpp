#include "station/forms/input_box_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "station/forms/form_text.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {
namespace {

constexpr int kClientWidth = 314;
constexpr int kTwoFieldHeight = 188;
// The one-field form is 160 high with its title bar and border (28).
constexpr int kOneFieldHeight = 160 - 28;
constexpr int kEditLeft = 24;
constexpr int kEditWidth = 250;
constexpr int kEdit1Top = 40;
constexpr int kEdit2Top = 100;
constexpr int kLabelAbove = 20;
constexpr int kOkLeft = 70;
constexpr int kCancelLeft = 175;
constexpr int kOneFieldButtonTop = 80;
constexpr int kTwoFieldButtonTop = 140;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kEditHeight = ui::kDialogEditHeight;

QLabel* EditLabel(QWidget* parent, const QString& name, int top) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font("Tahoma");
    font.setPixelSize(15);
    label->setFont(font);
    label->setGeometry(kEditLeft, top - kLabelAbove, kEditWidth, kLabelAbove - 2);
    return label;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption, int left) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Enter belongs to the edits: a scanner ends each code with it.
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setGeometry(left, kTwoFieldButtonTop, kButtonWidth, kButtonHeight);
    return b;
}

int MaxLength(std::size_t limit) { return limit == 0 ? 32767 : static_cast<int>(limit); }

}  // namespace

TInputBoxForm::TInputBoxForm(QWidget* parent) : QDialog(parent) {
    setObjectName("InputBoxForm");
    ui::NoMaximiseButton(*this);
    setFixedSize(kClientWidth, kTwoFieldHeight);
    edit1_ = new QLineEdit(this);
    edit1_->setObjectName("LabeledEdit1");
    edit1_->setGeometry(kEditLeft, kEdit1Top, kEditWidth, kEditHeight);
    label1_ = EditLabel(this, "LabeledEdit1Label", kEdit1Top);
    edit2_ = new QLineEdit(this);
    edit2_->setObjectName("LabeledEdit2");
    edit2_->setGeometry(kEditLeft, kEdit2Top, kEditWidth, kEditHeight);
    label2_ = EditLabel(this, "LabeledEdit2Label", kEdit2Top);
    ok_ = Button(this, "ButtonOK", "OK", kOkLeft);
    cancel_ = Button(this, "ButtonCancel", "Cancel", kCancelLeft);
    connect(ok_, &QPushButton::clicked, this, [this] { ButtonOKClick(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { ButtonCancelClick(); });
    connect(edit1_, &QLineEdit::returnPressed, this, [this] { LabeledEdit1KeyPress(); });
    connect(edit2_, &QLineEdit::returnPressed, this, [this] { LabeledEdit2KeyPress(); });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width()) / 2, (s.height() - height()) / 2);
    }
}

void TInputBoxForm::FormShow(const ui::BarcodeRequest& request) {
    edit1_->clear();
    edit2_->clear();
    setWindowTitle(Q(request.caption));
    label1_->setText(Q(request.label1));
    edit1_->setMaxLength(MaxLength(request.maxLength1));
    const bool two = !request.label2.empty();
    label2_->setText(Q(request.label2));
    edit2_->setMaxLength(MaxLength(request.maxLength2));
    label2_->setHidden(!two);
    edit2_->setHidden(!two);
    const int top = two ? kTwoFieldButtonTop : kOneFieldButtonTop;
    ok_->move(kOkLeft, top);
    cancel_->move(kCancelLeft, top);
    setFixedSize(kClientWidth, two ? kTwoFieldHeight : kOneFieldHeight);
    edit1_->setFocus();
}

std::optional<ui::BarcodeAnswer> TInputBoxForm::Ask(const ui::BarcodeRequest& request) {
    FormShow(request);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return Answer();
}

ui::BarcodeAnswer TInputBoxForm::Answer() const {
    return {S(edit1_->text()), edit2_->isHidden() ? std::string() : S(edit2_->text())};
}

void TInputBoxForm::ButtonOKClick() { accept(); }
void TInputBoxForm::ButtonCancelClick() { reject(); }

void TInputBoxForm::LabeledEdit1KeyPress() {
    if (!edit2_->isHidden()) edit2_->setFocus();
    else ButtonOKClick();
}

void TInputBoxForm::LabeledEdit2KeyPress() { ButtonOKClick(); }

std::optional<ui::BarcodeAnswer> RunBarcodeDialog(TInputBoxForm& form, const ui::BarcodeRequest& request) {
    return form.Ask(request);
}

}  // namespace qx::station
