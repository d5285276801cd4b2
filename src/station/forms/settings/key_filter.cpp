#include "station/forms/settings/key_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace qx::station {

KeyFilter::KeyFilter(QLineEdit* edit, Rule rule) : QObject(edit), rule_(std::move(rule)) {}

void KeyFilter::Install(QLineEdit* edit, Rule rule) { edit->installEventFilter(new KeyFilter(edit, std::move(rule))); }

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // Keys without a character (arrows, Delete) and shortcuts are not typing.
    if (key->text().size() != 1 || (key->modifiers() & Qt::ControlModifier)) return false;
    const QChar typed = key->text().front();
    if (typed.unicode() > 0xFF) return true;
    const char in = static_cast<char>(typed.unicode());
    const char out = rule_(in);
    if (out == in) return false;
    if (out != '\0') static_cast<QLineEdit*>(watched)->insert(QString(QChar(static_cast<unsigned char>(out))));
    return true;
}

}  // namespace qx::station
