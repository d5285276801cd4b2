// The station's texts are 8-bit and shown byte for byte (Latin-1), so what
// the station writes is what the operator reads, and back.
#pragma once

#include <QString>

#include <string>

namespace qx::station {

inline QString Q(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string S(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace qx::station
