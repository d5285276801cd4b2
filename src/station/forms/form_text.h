// The station's forms convert their 8-bit texts through the one codec both
// programs share; these names let a form call it without qualifying.
#pragma once

#include "ui/latin1_text.h"

namespace qx::station {

using ui::Q;
using ui::S;

}  // namespace qx::station
