#include "station/forms/title_form.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "station/forms/form_text.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {
namespace {

constexpr int kEditHeight = ui::kDialogEditHeight;

QLineEdit* Edit(QWidget* parent, const char* name, QRect geometry) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(geometry);
    return e;
}

// A labelled edit whose label sits on its right.
QLineEdit* RightLabelled(QWidget* parent, const char* name, const char* label, int top) {
    QLineEdit* e = Edit(parent, name, QRect(16, top, 200, kEditHeight));
    auto* l = new QLabel(label, parent);
    l->setObjectName(QString(name) + "Label");
    l->setGeometry(220, top + 2, 40, 18);
    return e;
}

QLabel* Dash(QWidget* parent, const char* name, int left) {
    auto* l = new QLabel("-", parent);
    l->setObjectName(name);
    l->setGeometry(left, 50, 8, 18);
    return l;
}

}  // namespace

TTitleForm::TTitleForm(int showTitle, QWidget* parent) : QDialog(parent), showTitle_(showTitle) {
    setObjectName("TitleForm");
    setWindowTitle("Serial Number Information");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(280, 150);
    woEdit_ = RightLabelled(this, "WOEdit", " W/O", 16);
    snEdit_ = RightLabelled(this, "SNEdit", " S/N", 48);
    const char* names[] = {"Edit1", "Edit2", "Edit3"};
    const QRect places[] = {{16, 48, 80, kEditHeight}, {108, 48, 50, kEditHeight}, {170, 48, 80, kEditHeight}};
    for (int tag = 0; tag < 3; ++tag) {
        QLineEdit* e = Edit(this, names[tag], places[tag]);
        e->setProperty("tag", tag);
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, [this, e] { Edit1Change(e); });
        parts_[static_cast<std::size_t>(tag)] = e;
    }
    QLabel* dash1 = Dash(this, "Label1", 98);
    QLabel* dash2 = Dash(this, "Label2", 160);
    autoIncrease_ = new QCheckBox("Auto Increase", this);
    autoIncrease_->setObjectName("SNChkBx");
    autoIncrease_->setGeometry(16, 84, 150, 20);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setGeometry(60, 114, 75, 25);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    cancel->setGeometry(150, 114, 75, 25);
    connect(ok, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { CancelBtnClick(); });

    result_ = {};
    const bool whole = showTitle_ == 1;
    const bool inParts = showTitle_ == 2;
    for (QWidget* w : {static_cast<QWidget*>(woEdit_), static_cast<QWidget*>(snEdit_),
                       findChild<QWidget*>("WOEditLabel"), findChild<QWidget*>("SNEditLabel")})
        w->setVisible(whole);
    for (QWidget* w : {static_cast<QWidget*>(parts_[0]), static_cast<QWidget*>(parts_[1]),
                       static_cast<QWidget*>(parts_[2]), static_cast<QWidget*>(dash1), static_cast<QWidget*>(dash2)})
        w->setVisible(inParts);
}

void TTitleForm::OKBtnClick() {
    TitleEdits e;
    e.wo = S(woEdit_->text());
    e.sn = S(snEdit_->text());
    e.part1 = S(parts_[0]->text());
    e.part2 = S(parts_[1]->text());
    e.part3 = S(parts_[2]->text());
    result_.serialText = TitleSerialText(showTitle_, e);
    result_.autoIncrease = autoIncrease_->isChecked();
    result_.modalResult = kDialogOk;
    done(kDialogOk);
}

void TTitleForm::CancelBtnClick() { reject(); }

// Cancel, Escape and the title bar's close button: the texts keep what the
// construction gave them.
void TTitleForm::reject() {
    result_.modalResult = kDialogCancel;
    done(kDialogCancel);
}

bool TTitleForm::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.size() != 1 || text[0].unicode() > 0xFF) return QDialog::eventFilter(watched, event);
    const char typed = static_cast<char>(text[0].unicode());
    const std::optional<char> kept = AlphaNumKey(typed);
    if (!kept) return true;
    if (*kept == typed) return QDialog::eventFilter(watched, event);
    edit->insert(QString(QChar(static_cast<unsigned char>(*kept))));
    return true;
}

void TTitleForm::Edit1Change(QLineEdit* edit) {
    const int tag = edit->property("tag").toInt();
    const std::string cut = CutToTitleEdit(tag, S(edit->text()));
    if (cut.size() != static_cast<std::size_t>(edit->text().size())) edit->setText(Q(cut));
}

}  // namespace qx::station
