#include "qxlib/discovery/port_record.h"

#include <cstring>
#include <type_traits>

namespace qx {

static_assert(std::is_trivially_copyable_v<PortRecord>, "port records are cleared and copied as bytes");

PortTables PortRecordTables{};
std::array<PortRecord, kPortCount>& ScanPortTable = PortRecordTables.Scan;
std::array<PortRecord, kPortCount>& ActivePortTable = PortRecordTables.Active;
int PortCount = 0;

void ClearPortRecord(PortRecord& record) { std::memset(&record, 0, sizeof record); }

void ClearPortTable(std::array<PortRecord, kPortCount>& table) {
    for (auto& r : table) ClearPortRecord(r);
}

}  // namespace qx
