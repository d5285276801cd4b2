#include "station/forms/detail_form.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QFontMetricsF>
#include <QScreen>

#include "station/forms/form_text.h"
#include "ui/widgets/fixed_pitch_font.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {
namespace {

constexpr int kTabStopCharacters = 10;

QLineEdit* LabelledEdit(QWidget* parent, const char* name, const char* label, QRect place, bool visible = true) {
    auto* l = new QLabel(label, parent);
    l->setObjectName(QString(name) + "Label");
    l->setGeometry(place.left(), place.top() - 16, place.width(), 15);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setGeometry(place);
    l->setVisible(visible);
    e->setVisible(visible);
    return e;
}

}  // namespace

TDetailForm::TDetailForm(QWidget* parent) : QDialog(parent) {
    setObjectName("DetailForm");
    setWindowTitle("Manual Setting");
    ui::NoMaximiseButton(*this);
    setFixedSize(560, 380);
    auto* caption = new QLabel("Device Info.", this);
    caption->setObjectName("DeviceInfoLabel");
    caption->setGeometry(64, 40, 200, 18);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("DeviceInfoMemo");
    memo_->setReadOnly(true);
    // The identity lines put each value after a tab ("Capacity:" after two):
    // in equally wide characters with a stop every ten, every value starts
    // at column 20, the labels being 4 to 16 characters long.
    memo_->setFont(ui::FixedPitchFont());
    memo_->setTabStopDistance(kTabStopCharacters * QFontMetricsF(memo_->font()).horizontalAdvance(QLatin1Char(' ')));
    memo_->setGeometry(0, 0, 432, 200);
    memo_->move(64, 64);
    fwInfo_ = LabelledEdit(this, "FWInfoEdit", "F/W Info . ", QRect(64, 296, 432, ui::kDialogEditHeight));
    loaderLabel_ = new QLabel(this);
    loaderLabel_->setObjectName("Label1");
    loaderLabel_->setGeometry(64, 296, 432, ui::kDialogEditHeight);
    loaderLabel_->hide();

    group_ = new QGroupBox(" Device Info. ", this);
    group_->setObjectName("GroupBox1");
    group_->setGeometry(8, 8, 544, 364);
    const struct {
        const char* name;
        const char* label;
        bool visible;
    } fields[] = {
        {"ModNumEdit", "Model Num. ", true},       {"SNEdit", "Serial Num. ", true},
        {"FWVerEdit", "F/W Ver. ", true},          {"CapEdit", "Capacity ", true},
        {"VendorNameEdit", "Vendor Name", false},  {"ProductNameEdit", "Product Name", false},
        {"ManufacturStringEdit", "Manufactur String", false}, {"ProductStringEdit", "Product String", false},
        {"VIDEdit", "VID", false},                 {"PIDEdit", "PID", false},
    };
    int top = 40;
    for (const auto& f : fields) {
        LabelledEdit(group_, f.name, f.label, QRect(16, top, 240, ui::kDialogEditHeight), f.visible);
        top += 32;
    }
    // Its edits are written but never seen: the memo and the firmware line are.
    group_->hide();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width()) / 2, (s.height() - height()) / 2);
    }
}

QLineEdit* TDetailForm::Field(const char* name) const { return group_->findChild<QLineEdit*>(name); }

void TDetailForm::ShowDetail(const DriveDetail& d) {
    memo_->clear();
    for (const std::string& line : d.memoLines) memo_->appendPlainText(Q(line));
    if (d.capacityRead) Field("CapEdit")->setText(Q(d.capacity));
    if (d.usbStringsRead) {
        Field("VIDEdit")->setText(Q(d.vid));
        Field("PIDEdit")->setText(Q(d.pid));
        Field("VendorNameEdit")->setText(Q(d.vendorName));
        Field("ProductNameEdit")->setText(Q(d.productName));
        Field("ManufacturStringEdit")->setText(Q(d.manufacturer));
        Field("ProductStringEdit")->setText(Q(d.productString));
        Field("SNEdit")->setText(Q(d.serial));
    }
    if (d.fwInfoRead) fwInfo_->setText(Q(d.fwInfo));
    loaderLabel_->setText(kLoaderModeText);
    loaderLabel_->setVisible(d.loader);
    fwInfo_->setVisible(!d.loader);
    findChild<QLabel*>("FWInfoEditLabel")->setVisible(!d.loader);
}

void TDetailForm::FormShow(int port) { ShowDetail(ReadDriveDetail(port)); }

}  // namespace qx::station
