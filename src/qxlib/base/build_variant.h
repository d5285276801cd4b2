// Which program this copy of the library is built for. The station build
// (50 slots) and the utility build (12 slots) share every source; the few
// places where the utility behaves differently ask this.
#pragma once

#ifndef QX_UTILITY_BUILD
#define QX_UTILITY_BUILD 0
#endif

namespace qx {

inline constexpr bool kUtilityBuild = QX_UTILITY_BUILD != 0;

}  // namespace qx
