// One row of the settings pages' transfer table: a control, the settings key
// behind it (nullptr for the record's keyless fields and the window's own
// steps), and what each direction does. Both transfers walk one table in
// order, so a conversion error stops them at the same control.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/form_text.h"
#include "station/settings/integer_text.h"

namespace qx::station {

struct ControlRow {
    const char* Control;
    const char* Key;
    std::function<void()> ToForm;     // empty: this direction does nothing
    std::function<void()> ToRecord;
};

template <class T>
T* Control(const QWidget& area, const char* name) {
    return area.findChild<T*>(QString::fromLatin1(name));
}

// A text field: shown as it stands, taken cut to the field's width.
template <std::size_t N>
ControlRow TextRow(QWidget& area, GlobalParameter& s, const char* control, const char* key, char (GlobalParameter::*field)[N]) {
    return {control, key,
            [&area, &s, control, field] { Control<QLineEdit>(area, control)->setText(Q(std::string(FixedTextView(s.*field)))); },
            [&area, &s, control, field] { CopyFixedText(std::span<char>(s.*field), S(Control<QLineEdit>(area, control)->text())); }};
}

inline ControlRow CheckRow(QWidget& area, GlobalParameter& s, const char* control, const char* key,
                           std::uint8_t GlobalParameter::*field, bool toRecord = true) {
    ControlRow row{control, key, [&area, &s, control, field] { Control<QCheckBox>(area, control)->setChecked(s.*field != 0); }, {}};
    if (toRecord)
        row.ToRecord = [&area, &s, control, field] { s.*field = Control<QCheckBox>(area, control)->isChecked() ? 1 : 0; };
    return row;
}

// A number shown in decimal; taken through the edit-number conversion with
// the low bits of the field kept.
template <class T>
ControlRow NumberRow(QWidget& area, GlobalParameter& s, const char* control, const char* key, T GlobalParameter::*field,
                     bool toRecord = true) {
    ControlRow row{control, key,
                   [&area, &s, control, field] {
                       Control<QLineEdit>(area, control)->setText(QString::number(static_cast<std::uint64_t>(s.*field)));
                   },
                   {}};
    if (toRecord)
        row.ToRecord = [&area, &s, control, field] {
            const std::string text = S(Control<QLineEdit>(area, control)->text());
            // A 32-bit field shows values past the int range; they convert back.
            if constexpr (sizeof(T) >= 4)
                s.*field = static_cast<T>(StrToInt64(text));
            else
                s.*field = static_cast<T>(StrToInt(text));
        };
    return row;
}

// An item index; no selection leaves the field as it was.
inline ControlRow ComboIndexRow(QWidget& area, GlobalParameter& s, const char* control, const char* key,
                                std::uint8_t GlobalParameter::*field) {
    return {control, key, [&area, &s, control, field] { Control<QComboBox>(area, control)->setCurrentIndex(s.*field); },
            [&area, &s, control, field] {
                const int index = Control<QComboBox>(area, control)->currentIndex();
                if (index >= 0) s.*field = static_cast<std::uint8_t>(index);
            }};
}

// Two radio buttons: the first stands for a non-zero value. Neither checked
// leaves the field as it was.
inline ControlRow RadioRow(QWidget& area, GlobalParameter& s, const char* first, const char* second, const char* key,
                           std::uint8_t GlobalParameter::*field) {
    return {first, key,
            [&area, &s, first, second, field] {
                if (s.*field != 0)
                    Control<QRadioButton>(area, first)->setChecked(true);
                else
                    Control<QRadioButton>(area, second)->setChecked(true);
            },
            [&area, &s, first, second, field] {
                if (Control<QRadioButton>(area, first)->isChecked())
                    s.*field = 1;
                else if (Control<QRadioButton>(area, second)->isChecked())
                    s.*field = 0;
            }};
}

inline ControlRow SpinRow(QWidget& area, GlobalParameter& s, const char* control, const char* key,
                          std::uint8_t GlobalParameter::*field) {
    return {control, key, [&area, &s, control, field] { Control<QSpinBox>(area, control)->setValue(s.*field); },
            [&area, &s, control, field] { s.*field = static_cast<std::uint8_t>(Control<QSpinBox>(area, control)->value()); }};
}

// Visible while the field is set.
inline ControlRow VisibleRow(QWidget& area, GlobalParameter& s, const char* control, const char* key,
                             std::uint8_t GlobalParameter::*field) {
    return {control, key, [&area, &s, control, field] { Control<QWidget>(area, control)->setVisible(s.*field != 0); }, {}};
}

}  // namespace qx::station
