#include "sim/rack/device_time.h"

#include <atomic>
#include <cstdlib>
#include <sstream>
#include <string>

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

// The [rack] numbers and what a real rack can have: a bus from USB full
// speed to USB 3.2 Gen 2x2 (0: each drive on its own link), a time scale
// that still lets a round end. A bus of 1e-300 Mb/s would never carry one
// request.
struct RackNumber {
    const char* key;
    double DeviceTimeModel::*member;
    double min;
    double max;
    bool zeroMeansOff;
    const char* what;
};

constexpr RackNumber kRackNumbers[] = {
    {"scale", &DeviceTimeModel::scale, 0.001, 1000, false, "times the modelled command time"},
    {"bus_mbps", &DeviceTimeModel::busMbps, 12, 20000, true, "Mb/s of the shared USB bus; 0: none"},
};

std::string Bound(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

bool Refuse(std::string* error, const std::string& key, const std::string& value, const std::string& why) {
    if (error) *error = "[rack] " + key + "=" + value + ": " + why;
    return false;
}

}  // namespace

bool DeviceTimeFromIni(const IniSection& rack, DeviceTimeModel& model, std::string* error) {
    model = {};
    if (const std::string* mode = rack.Find("device_time")) {
        if (*mode == "real") model.real = true;
        else if (*mode != "none") return Refuse(error, "device_time", *mode, "must be none or real");
    }
    for (const RackNumber& n : kRackNumbers) {
        const std::string* text = rack.Find(n.key);
        if (!text) continue;
        double& v = model.*n.member;
        if (!ParseNumber(*text, v)) return Refuse(error, n.key, *text, "not a number");
        if ((n.zeroMeansOff && v == 0) || (v >= n.min && v <= n.max)) continue;
        return Refuse(error, n.key, *text,
                      std::string("must be ") + (n.zeroMeansOff ? "0 or " : "") + "from " + Bound(n.min) + " to " +
                          Bound(n.max) + " (" + n.what + ")");
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
