// The per-drive state every library function addresses by slot number, and
// the slots' work buffers.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "qxlib/base/build_variant.h"

#ifndef QX_SLOT_COUNT
#define QX_SLOT_COUNT 50
#endif

namespace qx {

inline constexpr int kSlotCount = QX_SLOT_COUNT;
// DeviceSlot::TransferMode before a run seeded it.
inline constexpr int kTransferModeFromSettings = -1;
inline constexpr int kItemTextCount = 87;          // error items 0..86 have a detail text
inline constexpr std::size_t kItemTextSize = 2048;

inline constexpr std::size_t kEarlyTableSize = 128 * 1024;
inline constexpr std::size_t kDefectTableSize = 128 * 1024;
inline constexpr std::size_t kLaterBadPagesSize = 2 * 1024 * 1024;
inline constexpr std::size_t kKeptEraseCountsSize = 8 * 1024 * 1024;
inline constexpr std::size_t kKeptSmartPageSize = 512;
// The utility's two extra buffers per slot.
inline constexpr std::size_t kRemapTablePagesSize = 128 * 1024;
inline constexpr std::size_t kBadBlockMapSize = 512 * 1024;

// A zeroed buffer whose pages the system commits only when first touched, so
// 50 idle slots cost address space, not resident memory.
class WorkBuffer {
public:
    WorkBuffer() = default;
    ~WorkBuffer();
    WorkBuffer(const WorkBuffer&) = delete;
    WorkBuffer& operator=(const WorkBuffer&) = delete;
    bool Allocate(std::size_t size);
    void Release();
    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::span<std::uint8_t> span() { return {data_, size_}; }
    explicit operator bool() const { return data_ != nullptr; }
private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

struct DeviceSlot {
    std::string InterfacePath;             // the drive's disk-interface path; empty: no drive
    std::uint8_t UsbPath = 0;              // 1: USB path; 0: SATA path
    std::uint8_t DirectAta = 0;            // 1: SAT blocks go out as ATA task files
    std::array<std::uint16_t, 4> CodeBlocks{};
    std::uint8_t CodeBlockCount = 0;
    std::uint32_t EarlyBadCount = 0;
    std::array<std::uint16_t, 8> RemapRowMarks{};
    std::uint16_t LaterBadBlockFirst = 0;
    std::uint16_t LaterBadBlockOther = 0;
    std::vector<std::uint8_t> RemapRows;   // shaped by the chosen firmware
    WorkBuffer DefectTable;
    WorkBuffer EarlyTable;
    WorkBuffer LaterBadPages;
#if QX_UTILITY_BUILD
    // The remap table page the utility reads with the other tables, and the
    // bad-block map its refresh allocates around each update (not the slot
    // buffer functions).
    WorkBuffer RemapTablePages;
    WorkBuffer BadBlockMap;
#endif
    WorkBuffer KeptEraseCounts;
    WorkBuffer KeptSmartPage;
    std::uint8_t LedInterleave = 0;
    std::uint8_t RdtResultOk = 0;
    std::uint8_t EraseCountsKept = 0;
    std::uint8_t SmartPageKept = 0;
    std::uint8_t SataSpeedBits = 0;

    // What this slot's own work changes while the other slots run: never a
    // process-wide switch (see qxlib/base/switches.h). Read and written
    // through slot_transfer.h.
    //
    // The tunnel TransferMode of this slot's vendor commands, or
    // kTransferModeFromSettings: until a run seeds the slot, the process-wide
    // TransferMode the settings load wrote applies.
    std::atomic<int> TransferMode{kTransferModeFromSettings};
    // Raised by this slot's table read-back: its raw dumps are written from
    // then on whatever [RDSetting] DumpDebugFile says, until a run seeds it.
    std::atomic<bool> DumpDebugFile{false};
};

extern std::array<DeviceSlot, kSlotCount> DeviceSlots;

// Valid slot number?
inline bool IsSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

// The one way to a slot. A number outside the table reads as an empty slot
// (no drive, SATA path, nothing kept), so every request on it ends as the
// transport ends one on an empty path (-1), and no check is skipped.
const DeviceSlot& SlotOf(int slot);
// The slot to change; nullptr outside the table.
DeviceSlot* WritableSlot(int slot);
// The route test: a drive on the controller's own USB interface? False for
// a slot outside the table.
bool OnUsbPath(int slot);
// The slot's path, or "" for an unknown slot or no drive.
const char* SlotPath(int slot);

// Allocates every slot's table buffers and item texts, zeroed. False (with a
// trace) when any allocation failed, and then nothing stays allocated: the
// station refuses to start, the utility's refresh stops.
bool AllocDeviceSlotBuffers();
void FreeDeviceSlotBuffers();

// The detail text of an error item for a slot: items 0..86 have one, item 87
// and anything outside has none (empty span).
std::span<char> ItemText(int slot, int item);

// Held across the two requests of a tunnelled vendor command, so two users of
// one slot cannot interleave a command sector with another's data phase. A
// slot outside the table has no drive to guard: the lock is empty.
std::unique_lock<std::recursive_mutex> HoldSlotTunnel(int slot);

}  // namespace qx
