// What a simulated drive is: its front end, controller state, flash
// geometry, firmware and fault settings, as the rack folder describes it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sim/config/faults.h"

namespace qx::sim {

// What the host sees in front of the controller.
enum class FrontEnd : std::uint8_t {
    Bridge,      // a USB-to-SATA bridge: SCSI to the bridge, ATA through SAT
    NativeUsb,   // the controller's own USB interface: vendor blocks as CDBs
};

// How the host's SAT layer returns an ATA command's registers in sense data
// (the D_SENSE switch of the disk's control mode page, and the layout).
enum class SenseFormat : std::uint8_t {
    Descriptor,    // D_SENSE=1: ATA status return descriptor, 48-bit bytes included
    Fixed,         // D_SENSE=0, the SAT layout: INFORMATION field, VALID set
    FixedLibata,   // D_SENSE=0 as libata up to Linux 6.9 answers: registers at
                   // bytes 8-11 and 16-19, VALID clear; a command that ends
                   // well with CK_COND still gets descriptor sense
};

enum class ControllerState : std::uint8_t {
    Loader,           // boot ROM loader, no firmware running
    DownloadReady,    // loader after enable mode 10: accepts a program image
    ProgramRunning,   // a diagnostic or test program runs from code RAM
    Firmware,         // the production firmware runs
};

// How the chip's GPIO straps read through the register pulse (bits 15, 16).
enum class GpioStraps : std::uint8_t {
    FullBank,     // bit 15 = 0, bit 16 = 1
    SingleBank,   // bit 15 = 1, bit 16 = 1
    Broken,       // bit 16 = 0
};

// What runs in code RAM.
enum class ProgramKind : std::uint8_t {
    None,
    Diagnostic,   // image tagged "GDP_": program actions, flash detect, code-block list
    Test,         // image tagged "TST_": bus, flash interface and DRAM diagnostics
};

struct DriveConfig {
    FrontEnd frontEnd = FrontEnd::Bridge;
    // INQUIRY bytes 36..39: the bridge's chip tag, or the controller's own.
    std::string chipTag = "q461";
    // INQUIRY vendor (8), product (16), revision (4): the bridge's strings on
    // a bridge; the firmware's strings on the controller's own USB interface.
    // An empty vendor or product gives the front end's own (inquiry_names.h).
    std::string inquiryVendor;
    std::string inquiryProduct;
    std::string inquiryRevision = "1.00";
    SenseFormat senseFormat = SenseFormat::Descriptor;

    std::uint64_t capacitySectors = 250'069'680;   // 128 GB; user sectors stay sparse
    std::string model = "QX SSD 128GB";            // IDENTIFY model in firmware
    std::string serial = "QX0000000001";
    std::string firmwareRevision = "QXFW0100";
    // IDENTIFY model while the loader runs (either SATA loader name).
    std::string loaderModel = "Zivizaz EVO SATA Loader Loader Device";
    std::uint8_t sataSpeedBits = 0x0E;             // IDENTIFY word 76 low byte in firmware
    std::uint16_t rotationRate = 1;                // IDENTIFY word 217: 1 non-rotating, else RPM

    ControllerState state = ControllerState::Firmware;
    bool vendorMode = false;
    ProgramKind program = ProgramKind::Diagnostic;   // running when state is ProgramRunning

    // Flash geometry of the drive's NAND.
    std::uint8_t channels = 4;
    std::uint8_t ces = 2;
    std::uint16_t blocksPerCe = 2048;
    std::uint16_t pagesPerBlock = 256;
    std::uint8_t sectorsPerPage = 8;
    std::vector<std::uint8_t> flashId{0x98, 0xDE, 0x94, 0x93, 0x76};
    std::string partNumber = "QXT58G8T2A";         // on a produced drive's information pages
    std::set<std::uint16_t> badBlocks;             // fail the flash diagnostic and erase
    // Blocks that went bad in use, per channel and CE: (channel, CE, block,
    // error type: 1 ECC over, 3 program, 4 erase, 5 ECC fail). The firmware's
    // bad-block table of that chip enable lists them, and so does the
    // later-bad list a pre-format leaves.
    std::set<std::array<std::uint16_t, 4>> laterBadBlocks;
    // Chip enables (channel << 8 | CE) that fail every erase: all their
    // blocks count as bad and the flash diagnostic reports them.
    std::set<std::uint16_t> failingCes;

