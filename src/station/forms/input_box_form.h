// The bar-code dialog, created once and shown again and again: one or two
// labelled edits, OK and Cancel. Each showing starts from empty fields and
// takes its caption, labels, limits and layout from the request, so nothing
// of an earlier showing carries over. It only shows and returns what was
// entered; the station's store takes the answer.
#pragma once

#include <QDialog>

#include <optional>

#include "ui/prompter.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qx::station {

class TInputBoxForm final : public QDialog {
    Q_OBJECT
public:
    explicit TInputBoxForm(QWidget* parent = nullptr);

    // Fills the form for the request (the form's OnShow).
    void FormShow(const ui::BarcodeRequest& request);
    // Shows it modally; nullopt when cancelled.
    std::optional<ui::BarcodeAnswer> Ask(const ui::BarcodeRequest& request);
    ui::BarcodeAnswer Answer() const;

private:
    void ButtonOKClick();
    void ButtonCancelClick();
    void LabeledEdit1KeyPress();
    void LabeledEdit2KeyPress();

    QLineEdit* edit1_ = nullptr;
    QLineEdit* edit2_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// What the station's Qt prompter calls for a bar-code request.
std::optional<ui::BarcodeAnswer> RunBarcodeDialog(TInputBoxForm& form, const ui::BarcodeRequest& request);

// The station's prompter: every box, input and file dialog as the given
// prompter shows them, bar codes through the station's own dialog.
class BarcodeFormPrompter final : public ui::Prompter {
public:
    BarcodeFormPrompter(ui::Prompter& inner, TInputBoxForm& form) : inner_(inner), form_(form) {}
    ui::BoxAnswer Box(const ui::BoxRequest& request) override { return inner_.Box(request); }
    std::optional<std::string> Input(const ui::InputRequest& request) override { return inner_.Input(request); }
    std::optional<std::string> File(const ui::FileRequest& request) override { return inner_.File(request); }
    std::optional<ui::BarcodeAnswer> Barcode(const ui::BarcodeRequest& request) override {
        return RunBarcodeDialog(form_, request);
    }

private:
    ui::Prompter& inner_;
    TInputBoxForm& form_;
};

}  // namespace qx::station
