// The batch mode's two shared bytes: whether the next round may start and
// whether every port of every round passed. START sets both; a failing
// worker and the stop button only clear them.
#pragma once

#include <atomic>

namespace qx::station {

struct BatchFlags {
    std::atomic<bool> Continue{true};   // BatchContinue
    std::atomic<bool> AllPass{true};    // BatchAllPass
};

}  // namespace qx::station
