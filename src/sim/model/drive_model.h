// Everything a simulated drive keeps: configuration, controller state, user
// sectors, logs, registers and the vendor engine's working state. The front
// ends and engines are free functions over it; SimDrive guards it with a lock.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/device_io.h"
#include "sim/config/fault_set.h"
#include "sim/media/media_faults.h"
#include "sim/media/nand.h"
#include "sim/media/registers.h"
#include "sim/config/drive_config.h"
#include "sim/media/user_sectors.h"

namespace qx::sim {

inline constexpr std::uint32_t kFirmwareDramBase = 0xD0000;
inline constexpr std::size_t kFirmwareDramBytes = 0x30000;

struct SmartAttribute {
    std::uint8_t id = 0;
    std::uint8_t value = 100;
    std::uint8_t threshold = 0;
    std::uint64_t raw = 0;    // 48 bits used
};

// A vendor command whose command sector came through the SATA tunnel and
// whose data phase is still to come.
struct PendingVendor {
    std::uint8_t sub = 0;
    std::array<std::uint8_t, 20> block{};
    platform::Direction dir = platform::Direction::None;
};

// A program action (or the DRAM diagnostic) the running program works on:
// status reads answer busy (0xAA) pollsLeft times, then the final status
// (an erase finishes at once unless the program hangs).
struct ProgramRun {
    std::uint8_t action = 0;
    std::uint8_t flags = 0;
    int pollsLeft = 0;            // -1: busy for ever
    std::uint8_t finalStatus = 0;
};

// A page command as the controller received it, for tests to assert on.
struct PageCommand {
    std::uint8_t sub = 0;
    std::uint8_t channel = 0;
    std::uint8_t ce = 0;
    std::uint16_t block = 0;
    std::uint16_t page = 0;
    std::uint8_t eccMode = 0;
    std::uint8_t option = 0;
    std::uint8_t sectorsPerPageByte = 0;
    std::uint32_t offset = 0;     // controller buffer offset
    std::uint8_t unitBitmap = 0;  // writes
    std::uint32_t sectors = 0;
};

inline constexpr std::uint8_t kBusy = 0xAA;
// The page-command list keeps at least the last half of this many commands.
inline constexpr std::size_t kPageCommandsKept = 4096;
inline constexpr std::size_t kCodeRamBytes = 128 * 1024;

class DriveModel {
public:
    explicit DriveModel(const DriveConfig& config);

    DriveConfig cfg;
    ControllerState state;
    bool vendorMode;
    bool present = true;              // false: gone from the host (USB boot)
    FaultSet faults;

    // ATA side.
    UserSectors sectors;
    MediaFaults media;                // failing and stuck user sectors
    std::uint64_t maxLba;             // last accessible LBA (SET MAX ADDRESS)
    bool afterReadNativeMax = false;  // SET MAX is valid only right after it
    bool smartEnabled = true;
    bool standby = false;
    std::map<std::uint32_t, Sector> logPages;   // (log address << 16 | page)
    std::vector<SmartAttribute> smart;          // attribute table of the SMART pages

    // Vendor engine.
    std::optional<PendingVendor> pendingVendor;
    std::uint8_t lastVendorSub = 0;
    bool lastVendorOk = true;
    std::uint8_t programStatus = 0;   // what the status read answers
    ControllerRegisters registers;
    int bridgeCommands = 0;           // FF 04 32 received by a bridge

    // Controller memories and programs.
    ProgramKind program = ProgramKind::None;
    std::vector<std::uint8_t> codeRam;               // sized on the first write
    std::array<std::vector<std::uint8_t>, 2> busBuffers;   // memory spaces 0 and 1
    std::vector<std::uint8_t> systemImage;           // space 3 below the code-RAM flag, in firmware
    // The firmware's DRAM from kFirmwareDramBase (its error log and UART
    // ring among it): zeros until a test or the rack puts something there.
    std::vector<std::uint8_t> firmwareDram;
    // The firmware's SPI flash as the utility reads it (sub-opcode 0x0B);
    // empty: a fixed pattern (SpiFlashByte), so a wrong offset shows.
    std::vector<std::uint8_t> spiFlash;
    std::optional<ProgramRun> run;
    std::vector<ProgramRun> actions;                 // every action started, in order
    std::vector<std::uint8_t> errorInfo;             // the program's error information
    std::map<std::uint16_t, std::vector<std::uint8_t>> keptEraseCounts;   // channel << 8 | bank
    std::vector<std::uint8_t> keptSmartPage;

    // NAND.
    Nand nand;
    std::map<std::uint64_t, std::uint32_t> eraseCounts;   // NandAddress key of page 0
    std::map<std::uint16_t, std::vector<std::uint8_t>> flashIdAt;   // channel << 8 | CE, overrides
    std::vector<PageCommand> pageCommands;

    // Firmware boot started by the enable command.
    std::optional<std::uint64_t> bootDoneAtMs;
    bool bootWillSucceed = false;
    bool Booting() const { return bootDoneAtMs.has_value(); }

    std::vector<std::array<std::uint8_t, 4>> flashTestRecords;   // flash diagnostic findings

    std::uint64_t AccessibleSectors() const { return maxLba + 1; }
    // A program action (or diagnostic) starts: status reads answer busy for
    // the configured polls, then finalStatus.
    void StartRun(std::uint8_t action, std::uint8_t flags, std::uint8_t finalStatus);
    // Every controller state change drops the vendor command mode.
    void ChangeState(ControllerState s);
    // Moves time-driven work (a firmware boot) up to now.
    void Tick(std::uint64_t nowMs);
};

}  // namespace qx::sim
