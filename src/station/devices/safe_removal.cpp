// "Safe Remove": every connected drive is taken out of the system, one
// thread per port, while the window keeps processing its events; the
// refresh afterwards tells what went.
#include <QCoreApplication>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/device_tree.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/discovery/port_record.h"
#include "station/devices/delay_with_messages.h"
#include "station/devices/port_rescan.h"
#include "station/views/station_view.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr int kRemovalTries = 5;
constexpr std::uint64_t kRemovalPauseMs = 500;
constexpr std::uint64_t kPollPauseMs = 500;

struct RemovalThread {
    std::thread thread;
    std::atomic<bool> ended{false};
};

void ProcessEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace

int SafeRemoveDeviceThread(const std::uint32_t* devinst) {
    for (int attempt = 1; attempt <= kRemovalTries; ++attempt) {
        const std::string veto = platform::DeviceNodes().RemoveDevice(*devinst);
        if (veto.empty()) return 0;
        DebugPrint("Safe removal of device %u refused (try %d): %s\r\n", *devinst, attempt, veto.c_str());
        if (attempt < kRemovalTries && !platform::SleepMs(kRemovalPauseMs)) break;
    }
    return 0;
}

void PortRescan::SafeRmBtnClick() {
    const int n = lastDeviceCount_;
    if (n == 0) return;
    ctx_.view.SetSafeRemoveColor(kColorRed);

    // The handles the threads read stay here until every thread has ended.
    std::vector<std::uint32_t> devinsts(kPortCount, 0);
    std::vector<std::unique_ptr<RemovalThread>> threads(kPortCount);
    int started = 0;
    for (int p = 0; p < ScannedPorts() && started < n; ++p) {
        const PortRecord& rec = Active(p);
        if (!rec.Connected) continue;
        const auto i = static_cast<std::size_t>(p);
        devinsts[i] = rec.ParentDevInst;
        auto t = std::make_unique<RemovalThread>();
        RemovalThread* self = t.get();
        const std::uint32_t* devinst = &devinsts[i];
        t->thread = std::thread([self, devinst] {
            SafeRemoveDeviceThread(devinst);
            self->ended = true;
        });
        threads[i] = std::move(t);
        ++started;
    }

    for (int running = 1; running > 0;) {
        running = 0;
        for (int p = 0; p < ScannedPorts(); ++p) {
            const auto& t = threads[static_cast<std::size_t>(p)];
            if (t && !t->ended) {
                ++running;
                DelayWithMessages(kPollPauseMs);
            }
            ProcessEvents();
        }
    }
    for (auto& t : threads)
        if (t) t->thread.join();

    RefreshDevices();
    if (lastDeviceCount_ != 0) ctx_.prompter.Warning("Unable to remove all device!");
}

}  // namespace qx::station
