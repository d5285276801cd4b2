#include "sim/rack/device_time.h"

#include <atomic>
#include <cstdlib>

#include "platform/clock.h"
#include "sim/rack/host_bus.h"

namespace qx::sim {

namespace {

std::atomic<bool> g_real{false};
std::atomic<double> g_scale{1.0};

}  // namespace

void SetDeviceTime(const DeviceTimeModel& model) {
    g_scale = model.scale;
    g_real = model.real;
    RackBus().SetMbps(model.busMbps);
}

DeviceTimeModel DeviceTime() { return {g_real.load(), g_scale.load(), RackBus().Mbps()}; }

namespace {

bool ParseNumber(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

}  // namespace

bool DeviceTimeFromIni(const IniSection& rack, DeviceTimeModel& model, std::string* error) {
    model = {};
    if (const std::string* mode = rack.Find("device_time")) {
        if (*mode == "real") model.real = true;
        else if (*mode != "none") {
            if (error) *error = "bad device_time " + *mode;
            return false;
        }
    }
    if (const std::string* scale = rack.Find("scale")) {
        if (!ParseNumber(*scale, model.scale) || !(model.scale > 0)) {
            if (error) *error = "bad scale " + *scale;
            return false;
        }
    }
    if (const std::string* mbps = rack.Find("bus_mbps")) {
        if (!ParseNumber(*mbps, model.busMbps) || !(model.busMbps >= 0)) {
            if (error) *error = "bad bus_mbps " + *mbps;
            return false;
        }
    }
    return true;
}

double ModelledMicros(std::size_t bytes, const DeviceTimeModel& model) {
    return (kTurnaroundMicros + static_cast<double>(bytes) / kLinkBytesPerMicro) * model.scale;
}

void SpendDeviceTime(std::size_t bytes) {
    const DeviceTimeModel model = DeviceTime();
    if (!model.real) return;
    thread_local double owedMicros = 0;
    owedMicros += ModelledMicros(bytes, model);
    if (owedMicros < 1000) return;
    const auto ms = static_cast<std::uint64_t>(owedMicros / 1000);
    owedMicros -= static_cast<double>(ms) * 1000;
    static platform::SystemClock realClock;
    realClock.Wait(ms);
}

}  // namespace qx::sim
