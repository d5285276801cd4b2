// The "Uart Log of F/W" page: the firmware's error log header and UART log
// ring, read from controller memory (mode 1) or, through the GDP program,
// from the copies in the SPI flash (mode 2), and the ring decoded to lines.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx {
struct FlashConfig;
struct GlobalParameter;
}  // namespace qx

namespace qx::ui {
class Prompter;
}

namespace qx::utility {

// Where the logs lie in controller memory (space 3).
struct LogPlaces {
    std::uint32_t errLogAddr = 0xDC000;
    std::uint32_t errLogSize = 2048;
    std::uint32_t uartLogAddr = 0xDC800;
    std::uint32_t uartLogSize = 8192;
};

// The reply of the DRAM layout query: u32 words, one not used, then
// SysInfoAddr, SysInfoSize, EraseCountAddr, EraseCountSize, DbgErrLogAddr,
// DbgErrLogSize, DbgUartLogAddr, DbgUartLogSize.
using DramLayoutInfo = std::array<std::uint32_t, 9>;
DramLayoutInfo ParseDramLayoutInfo(std::span<const std::uint8_t> reply);

// The places the layout names: each log only when its size is above 0 and
// at most 128 KB (what one buffer holds); otherwise its default place.
LogPlaces LogPlacesOf(const DramLayoutInfo& layout);

// The error-log header's ring position: wDbgLogHeadMark (u16 at 26) 0 means
// the ring has not wrapped and starts at 0; else dwDbgLogIdx (u32 at 16).
std::uint32_t UartRingStart(std::span<const std::uint8_t> errLogHeader);

// The SPI log area's header tags ("QX849V00-001" to "-003").
bool IsSpiLogTag(std::span<const std::uint8_t> header);

// The ring's text from start (0 when start is not inside the ring) for one
// full turn: byte 0xEA ends a line and its next four bytes (two u16, each
// byte taken modulo the ring) open the next as "[%4.4d, %4.4d]". The last
// line, even empty, ends the list.
std::vector<std::string> DecodeUartRing(std::span<const std::uint8_t> ring, std::uint32_t start);

struct FwDebugLogPage {
    bool TabSheet8Visible = false;
    std::vector<std::string> UartLogMemo;   // the lines to append
};

// Reads and decodes the logs of the slot. mode 1: controller memory, with
// the layout query when queryDramLayout is set (never on the USB path);
// mode 2: sets the GDP-mode geometry in config, boots the GDP program and
// reads the SPI copies ("SPI TAG is error" through the prompter when the
// area holds no tag or the boot failed). buffer: the 128 KB work buffer.
FwDebugLogPage ShowFWDebugMessage(int slot, std::uint8_t mode, bool queryDramLayout, FlashConfig& config,
                                  const GlobalParameter& settings, std::span<std::uint8_t> buffer,
                                  ui::Prompter& prompter);

// The GDP log button: GdpImagePath := programFolder + "GDP.bin"; with the
// file present mode 2, else "<WARNING> Can't find file : " and the path.
FwDebugLogPage ReadFwDebugMsgGDPClick(int slot, const std::string& programFolder, bool queryDramLayout,
                                      FlashConfig& config, const GlobalParameter& settings,
                                      std::span<std::uint8_t> buffer, ui::Prompter& prompter);

// The complement of every byte of input into output (created or replaced).
// False when the input cannot be read or the output cannot be written.
bool DecodeLogFile(const std::string& inputName, const std::string& outputName);

struct OpenDialogState {
    std::string initialFolder;
};

// "Decode logfile": choose a file, write "<name>.decode", report it.
void DecodeLogFileBnClick(ui::Prompter& prompter, OpenDialogState& dialog, const std::string& programFolder);

}  // namespace qx::utility
