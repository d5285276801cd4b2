#include "utility/page_set.h"

#include "utility/page_index.h"
#include "utility/utility_view.h"

namespace qx::utility {

void EmptyPageSet::ShowFWDebugMessage(PageContext& ctx, int) { ctx.View.SetPageVisible(kPageUartLog, true); }

}  // namespace qx::utility
