// A port panel's "?" button (the window's MyBitBtnClick): the failure dialog
// for a port whose record holds an error item, the detail dialog for another
// connected port, and a short note, with nothing read or sent, while the
// port's worker (or an abandoned thread of it) still runs.
#pragma once

#include <string>

#include "station/port_info/drive_detail.h"

namespace qx {
struct FlashConfig;
}
namespace qx::ui {
class Prompter;
}

namespace qx::station {

class TDetailForm;
class TErrorForm;

struct PortButtonForms {
    TErrorForm& error;
    TDetailForm& detail;
    ui::Prompter& prompter;
    const FlashConfig& config;   // the window's flash configuration (page size of the hex dump)
    std::string workFolder;      // where the board pictures are
    const PortTableHandle& tables;
};

// Fills and shows the chosen dialog modally; returns what it chose.
PortDialog MyBitBtnClick(int port, const PortBusy& portBusy, PortButtonForms& forms);

}  // namespace qx::station
