#include "station/engineering/read_flash_params.h"

#include "qxlib/settings/flash_config.h"

namespace qx::station {

namespace {

constexpr std::uint32_t kReservedBlocks = 6;

bool BlockInvalid(const FlashConfig& c, std::uint32_t block) {
    const std::uint32_t plane = c.FlashGeometry.BlocksPerPlane;
    const std::uint32_t die = c.DieOffset;
    if (die != 0) return (block >= 2 * plane && block < 2 * die) || block >= 2 * (die + plane);
    return block >= c.FlashGeometry.BlocksPerCe;
}

}  // namespace

bool CheckReadFlashParams(const FlashConfig& c, bool godMode, std::uint32_t bank, std::uint32_t block,
                          std::uint32_t page, std::uint32_t pageCount, int& error) {
    bool ok = true;
    auto fail = [&](int code) {
        error = code;
        ok = false;
    };
    if (BlockInvalid(c, block)) fail(kReadFlashBadBlock);
    if (bank >= c.BankCount) fail(kReadFlashBadBank);
    const std::uint32_t pages = c.FlashGeometry.PagesPerBlock;
    if (page >= pages)
        fail(kReadFlashBadPage);
    else if (pageCount > pages || page + pageCount > pages)
        fail(kReadFlashBadCount);
    if (!godMode && bank == 0 && block < kReservedBlocks) fail(kReadFlashBadBlock);
    return ok;
}

bool CheckTypedFlashParams(const FlashConfig& c, bool godMode, long long bank, long long block, long long page,
                           long long pageCount, int& error) {
    if (bank < 0 || bank > 0xFF) {
        error = kReadFlashBadBank;
        return false;
    }
    if (block < 0 || block > 0xFFFF) {
        error = kReadFlashBadBlock;
        return false;
    }
    if (page < 0 || page > 0xFFFF) {
        error = kReadFlashBadPage;
        return false;
    }
    if (pageCount < 0 || pageCount > 0xFFFF) {
        error = kReadFlashBadCount;
        return false;
    }
    return CheckReadFlashParams(c, godMode, static_cast<std::uint32_t>(bank), static_cast<std::uint32_t>(block),
                                static_cast<std::uint32_t>(page), static_cast<std::uint32_t>(pageCount), error);
}

std::string ReadFlashParamMessage(int error) {
    switch (error) {
    case kReadFlashBadBank: return "Invalid Read Flash Bank!";
    case kReadFlashBadBlock: return "Invalid Read Flash Block!";
    case kReadFlashBadPage: return "Invalid Read Flash Page!";
    case kReadFlashBadCount: return "Invalid Read Flash Page Count!";
    default: return "Invalid Read Flash Parameters";
    }
}

}  // namespace qx::station
