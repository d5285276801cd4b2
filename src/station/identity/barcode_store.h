// The bar-code dialog's OK: what the operator entered goes into the bar-code
// buffers and the port's active record, whichever dialog took it (the Qt one
// or a scripted answer). With [Setting] EnADATAWWN a scanned serial number
// also fetches the drive's WWN from the MES.
#pragma once

#include "station/identity/mes_query.h"
#include "station/ports/port_tables.h"
#include "ui/prompter.h"

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

struct BarcodeState;

struct BarcodeContext {
    BarcodeState& state;
    const GlobalParameter& settings;
    ui::Prompter& prompter;
    const MesClient& mes;
    PortTableHandle& tables = StationPortTables();
};

// Stores the answer for state.InputBoxKind and state.InputBoxPort. A text
// longer than its buffer is refused (traced, stored empty) rather than cut,
// so a wrong code never reaches a drive and the next refresh asks again.
void StoreBarcodeAnswer(BarcodeContext& context, const ui::BarcodeAnswer& answer);

// Asks through the prompter for state.InputBoxKind and state.InputBoxPort,
// modally, and stores what OK brings; Cancel stores nothing.
void ShowBarcodeDialog(BarcodeContext& context);

}  // namespace qx::station
