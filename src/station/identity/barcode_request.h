// What the bar-code dialog shows for one kind of code: caption, the labels of
// its one or two fields and how many characters each field takes.
#pragma once

#include "ui/prompter.h"

namespace qx::station {

inline constexpr char kSnLabel[] = "Serial Number";
inline constexpr char kWwnLabel[] = "WWN or UID";
inline constexpr char kPpidLabel[] = "Customer P/N(PPID)";

// port counts from 0 and shows from 1; shared: [Setting] BarCodeInputMode 1
// (the WWN prompt names its port in both modes). A kind outside 1..4 gives an
// empty request.
ui::BarcodeRequest BarcodeRequestFor(int kind, int port, bool shared);

}  // namespace qx::station
