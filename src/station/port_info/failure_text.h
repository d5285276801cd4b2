// What the failure dialog says about a port: the failure text of its error
// item and, for the items whose steps keep detail data, what that data
// shows. One entry per memo line, texts exactly as the station writes them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx {
struct FlashConfig;
}

namespace qx::station {

// True for the error items whose detail data the dialog decodes.
bool DecodesDetail(int code);

// detail: the port's detail buffer of the item (read only for the items that
// decode it); config: the flash configuration for the page size of the hex
// dump and the units of the decoders.
std::vector<std::string> FailureEntries(int code, std::span<const std::uint8_t> detail, const FlashConfig& config);

}  // namespace qx::station
