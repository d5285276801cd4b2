// Lays out one settings page: controls go down a column of labelled rows and
// wrap into the next column, each with the object name the station's code
// and tests find it by. A labelled control's label is named <control>Label.
// A row may end in a button beside its control (a file edit and its button).
#pragma once

#include <QGridLayout>
#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace qx::station {

class PageBuilder {
public:
    // rowsPerColumn: rows before the next column starts.
    explicit PageBuilder(QWidget* page, int rowsPerColumn = 6);

    QLineEdit* Edit(const char* name, const char* caption, int maxLength = 0);
    QCheckBox* Check(const char* name, const char* caption);
    QRadioButton* Radio(const char* name, const char* caption);
    QComboBox* Combo(const char* name, const char* caption, const QStringList& items = {});
    QSpinBox* Spin(const char* name, const char* caption, int low, int high);
    QPushButton* Button(const char* name, const char* caption);
    // A button, or any widget, at the end of the row just added.
    QPushButton* ButtonBeside(const char* name, const char* caption);
    void Beside(QWidget* widget);
    QLabel* Label(const char* name, const char* caption);
    QPlainTextEdit* Memo(const char* name, int rows = 4);
    // A group box in the next cell, spanning rows; its own builder lays out
    // its content.
    PageBuilder Group(const char* name, const char* caption, int rowsPerColumn = 6, int rowSpan = 1);
    // Any widget of the caller's making in the next cell, spanning rows.
    void Place(QWidget* widget, int rowSpan = 1);
    // A list or memo takes the height its rows give it, at least `lines`
    // lines, rather than asking the page for its usual tall size.
    static void FitRows(QWidget* view, int lines);
    // A line edit shows about `characters` characters without scrolling.
    static void ShowCharacters(QLineEdit* edit, int characters);
    // The next control starts a new column.
    void NextColumn();

    QWidget* Page() const { return page_; }

private:
    void Add(QWidget* label, QWidget* control, int rowSpan = 1);
    QPushButton* MakeButton(const char* name, const char* caption);

    QWidget* page_;
    QGridLayout* grid_;
    int rowsPerColumn_;
    int row_ = 0;
    int column_ = 0;
    int lastRow_ = 0;
};

}  // namespace qx::station
