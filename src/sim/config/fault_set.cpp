#include "sim/config/fault_set.h"

namespace qx::sim {
namespace {

bool Matches(const FaultRule& r, const RequestKey& k) {
    if (r.opcode && r.opcode != k.scsiOpcode && r.opcode != k.ataCommand) return false;
    if (r.vendorSub && r.vendorSub != k.vendorSub) return false;
    return true;
}

}  // namespace

std::vector<FaultRule> FaultSet::Rules() const {
    std::vector<FaultRule> out;
    for (const auto& e : entries_) out.push_back(e.rule);
    return out;
}

bool FaultSet::Fires(Entry& e) {
    if (e.skipped < e.rule.skip) {
        ++e.skipped;
        return false;
    }
    if (e.rule.count >= 0 && e.hits >= e.rule.count) return false;
    ++e.hits;
    return true;
}

FaultPlan FaultSet::Match(const RequestKey& key) {
    FaultPlan plan;
    for (auto& e : entries_) {
        if (e.rule.kind == FaultKind::OpenFails || !Matches(e.rule, key)) continue;
        const bool latency = e.rule.kind == FaultKind::Latency;
        if (!latency && plan.fault) continue;   // one failure per request
        if (!Fires(e)) continue;
        if (latency)
            plan.latencyMs += e.rule.latencyMs;
        else
            plan.fault = e.rule;
    }
    return plan;
}

int FaultSet::MatchOpen() {
    for (auto& e : entries_)
        if (e.rule.kind == FaultKind::OpenFails && Fires(e)) return e.rule.errorCode;
    return 0;
}

}  // namespace qx::sim
