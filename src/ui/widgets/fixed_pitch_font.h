// The font for texts that line up in columns (hex dumps, tab-stopped
// identity lines): the desktop's fixed-pitch font, whose characters are all
// equally wide, so an offset column or a row of bytes stays under the one
// above whatever its digits.
#pragma once

#include <QFont>
#include <QFontDatabase>

namespace qx::ui {

inline QFont FixedPitchFont() { return QFontDatabase::systemFont(QFontDatabase::FixedFont); }

}  // namespace qx::ui
