#include "ui/widgets/qt_prompter.h"

#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include "ui/widgets/barcode_dialog.h"
#include "ui/widgets/window_fit.h"
#include "ui/latin1_text.h"

namespace qx::ui {
namespace {

QMessageBox::Icon IconOf(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok: return QMessageBox::Ok;
    case BoxButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case BoxButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case BoxButtons::AbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

BoxAnswer AnswerOf(int button, BoxButtons buttons) {
    switch (button) {
    case QMessageBox::Ok: return BoxAnswer::Ok;
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    case QMessageBox::Retry: return BoxAnswer::Retry;
    case QMessageBox::Abort: return BoxAnswer::Abort;
    case QMessageBox::Ignore: return BoxAnswer::Ignore;
    default: break;
    }
    // Closed without a button: the box's cancel where it has one.
    return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

}  // namespace

QString QtNameFilters(const std::string& filter) {
    const QStringList parts = Q(filter).split('|');
    if (parts.size() < 2) return Q(filter);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(';', ' ');
        filters << (description.contains(pattern) ? description : description + " (" + pattern + ")");
    }
    return filters.join(";;");
}

BoxAnswer QtPrompter::Box(const BoxRequest& request) {
    QMessageBox box(IconOf(request.icon), Q(request.caption), Q(request.text), ButtonsOf(request.buttons), parent_);
    NoMaximiseButton(box);
    RoomForTitle(box);
    return AnswerOf(box.exec(), request.buttons);
}

std::optional<std::string> QtPrompter::Input(const InputRequest& request) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(Q(request.caption));
    dialog.setLabelText(Q(request.prompt));
    dialog.setTextEchoMode(request.password ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(Q(request.initial));
    NoMaximiseButton(dialog);
    // The box is otherwise only as wide as its edit: the title would be cut.
    RoomForTitle(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return S(dialog.textValue());
}

std::optional<std::string> QtPrompter::File(const FileRequest& request) {
    QFileDialog dialog(parent_, Q(request.caption), QFile::decodeName(request.folder.c_str()),
                       QtNameFilters(request.filter));
    dialog.setAcceptMode(request.kind == FileDialogKind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == FileDialogKind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(Q(request.defaultExt));
    if (!request.fileName.empty()) dialog.selectFile(QFile::decodeName(request.fileName.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

std::optional<BarcodeAnswer> QtPrompter::Barcode(const BarcodeRequest& request) {
    BarcodeDialog dialog(request, parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Answer();
}

}  // namespace qx::ui
