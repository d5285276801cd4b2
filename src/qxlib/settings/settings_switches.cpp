#include "qxlib/settings/settings_switches.h"

namespace qx {

std::atomic<std::uint8_t> EnableWorkOrder{0};
std::atomic<std::uint8_t> EnSaveDefectTable{0};
std::atomic<std::uint8_t> EnNoCheckBridge{0};
std::atomic<std::uint8_t> SataBusMode{2};
std::atomic<std::uint8_t> EnBatchMode{0};
std::atomic<std::uint8_t> EnGodMode{0};
std::atomic<std::uint8_t> FlashIdCheckMask{31};

}  // namespace qx
