#include "station/forms/error_form.h"

#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <filesystem>

#include "qxlib/discovery/port_record.h"
#include "qxlib/transport/device_slot.h"
#include "station/forms/form_text.h"
#include "station/port_info/failure_text.h"
#include "ui/widgets/fixed_pitch_font.h"
#include "ui/widgets/window_fit.h"

namespace qx::station {
namespace {

bool LoadJpeg(QLabel* image, const std::string& path) {
    if (!std::filesystem::exists(path)) return false;
    QImageReader reader(Q(path), "jpeg");
    const QImage picture = reader.read();
    if (picture.isNull()) return false;
    image->setPixmap(QPixmap::fromImage(picture));
    return true;
}

}  // namespace

TErrorForm::TErrorForm(QWidget* parent, const PortTableHandle& tables) : QDialog(parent), tables_(tables) {
    setObjectName("ErrorForm");
    setWindowTitle("Error");
    ui::NoMaximiseButton(*this);
    resize(918, 640);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("Memo1");
    memo_->setReadOnly(true);
    // Its hex dump and result tables line up in columns.
    memo_->setFont(ui::FixedPitchFont());
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setGeometry(8, 8, 440, 624);
    auto* box = new QGroupBox("PCB Layout", this);
    box->setObjectName("PictureGBox");
    box->setGeometry(456, 8, 454, 624);
    front_ = new QLabel(box);
    front_->setObjectName("Image1");
    front_->setGeometry(8, 20, 438, 296);
    back_ = new QLabel(box);
    back_->setObjectName("Image2");
    back_->setScaledContents(true);
    back_->setGeometry(8, 320, 438, 296);
}

void TErrorForm::LoadPictures(const std::string& workFolder) {
    const std::filesystem::path folder(workFolder);
    LoadJpeg(front_, (folder / kLayoutFrontPicture).string());
    LoadJpeg(back_, (folder / kLayoutBackPicture).string());
}

void TErrorForm::ShowEntries(const std::vector<std::string>& entries) {
    memo_->clear();
    for (std::string line : entries) {
        // An entry's own line end is the memo's line break.
        if (!line.empty() && line.back() == '\n') line.pop_back();
        memo_->appendPlainText(Q(line));
    }
    memo_->moveCursor(QTextCursor::Start);   // the failure text first, not the dump's end
}

void TErrorForm::FormShow(int port, const FlashConfig& config, const std::string& workFolder) {
    LoadPictures(workFolder);
    if (port < 0 || port >= kPortCount) return ShowEntries({});
    const int code = tables_.Active(port).ErrorCode;
    std::span<const std::uint8_t> detail;
    if (DecodesDetail(code)) {
        const std::span<char> text = ItemText(port, code);
        detail = {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    }
    ShowEntries(FailureEntries(code, detail, config));
}

}  // namespace qx::station
