#include "qxlib/diagnostics/code_block_list.h"

#include <algorithm>

#include "qxlib/base/byte_order.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
bool GetCodeBlockList(int slot, const StepContext& ctx) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry || ctx.buffer.size() < 512) return false;
    std::uint8_t boot = 0;
    if (!BootGdpProgram(slot, ctx.config, ctx.settings, ctx.buffer, &boot, ctx.address)) return false;
    if (!VA_ReadCodeBlockList(slot, ctx.buffer.data(), 1)) return false;

    DeviceSlot& s = *slotEntry;
    s.CodeBlockCount = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        s.CodeBlocks[i] = 0xFFFF;
        const std::uint16_t v = get_le16(ctx.buffer.data() + 2 * i);
        if (v == 0xFFFF) break;
        const auto known = s.CodeBlocks.begin() + s.CodeBlockCount;
        if (std::find(s.CodeBlocks.begin(), known, v) == known) s.CodeBlocks[s.CodeBlockCount++] = v;
    }
    if (s.CodeBlockCount == 4) return true;
    VA_ReadGdpErrorInfo(slot, ctx.buffer);
    if (!ctx.settings.TestItemEnable[kItemUpload]) return false;
    s.CodeBlockCount = 4;
    s.CodeBlocks = {0, 1, 2, 3};
    return true;
}

}  // namespace qx
