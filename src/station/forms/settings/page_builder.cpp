#include "station/forms/settings/page_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace qx::station {

PageBuilder::PageBuilder(QWidget* page, int rowsPerColumn)
    : page_(page), grid_(new QGridLayout(page)), rowsPerColumn_(rowsPerColumn) {
    grid_->setContentsMargins(6, 6, 6, 6);
    grid_->setHorizontalSpacing(6);
    grid_->setVerticalSpacing(3);
    grid_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
}

// Each column of the page is three grid columns: label, control, and the
// button beside it; a control without a label takes all three.
void PageBuilder::Add(QWidget* label, QWidget* control, int rowSpan) {
    if (row_ + rowSpan > rowsPerColumn_ && row_ > 0) NextColumn();
    if (label) grid_->addWidget(label, row_, column_ * 3);
    grid_->addWidget(control, row_, column_ * 3 + (label ? 1 : 0), rowSpan, label ? 1 : 3);
    lastRow_ = row_;
    row_ += rowSpan;
}

void PageBuilder::NextColumn() {
    row_ = 0;
    ++column_;
}

QLineEdit* PageBuilder::Edit(const char* name, const char* caption, int maxLength) {
    auto* edit = new QLineEdit(page_);
    edit->setObjectName(name);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    Add(Label((QString(name) + "Label").toLatin1().constData(), caption), edit);
    return edit;
}

QLabel* PageBuilder::Label(const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromLatin1(caption), page_);
    label->setObjectName(name);
    return label;
}

QCheckBox* PageBuilder::Check(const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromLatin1(caption), page_);
    box->setObjectName(name);
    Add(nullptr, box);
    return box;
}

QRadioButton* PageBuilder::Radio(const char* name, const char* caption) {
    auto* button = new QRadioButton(QString::fromLatin1(caption), page_);
    button->setObjectName(name);
    Add(nullptr, button);
    return button;
}

QComboBox* PageBuilder::Combo(const char* name, const char* caption, const QStringList& items) {
    auto* box = new QComboBox(page_);
    box->setObjectName(name);
    box->addItems(items);
    Add(Label((QString(name) + "Label").toLatin1().constData(), caption), box);
    return box;
}

QSpinBox* PageBuilder::Spin(const char* name, const char* caption, int low, int high) {
    auto* spin = new QSpinBox(page_);
    spin->setObjectName(name);
    spin->setRange(low, high);
    Add(Label((QString(name) + "Label").toLatin1().constData(), caption), spin);
    return spin;
}

QPushButton* PageBuilder::MakeButton(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), page_);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QPushButton* PageBuilder::Button(const char* name, const char* caption) {
    QPushButton* button = MakeButton(name, caption);
    Add(nullptr, button);
    return button;
}

QPushButton* PageBuilder::ButtonBeside(const char* name, const char* caption) {
    QPushButton* button = MakeButton(name, caption);
    Beside(button);
    return button;
}

void PageBuilder::Beside(QWidget* widget) { grid_->addWidget(widget, lastRow_, column_ * 3 + 2); }

void PageBuilder::ShowCharacters(QLineEdit* edit, int characters) {
    const QFontMetrics metrics = edit->fontMetrics();
    // Capitals and digits, as serial numbers and model names are written.
    const int text = metrics.horizontalAdvance(QString(characters, QChar('8')));
    edit->setMinimumWidth(text + 2 * metrics.averageCharWidth() + 8);
}

QPlainTextEdit* PageBuilder::Memo(const char* name, int rows) {
    auto* memo = new QPlainTextEdit(page_);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FitRows(memo, rows);
    Add(nullptr, memo, rows);
    return memo;
}

PageBuilder PageBuilder::Group(const char* name, const char* caption, int rowsPerColumn, int rowSpan) {
    auto* group = new QGroupBox(QString::fromLatin1(caption), page_);
    group->setObjectName(name);
    Add(nullptr, group, rowSpan);
    return PageBuilder(group, rowsPerColumn);
}

void PageBuilder::Place(QWidget* widget, int rowSpan) { Add(nullptr, widget, rowSpan); }

void PageBuilder::FitRows(QWidget* view, int lines) {
    QSizePolicy policy = view->sizePolicy();
    policy.setVerticalPolicy(QSizePolicy::Ignored);
    view->setSizePolicy(policy);
    view->setMinimumHeight(lines * view->fontMetrics().lineSpacing() + 12);
}

}  // namespace qx::station
