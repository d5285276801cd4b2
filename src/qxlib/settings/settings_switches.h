// Library switches the settings file sets besides the record. Read by many
// threads (enumeration, production steps); written by the settings load on the
// window thread, and SataBusMode also by the port setup for some bridges.
#pragma once

#include <atomic>
#include <cstdint>

namespace qx {

extern std::atomic<std::uint8_t> EnableWorkOrder;    // [Setting]
extern std::atomic<std::uint8_t> EnSaveDefectTable;  // [Setting]
extern std::atomic<std::uint8_t> EnNoCheckBridge;    // [Setting]
extern std::atomic<std::uint8_t> SataBusMode;        // [Setting]; becomes TransferMode
extern std::atomic<std::uint8_t> EnBatchMode;        // [RDSetting]
extern std::atomic<std::uint8_t> EnGodMode;          // [RDSetting]
extern std::atomic<std::uint8_t> FlashIdCheckMask;   // copy of [TestItems] CheckFlashMask

}  // namespace qx
