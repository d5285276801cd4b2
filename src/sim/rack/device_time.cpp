#include "sim/rack/device_time.h"

#include <atomic>
#include <cstdlib>

#include "platform/clock.h"

namespace qx::sim {

namespace {

std::atomic<bool> g_real{false};
std::atomic<double> g_scale{1.0};

}  // namespace

void SetDeviceTime(const DeviceTimeModel& model) {
    g_scale = model.scale;
    g_real = model.real;
}

DeviceTimeModel DeviceTime() { return {g_real.load(), g_scale.load()}; }

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
        char* end = nullptr;
        model.scale = std::strtod(scale->c_str(), &end);
        if (end == scale->c_str() || *end != '\0' || !(model.scale > 0)) {
            if (error) *error = "bad scale " + *scale;
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
