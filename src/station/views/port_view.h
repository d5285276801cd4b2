// What a port's work shows on its panel. Calls arrive on the window thread
// (the worker posts them); the window implements it per port panel.
#pragma once

#include <cstdint>
#include <string>

namespace qx::station {

class PortView {
public:
    virtual ~PortView() = default;
    virtual void SetCaption(int port, const std::string& text, std::uint32_t bgr) = 0;   // PortPanel
    virtual void SetGauge(int port, int which, int percent) = 0;                         // step gauges
    virtual void SetCycleText(int port, const std::string& text) = 0;
    virtual void SetSerialText(int port, const std::string& serial) = 0;                 // PortLEdit
    virtual void SetWwnText(int port, const std::string& wwn) = 0;                       // PortLEditWWN

    // --- The read/write tests' own gauge and cycle label --------------------
    // PortCGuageP and PortCycleCounterLabel shown or hidden together.
    virtual void ShowRwProgress(int port, bool shown) = 0;
    // PortCGuageP: maximum, position and colour.
    virtual void SetRwGauge(int port, std::uint32_t maximum, std::uint32_t position, std::uint32_t bgr) = 0;
};

// Which gauge SetGauge moves.
inline constexpr int kStepGauge = 0;   // PortCGuage: the steps done
inline constexpr int kRwGauge = 1;     // PortCGuageP: the read/write tests

}  // namespace qx::station
