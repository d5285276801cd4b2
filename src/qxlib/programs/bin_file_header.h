// What the station learns from the chosen firmware file and the diagnostic
// program image: the firmware's version, model and variant, the remap-table
// shape they imply, and whether the program is new enough for the flash
// auto-detect. Program-wide; written on the window thread when a firmware
// file is chosen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qx {

// The remap rows of the system firmware's header page: rows x Planes x
// Columns 16-bit entries, and the kind the download reads the system page by.
struct RemapShape {
    std::uint8_t Rows = 0;
    std::uint8_t Planes = 0;   // the second dimension
    std::uint8_t Columns = 0;
    std::uint8_t Kind = 0;     // 42: 6 columns a row, 43: 12
    std::size_t Bytes() const { return std::size_t{Rows} * Planes * Columns * 2; }
};

// Each the field's characters (cut at a NUL); empty when the file was missing.
struct FirmwareFileTexts {
    std::string HeaderFwVersion;    // firmware file, 774, 6
    std::string HeaderVariant;      // firmware file, 809, 2
    std::string HeaderModel;        // firmware file, 804, 4
    std::string GdpHeaderVersion;   // diagnostic program, 772, 6
    std::string GdpHeaderNumber;    // diagnostic program, 800, 4
};

// Reads the firmware file's texts, sets the remap shape by model and variant
// ("849" with "42", and "843": 8 x 1 x 6, kind 42; other "849": 16 x 1 x 12,
// kind 43; other models leave it), gives every slot's remap-row buffer room
// for the shape (a buffer only grows, new bytes zero), and reads the
// diagnostic program's version and number from GdpImagePath.
void ReadBinFileHeader(const std::string& firmwarePath);

RemapShape CurrentRemapShape();
FirmwareFileTexts CurrentFirmwareFileTexts();

// True when the diagnostic program is new enough for the flash auto-detect:
// family code of model 849 with minor version 3 or more, or of model 818
// with minor 2 or more. A program whose texts are missing or short is not.
bool CheckGdpVersionSupport();

}  // namespace qx
