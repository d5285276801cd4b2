#include "station/forms/workorder_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "station/forms/form_text.h"
#include "ui/prompter.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {
namespace {

constexpr int kEditHeight = ui::kDialogEditHeight;

// A labelled edit with its label above.
QLineEdit* Labelled(QWidget* parent, const char* name, const char* label, int top) {
    auto* l = new QLabel(label, parent);
    l->setObjectName(QString(name) + "Label");
    l->setGeometry(24, top - 18, 200, 16);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(24, top, 200, kEditHeight);
    return e;
}

}  // namespace

TWorkorderForm::TWorkorderForm(ui::Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    setObjectName("WorkorderForm");
    setWindowTitle("Workorder");
    ui::NoMaximiseButton(*this);
    setFixedSize(250, 200);
    workId_ = Labelled(this, "WorkIDLEdit", "Worker ID", 30);
    keyNumber_ = Labelled(this, "KeyNumberLEdit", "Key Number", 80);
    weekCode_ = Labelled(this, "WeekCodeEdit", "WeekCode", 130);
    weekCode_->hide();
    findChild<QLabel*>("WeekCodeEditLabel")->hide();
    auto* start = new QPushButton("Start", this);
    start->setObjectName("StartBn");
    start->setAutoDefault(false);
    start->setGeometry(88, 164, 75, 25);
    connect(start, &QPushButton::clicked, this, [this] { StartBnClick(); });
    for (QLineEdit* e : {workId_, keyNumber_})
        connect(e, &QLineEdit::returnPressed, this, [this] { WorkIDLEditKeyPress(); });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width()) / 2, (s.height() - height()) / 2);
    }
    FormCreate();
}

void TWorkorderForm::FormCreate() {
    findChild<QLabel*>("WorkIDLEditLabel")->setText("Work Order");
    findChild<QLabel*>("KeyNumberLEditLabel")->setText("Part No");
    weekCode_->show();
    findChild<QLabel*>("WeekCodeEditLabel")->show();
}

void TWorkorderForm::WorkIDLEditKeyPress() { focusNextChild(); }

void TWorkorderForm::StartBnClick() {
    const WorkOrderTexts entered{S(workId_->text()), S(keyNumber_->text()), S(weekCode_->text())};
    if (!WorkOrderComplete(entered)) {
        prompter_.Message(kWorkOrderInputError);
        focusNextChild();
        return;
    }
    texts_ = entered;
    done(1);
}

}  // namespace qx::station
