// Serial numbers that drives with a failed firmware download gave back, to be
// given out again before new numbers ([DeviceSetting] SNErrReuse). Kept in
// memory for the program's life, never saved: a restart may skip a queued
// number, but the settings' counter is always ahead of every queued one, so
// none is ever given twice.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qx::station {

struct SnReuseQueue {
    std::vector<std::string> entries;   // in the order they are given out
    std::size_t next = 0;               // the next entry to give out

    bool Left() const { return next < entries.size(); }
    const std::string& Next() const { return entries[next]; }
    void Clear() {
        entries.clear();
        next = 0;
    }
    // The failed numbers first, then the entries not yet given out.
    void Rebuild(const std::vector<std::string>& failed) {
        std::vector<std::string> fresh(failed);
        fresh.insert(fresh.end(), entries.begin() + static_cast<std::ptrdiff_t>(next), entries.end());
        entries = std::move(fresh);
        next = 0;
    }
};

}  // namespace qx::station
