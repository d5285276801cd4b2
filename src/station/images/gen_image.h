// The GenImage button of the copy-image page, without its window: asks for
// the image file, then captures the first present drive's file system area
// and used space into it. Every text goes through the prompter.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "qxlib/discovery/port_record.h"
#include "ui/prompter.h"

namespace qx::station {

// MiB a capture takes of a reference drive whose boot sector (at bootLba)
// is given: both FATs, the sectors before them, and the used space; usedMB
// receives the used space (MiB, plus 1).
std::uint32_t CaptureSizeMB(const char* diskPath, std::span<const std::uint8_t> bootSector, std::uint32_t bootLba,
                            std::uint64_t* usedMB);

// ports: the active port table; the image is suggested as "QXSSD.img" in
// programFolder.
void GenImage(ui::Prompter& prompter, std::span<const PortRecord> ports, const std::string& programFolder);

}  // namespace qx::station
