#include "qxlib/transport/device_slot.h"

#include <sys/mman.h>

#include "qxlib/base/debug_print.h"

namespace qx {

std::array<DeviceSlot, kSlotCount> DeviceSlots{};

namespace {
// One block of 87 detail texts per slot.
std::array<WorkBuffer, kSlotCount> g_itemTexts;
// A line each: fifty workers take their own slot's lock on every vendor
// command, and locks packed side by side would make them wait on each other.
struct alignas(64) TunnelLock {
    std::recursive_mutex lock;
};
std::array<TunnelLock, kSlotCount> g_tunnelLocks;
}  // namespace

WorkBuffer::~WorkBuffer() { Release(); }

bool WorkBuffer::Allocate(std::size_t size) {
    Release();
    // Anonymous private mappings are zero-filled and committed page by page
    // on first touch.
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return false;
    data_ = static_cast<std::uint8_t*>(p);
    size_ = size;
    return true;
}

void WorkBuffer::Release() {
    if (data_) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

const DeviceSlot& SlotOf(int slot) {
    // Never written: what a slot outside the table reads as.
    static const DeviceSlot kNoSlot;
    return IsSlot(slot) ? DeviceSlots[static_cast<std::size_t>(slot)] : kNoSlot;
}

DeviceSlot* WritableSlot(int slot) { return IsSlot(slot) ? &DeviceSlots[static_cast<std::size_t>(slot)] : nullptr; }

bool OnUsbPath(int slot) { return SlotOf(slot).UsbPath != 0; }

const char* SlotPath(int slot) { return SlotOf(slot).InterfacePath.c_str(); }

bool AllocDeviceSlotBuffers() {
    for (int i = 0; i < kSlotCount; ++i) {
        DeviceSlot& s = *WritableSlot(i);
        const bool ok = s.EarlyTable.Allocate(kEarlyTableSize) && s.DefectTable.Allocate(kDefectTableSize) &&
#if QX_UTILITY_BUILD
                        s.RemapTablePages.Allocate(kRemapTablePagesSize) &&
#endif
                        s.LaterBadPages.Allocate(kLaterBadPagesSize) &&
                        s.KeptEraseCounts.Allocate(kKeptEraseCountsSize) &&
                        s.KeptSmartPage.Allocate(kKeptSmartPageSize) &&
                        g_itemTexts[static_cast<std::size_t>(i)].Allocate(kItemTextCount * kItemTextSize);
        if (!ok) {
            DebugPrint("FAILED(AllocDeviceSlotBuffers) slot %d\r\n", i);
            FreeDeviceSlotBuffers();
            return false;
        }
    }
    return true;
}

void FreeDeviceSlotBuffers() {
    for (int i = 0; i < kSlotCount; ++i) {
        DeviceSlot& s = *WritableSlot(i);
        s.EarlyTable.Release();
        s.DefectTable.Release();
#if QX_UTILITY_BUILD
        s.RemapTablePages.Release();
#endif
        s.LaterBadPages.Release();
        s.KeptEraseCounts.Release();
        s.KeptSmartPage.Release();
        std::vector<std::uint8_t>().swap(s.RemapRows);
        g_itemTexts[static_cast<std::size_t>(i)].Release();
    }
}

std::span<char> ItemText(int slot, int item) {
    if (!IsSlot(slot) || item < 0 || item >= kItemTextCount) return {};
    WorkBuffer& b = g_itemTexts[static_cast<std::size_t>(slot)];
    if (!b) return {};
    return {reinterpret_cast<char*>(b.data()) + static_cast<std::size_t>(item) * kItemTextSize, kItemTextSize};
}

std::unique_lock<std::recursive_mutex> HoldSlotTunnel(int slot) {
    if (!IsSlot(slot)) return {};
    return std::unique_lock<std::recursive_mutex>(g_tunnelLocks[static_cast<std::size_t>(slot)].lock);
}

}  // namespace qx
