// Which program this copy of the library is built for. The station build
// (50 slots), the station's single-bank build (50 slots) and the utility
// build (12 slots) share every source; the few places where a build behaves
// differently ask this, and nothing else tests the build macros.
#pragma once

#ifndef QX_UTILITY_BUILD
#define QX_UTILITY_BUILD 0
#endif
#ifndef QX_SINGLE_BANK_BUILD
#define QX_SINGLE_BANK_BUILD 0
#endif

namespace qx {

inline constexpr bool kUtilityBuild = QX_UTILITY_BUILD != 0;

// Which chip the station accepts: the full build wants GPIO bit 15 low, the
// single-bank build wants it high (the chip check), and the single-bank
// build offers one bank only.
inline constexpr bool kSingleBankBuild = QX_SINGLE_BANK_BUILD != 0;

}  // namespace qx
