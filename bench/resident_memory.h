// The process's resident memory, as the benchmarks report it.
#pragma once

#include <fstream>
#include <string>

namespace qx::bench {

// VmRSS of /proc/self/status in KB; -1 when it cannot be read.
inline long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

}  // namespace qx::bench
