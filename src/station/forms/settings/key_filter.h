// A key-press filter on an edit: each typed character goes through a rule
// that passes it, changes it, or drops it ('\0'). Pasted text is not typed,
// so it still reaches the edit's change handler.
#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace qx::station {

class KeyFilter final : public QObject {
public:
    using Rule = std::function<char(char)>;
    // Installs itself on edit, which owns it.
    static void Install(QLineEdit* edit, Rule rule);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyFilter(QLineEdit* edit, Rule rule);
    Rule rule_;
};

}  // namespace qx::station
