#include "utility/forms/form_builders.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
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

QWidget* Box(QWidget* parent, bool vertical, int stretch) {
    auto* box = new QWidget(parent);
    QBoxLayout* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box)) : new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    if (auto* outer = qobject_cast<QBoxLayout*>(parent->layout()))
        outer->addWidget(box, stretch);
    else if (parent->layout())
        parent->layout()->addWidget(box);
    return box;
}

void ShowLines(QPlainTextEdit* memo, int lines) {
    const QFontMetrics fm(memo->font());
    const int margins = 2 * memo->frameWidth() + 2 * static_cast<int>(memo->document()->documentMargin());
    memo->setMinimumHeight(lines * fm.lineSpacing() + margins + 2);
}

void Compact(QGroupBox* group) {
    auto* grid = qobject_cast<QGridLayout*>(group->layout());
    if (!grid) return;
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setVerticalSpacing(3);
    for (QLineEdit* e : group->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        e->setMinimumHeight(e->minimumSizeHint().height());
}

QWidget* Page(QTabWidget* tabs, const char* name, const char* caption) {
    auto* p = new QWidget(tabs);
    p->setObjectName(name);
    auto* layout = new QVBoxLayout(p);
    layout->setContentsMargins(6, 6, 6, 6);
    tabs->addTab(p, caption);
    return p;
}

}  // namespace qx::utility::forms
