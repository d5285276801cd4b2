// After a firmware download: do the table pages of the first code block
// carry their tags, and is the drive's wear low?
#pragma once

namespace qx {

struct TableContext;

// Why CheckCodePages failed, in the buffer's first byte.
inline constexpr unsigned char kCodePageDefectUntagged = 1;
inline constexpr unsigned char kCodePageEarlyUntagged = 2;
inline constexpr unsigned char kCodePageRemapUntagged = 3;
inline constexpr unsigned char kCodePageWearTooHigh = 6;

// The highest wear (SMART attribute 173, raw) a drive may leave with when
// [TestItems] EnCheckTablesErase is set.
inline constexpr unsigned kMaxTableWear = 100;

// Takes the drive into its firmware and rereads its system information,
// then checks pages 1, 2 and (with remap on) 3 of the first code block once
// for each bin file, and the wear when asked to. True when all pass; on a
// failure the buffer's first byte tells why (a SMART command that fails
// leaves it unchanged).
bool CheckCodePages(int slot, TableContext& ctx);

}  // namespace qx
