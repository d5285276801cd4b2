#include "utility/forms/form_builders.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qx::utility::forms {

QFont FixedPitch() {
    QFont f("Courier New");
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* title) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(name);
    new QGridLayout(g);
    return g;
}

QLineEdit* Edit(QWidget* parent, const char* name, const char* label) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    if (auto* grid = qobject_cast<QGridLayout*>(parent->layout())) {
        const int row = grid->rowCount();
        if (label) grid->addWidget(new QLabel(label, parent), row, 0);
        grid->addWidget(e, row, 1);
    }
    return e;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, bool fixedPitch, bool readOnly) {
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(name);
    m->setReadOnly(readOnly);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    if (fixedPitch) m->setFont(FixedPitch());
    if (parent->layout()) parent->layout()->addWidget(m);
    return m;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, bool enabled, bool visible) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setEnabled(enabled);
    if (parent->layout()) parent->layout()->addWidget(b);
    b->setVisible(visible);
    return b;
}

QWidget* Page(QTabWidget* tabs, const char* name, const char* caption) {
    auto* p = new QWidget(tabs);
    p->setObjectName(name);
    new QVBoxLayout(p);
    tabs->addTab(p, caption);
    return p;
}

}  // namespace qx::utility::forms
