// The station's one way to its port record tables: the scan table each
// rescan rebuilds, the active table that runs, panels, dialogs and logs read
// and write, and the number of ports the last scan saw. The library's free
// functions address the same tables by slot and port; station code holds
// this handle (from StationCore, or the parts it hands out) instead of
// naming them, so every reader and writer of a record can be found from here.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "qxlib/discovery/port_record.h"

namespace qx::station {

class PortTableHandle {
public:
    using Table = std::array<PortRecord, kPortCount>;

    PortTableHandle(PortTables& tables, int& count) : tables_(&tables), count_(&count) {}

    Table& Scan() const { return tables_->Scan; }
    Table& Active() const { return tables_->Active; }
    // port from 0; callers stay below Limit() or kPortCount.
    PortRecord& Scanned(int port) const { return tables_->Scan[static_cast<std::size_t>(port)]; }
    PortRecord& Active(int port) const { return tables_->Active[static_cast<std::size_t>(port)]; }

    // Ports the last scan reported, as it reported them: more than the tables
    // hold is possible, and start-up refuses it.
    int Count() const { return *count_; }
    const int& CountField() const { return *count_; }
    void SetCount(int ports) const { *count_ = ports; }
    // Ports a loop may visit: the last scan's count, never past the tables.
    int Limit() const { return std::clamp(*count_, 0, kPortCount); }
    // The active records of the ports the last scan saw.
    std::span<const PortRecord> ScannedActive() const {
        return {tables_->Active.data(), static_cast<std::size_t>(Limit())};
    }

private:
    PortTables* tables_;
    int* count_;
};

// The handle on the tables the library's functions use: the station's own.
// StationCore hands it to the parts it makes; a part made without one (a
// test's fixture) gets it as its default.
PortTableHandle& StationPortTables();

}  // namespace qx::station
