// The prompter of a window on a desktop: modal Qt message boxes, input
// boxes, file dialogs and the bar-code dialog, over the given parent window.
// Texts are 8-bit and shown byte for byte (Latin-1), so what the programs
// write is what the operator reads.
#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/prompter.h"

namespace qx::ui {

class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    BoxAnswer Box(const BoxRequest& request) override;
    std::optional<std::string> Input(const InputRequest& request) override;
    std::optional<std::string> File(const FileRequest& request) override;
    std::optional<BarcodeAnswer> Barcode(const BarcodeRequest& request) override;

private:
    QPointer<QWidget> parent_;
};

// "Text files (*.txt)|*.txt|All (*.*)|*.*" (description and pattern pairs)
// as a Qt name filter list; a lone pattern stays as it is.
QString QtNameFilters(const std::string& filter);

}  // namespace qx::ui
