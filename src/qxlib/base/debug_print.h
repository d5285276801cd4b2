// The trace line writer the whole system uses.
#pragma once

namespace qx {

// printf-style; the text goes to the system debug output and, when
// DebugToFile is set, is appended to "DbgMsg.txt" in the working folder under
// the named mutex "DBGAcess". No line end is added. Longer than 1,023
// characters is cut.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qx
