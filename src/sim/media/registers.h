// The controller's byte-wide register space. Most registers hold what was
// written; the GPIO block latches the chip's straps only on a strobe pulse,
// so a host that skips the pulse reads a stale value.
#pragma once

#include <cstdint>
#include <map>

namespace qx::sim {

enum class GpioStraps : std::uint8_t;

inline constexpr std::uint32_t kGpioData = 0xB8000004;     // 4 bytes: latched strap bits
inline constexpr std::uint32_t kGpioStrobe = 0xB8000008;   // 4 bytes: falling edge latches

class ControllerRegisters {
public:
    explicit ControllerRegisters(GpioStraps straps);
    std::uint8_t Read(std::uint32_t address) const;
    void Write(std::uint32_t address, std::uint8_t value);
    const std::map<std::uint32_t, std::uint8_t>& Values() const { return values_; }
    void Restore(std::map<std::uint32_t, std::uint8_t> values) { values_ = std::move(values); }

private:
    std::uint32_t straps_;
    std::map<std::uint32_t, std::uint8_t> values_;
};

}  // namespace qx::sim
