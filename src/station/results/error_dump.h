// The error detail file of a drive that failed in the flash interface test
// (item 4), the pre-format scan (item 7) or the download (item 8): the
// failure data the worker kept, decoded into a readable report.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "qxlib/discovery/port_record.h"

namespace qx {
struct FlashConfig;
}

namespace qx::station {

// True for the items whose detail is worth a file.
bool HasErrorDump(int errorCode);

// The file's contents from the item's detail buffer. For items 4 and 7 the
// decoders refine the record's DisplayCode and count its bad units (the
// counts start from zero, so each run reports only its own findings).
std::string BuildErrorDump(int errorCode, std::span<const std::uint8_t> detail, const FlashConfig& config,
                           PortRecord& record);

}  // namespace qx::station
