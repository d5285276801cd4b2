// The bar-code entry: one or two labelled edits and OK. Enter in the first
// edit moves to the second (a scanner ends each code with Enter); Enter in
// the last accepts.
#pragma once

#include <QDialog>

#include "ui/prompter.h"

class QLineEdit;

namespace qx::ui {

class BarcodeDialog final : public QDialog {
    Q_OBJECT
public:
    BarcodeDialog(const BarcodeRequest& request, QWidget* parent = nullptr);
    BarcodeAnswer Answer() const;

private:
    QLineEdit* edit1_ = nullptr;
    QLineEdit* edit2_ = nullptr;
    bool two_ = false;
};

}  // namespace qx::ui
