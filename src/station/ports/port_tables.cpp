#include "station/ports/port_tables.h"

namespace qx::station {

PortTableHandle& StationPortTables() {
    static PortTableHandle handle(PortRecordTables, PortCount);
    return handle;
}

}  // namespace qx::station
