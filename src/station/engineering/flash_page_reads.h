// The drive side of the flash page and disk sector viewer: raw pages of every
// channel through the diagnostic program, and user sectors through the
// firmware, as hex-dump lines. Runs on the window thread; every failure shows
// its message through the prompter.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx {
struct FlashConfig;
struct GlobalParameter;
}
namespace qx::ui {
class Prompter;
}

namespace qx::station {

inline constexpr int kMaxViewerChannels = 8;
// Above this many pages the dumps go to files, not to the memos.
inline constexpr int kMemoPageLimit = 10;
inline constexpr int kMaxSectorRead = 128;   // the 64 KB sector buffer

enum class PageReadMode { QxSsd, Custom };

struct FlashReadRequest {
    std::uint8_t Bank = 0;
    std::uint16_t Block = 0;
    std::uint16_t Page = 0;
    std::uint16_t PageCount = 0;
    PageReadMode Mode = PageReadMode::QxSsd;
};

using ChannelDumps = std::array<std::vector<std::string>, kMaxViewerChannels>;

// Boots the diagnostic program and reads the pages; what was read before a
// failing page is kept. nullopt when nothing could be read (a bad
// configuration or a failed boot), after its message.
std::optional<ChannelDumps> ReadFlashPageDumps(int slot, const FlashConfig& config, const GlobalParameter& settings,
                                               const FlashReadRequest& request, ui::Prompter& prompter);

// "FlashData_Ch%d_Bank%d_Block%d_Page%d.txt"
std::string FlashDataFileName(int channel, const FlashReadRequest& request);
// The name a save dialog returned, split at the last dot of its file-name
// part: base and extension (".txt" when there is none).
std::pair<std::string, std::string> SplitSaveName(const std::string& path);
// "%s_Ch%d_Bank%d_Block%d_Page%d%s"
std::string ChannelSaveName(const std::string& chosen, int channel, const FlashReadRequest& request);
// "DiskData_LBA_%X%08X" or "DiskData_LBA_%X".
std::string DiskDataProposedName(std::uint64_t lba);

// Brings a loader drive into its firmware, checks the range against the
// capacity and reads the sectors; nullopt after the message of the failing
// step. The typed LBA and count are checked whole.
std::optional<std::vector<std::string>> ReadDiskSectorDump(int slot, const FlashConfig& config, long long lba,
                                                           long long count, ui::Prompter& prompter);

}  // namespace qx::station
