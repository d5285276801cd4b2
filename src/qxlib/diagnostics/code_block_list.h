// Which flash blocks hold the firmware: asked of the diagnostic program and
// kept in the slot's CodeBlocks.
#pragma once

namespace qx {

struct StepContext;

// True when the slot's CodeBlocks hold four distinct code blocks; with
// [TestItems] EnUpload set a short list falls back to blocks 0..3.
bool GetCodeBlockList(int slot, const StepContext& ctx);

}  // namespace qx
