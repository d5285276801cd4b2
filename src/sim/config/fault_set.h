// The fault rules of one drive and how a request is matched against them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/config/faults.h"

namespace qx::sim {

// What a request is, as far as fault rules can tell.
struct RequestKey {
    std::optional<std::uint8_t> scsiOpcode;   // cdb[0] on the SCSI route
    std::optional<std::uint8_t> ataCommand;   // task-file command, also inside a SAT block
    std::optional<std::uint8_t> vendorSub;    // the vendor command the request belongs to
};

struct FaultPlan {
    std::uint64_t latencyMs = 0;              // sum of the matching latency rules
    std::optional<FaultRule> fault;           // the first other rule that fired
};

class FaultSet {
public:
    void Add(const FaultRule& rule) { entries_.push_back({rule}); }
    void Clear() { entries_.clear(); }
    std::vector<FaultRule> Rules() const;

    // Counts the request against every matching rule (skip, then count).
    FaultPlan Match(const RequestKey& key);
    // The errno an open fails with, 0 when no OpenFails rule fires.
    int MatchOpen();

private:
    struct Entry {
        FaultRule rule;
        int skipped = 0;
        int hits = 0;
    };
    static bool Fires(Entry& e);
    std::vector<Entry> entries_;
};

}  // namespace qx::sim
