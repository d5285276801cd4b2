// The programs' texts are 8-bit strings: drive answers, INI values, bar codes
// and log lines. A window shows them byte for byte as Latin-1 and reads an
// edited text back the same way, so what a program writes is exactly what the
// operator reads, and what the operator types is exactly what it stores.
// Every form converts through these two and nothing else; file names are
// not texts and go through QFile::encodeName/decodeName instead.
#pragma once

#include <QString>

#include <string>

namespace qx::ui {

inline QString Q(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A character outside Latin-1 (only an operator can type one) becomes '?'.
inline std::string S(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace qx::ui