    // Firmware in the code blocks: page 0 of each is the information page
    // (header text, bin-file count), page 8 starts the code with its tag.
    // 0 bin files: the code blocks are blank and the loader has nothing to boot.
    std::vector<std::uint16_t> codeBlocks{0, 1, 2, 3};
    std::uint8_t binFiles = 1;
    std::string infoHeader = "LDBK BLOCKS V50";
    std::uint16_t infoSequence = 1;
    bool badScanBlock = false;                     // page 8 byte 0x550 = 1
    // What pre-format leaves in the code blocks: entries of a remap row on
    // the system page (6 for the kind-42 firmware family, else 12), and code
    // block pages (block, page; every channel, CE 0) no read can correct.
    std::uint8_t remapColumns = 12;
    std::set<std::pair<std::uint16_t, std::uint16_t>> uncorrectablePages;
    // The same for one channel's copy alone: (channel, block, page), CE 0.
    std::set<std::array<std::uint16_t, 3>> uncorrectableChannelPages;
    // Every block has been erased at least this often (a produced drive's
    // wear); erases the drive sees add to it.
    std::uint16_t eraseCountBase = 0;
    // The firmware's SMART attributes: (id, value, threshold, raw); empty:
    // the usual four.
    std::vector<std::array<std::uint64_t, 4>> smartAttributes;
    // The firmware's console text in its UART log ring (lines split at
    // "\n"; empty: no logs laid out), and whether its SPI flash keeps copies
    // of the logs (firmware_logs.h).
    std::string uartLog;
    bool spiLog = false;
    // The firmware's DRAM layout reply: address and size of its system
    // information, erase counts, error log and UART log; the logs above are
    // laid out there (when they fall in its DRAM window).
    std::array<std::uint32_t, 8> dramLayout{0xD0000, 0x1000, 0xD1000, 0x8000, 0xDC000, 2048, 0xDC800, 8192};

    std::uint64_t dramBytes = 256ull << 20;
    std::uint8_t dramStatus = 0x15;                // final status of the DRAM diagnostic
    std::uint16_t busStuckBits = 0;                // bus-test words read back with these bits set

    GpioStraps straps = GpioStraps::FullBank;

    // Program actions: how many status polls answer busy (0xAA) before the
    // final status (an erase, action 1, answers at once unless -1, a program
    // that never ends); a final status of 0 means the action's success status.
    int busyPolls = 1;
    std::uint8_t actionStatus = 0;

    // Firmware boot on the enable command with mode 1 or 2.
    std::uint64_t bootDelayMs = 2000;
    bool neverBoots = false;             // the loader never hands over
    bool bootsWithoutSignature = false;  // firmware runs but the tunnel reply lacks E5 51 58

    // An already produced drive: its code blocks hold the tables a
    // pre-format writes, and when they hold no system firmware it runs from
    // a header page with these texts (model at header offset 36, version
    // from offset 6, variant at 41).
    std::string systemModel;             // empty: not produced
    std::string systemVersion;
    std::string systemVariant;
    // The log the reliability-test firmware left in channel 0, CE 0 (block
    // 0: none). Pages of the block: summary, die information, the first
    // factory bad-block page and their count, the first error page and
    // their count. The record lists are raw: die information 32 bytes each,
    // error records 16 bytes each; an end record (0xAA) follows each list
    // when rdtEndMarkers is set and the pages have room.
    std::uint16_t rdtBlock = 0;
    std::vector<std::uint16_t> rdtPages{1, 2, 3, 1, 4, 1};
    std::vector<std::uint8_t> rdtSummary;
    std::vector<std::uint8_t> rdtDieInfo;
    std::vector<std::uint8_t> rdtFactory;
    std::vector<std::uint8_t> rdtErrors;
    bool rdtEndMarkers = true;

    // The host's view of the drive's partition (a rack's device tree lists
    // it as the disk's volume 1): whether a file system is mounted from it,
    // how many bytes that file system uses, and how many volume locks fail
    // (-1: every one).
    bool volume = false;
    bool volumeMounted = false;
    std::uint64_t volumeUsedBytes = 0;
    int volumeLockFailures = 0;
};

}  // namespace qx::sim
