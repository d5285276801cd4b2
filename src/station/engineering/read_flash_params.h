// Which flash addresses the page viewer may read.
#pragma once

#include <cstdint>
#include <string>

namespace qx {
struct FlashConfig;
}

namespace qx::station {

enum ReadFlashParamError : int {
    kReadFlashOk = 0,
    kReadFlashBadBank = 1,
    kReadFlashBadBlock = 2,
    kReadFlashBadPage = 3,
    kReadFlashBadCount = 4,
    kReadFlashBadOther = 5,
};

// Every failing check sets its code, a later one overwriting an earlier one.
// Blocks 0 to 5 of bank 0 hold the controller's own data and are refused
// unless godMode.
bool CheckReadFlashParams(const FlashConfig& config, bool godMode, std::uint32_t bank, std::uint32_t block,
                          std::uint32_t page, std::uint32_t pageCount, int& error);

// The typed values as the operator gave them, checked whole before they are
// narrowed to the widths the drive takes; a negative value or one too wide
// for its field gives that field's code.
bool CheckTypedFlashParams(const FlashConfig& config, bool godMode, long long bank, long long block, long long page,
                           long long pageCount, int& error);

// "Invalid Read Flash Bank!" and its kin, by code.
std::string ReadFlashParamMessage(int error);

}  // namespace qx::station
