// Small builders for the main window's pages: each control gets its name
// (the one the handlers and page operations know) and joins its parent's
// layout.
#pragma once

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class QFont;

namespace qx::utility::forms {

// "Courier New": the tables the pages write rely on fixed-width columns.
QFont FixedPitch();
QGroupBox* Group(QWidget* parent, const char* name, const char* title);
// A read-only edit, labelled when a label is given.
QLineEdit* Edit(QWidget* parent, const char* name, const char* label = nullptr);
QPlainTextEdit* Memo(QWidget* parent, const char* name, bool fixedPitch, bool readOnly = true);
QPushButton* Button(QWidget* parent, const char* name, const char* text, bool enabled = true, bool visible = true);
QWidget* Page(QTabWidget* tabs, const char* name, const char* caption);
// A plain widget that stacks its children (vertically or side by side)
// without margins of its own, added to parent's layout.
QWidget* Box(QWidget* parent, bool vertical, int stretch = 0);
// A memo at least tall enough to show `lines` lines without scrolling.
void ShowLines(QPlainTextEdit* memo, int lines);
// A group of stacked edits: its rows close together, each edit its full height.
void Compact(QGroupBox* group);

}  // namespace qx::utility::forms
