// Tells the maker's SSDs running their firmware apart from every other disk
// the scan meets.
#pragma once

namespace qx::utility {

inline constexpr int kSignatureRounds = 6;
inline constexpr unsigned kSignaturePauseMs = 200;

// True when the drive in the slot reports a non-rotating medium (IDENTIFY
// word 217 = 1) and then signs a vendor reply sector with E5h 51h 58h 00h
// within six rounds, 200 ms apart. A failed reply read ends the polling
// unless it was the first round.
bool WaitFirmwareSignature(int slot);

}  // namespace qx::utility
