// Raw dumps of intermediate buffers, for looking at what went to or came from
// a drive when [RDSetting] DumpDebugFile is set.
#pragma once

#include <cstddef>

namespace qx {

// Creates or truncates the file (relative to the working folder) and writes
// length bytes. Nothing happens while dumps are off; a file that cannot be
// created is skipped silently, a dump never fails a step.
void WriteDebugDump(const char* name, const void* data, std::size_t length);

// The same, whatever the switch says: for the callers that decide for
// themselves (a slot's own dump switch).
void WriteDumpFile(const char* name, const void* data, std::size_t length);

}  // namespace qx
