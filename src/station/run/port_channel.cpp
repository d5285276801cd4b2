#include "station/run/port_channel.h"

#include <algorithm>
#include <cstring>

#include "qxlib/transport/device_slot.h"
#include "ui/queued_call.h"

namespace qx::station {

PortChannel::PortChannel(int port, PortRun& run, PortRecord& record, PortView& view, StationView& station,
                         QObject* window)
    : port_(port), run_(run), record_(record), view_(view), station_(station), window_(window) {}

bool PortChannel::Record(const std::function<void(PortRecord&)>& write) {
    return run_.Write([&] { write(record_); });
}

bool PortChannel::Detail(int item, std::span<const std::uint8_t> scratch) {
    return run_.Write([&] {
        const std::span<char> text = ItemText(port_, item);
        const std::size_t n = std::min({text.size(), scratch.size(), kItemTextSize});
        if (n) std::memcpy(text.data(), scratch.data(), n);
    });
}

void PortChannel::Post(std::function<void()> call) {
    if (!run_.Running()) return;
    const unsigned generation = run_.Generation();
    PortRun* run = &run_;
    ui::PostToThreadOf(window_, [run, generation, call = std::move(call)] {
        if (run->Deliverable(generation)) call();
    });
}

void PortChannel::Caption(const std::string& text, std::uint32_t bgr) {
    Post([this, text, bgr] { view_.SetCaption(port_, text, bgr); });
}
void PortChannel::Gauge(int which, int percent) {
    Post([this, which, percent] { view_.SetGauge(port_, which, percent); });
}
void PortChannel::CycleText(const std::string& text) {
    Post([this, text] { view_.SetCycleText(port_, text); });
}
void PortChannel::SerialText(const std::string& text) {
    Post([this, text] { view_.SetSerialText(port_, text); });
}
void PortChannel::WwnText(const std::string& text) {
    Post([this, text] { view_.SetWwnText(port_, text); });
}
void PortChannel::ShowRwProgress(bool shown) {
    Post([this, shown] { view_.ShowRwProgress(port_, shown); });
}
void PortChannel::RwGauge(std::uint32_t maximum, std::uint32_t position, std::uint32_t bgr) {
    Post([this, maximum, position, bgr] { view_.SetRwGauge(port_, maximum, position, bgr); });
}

void PortChannel::ArmWatchdog(std::uint32_t ms) {
    Post([this, ms] {
        station_.KillTimer(port_ + 1);
        station_.ArmTimer(port_ + 1, static_cast<int>(ms));
    });
}
void PortChannel::KillWatchdog() {
    Post([this] { station_.KillTimer(port_ + 1); });
}

void PortChannel::PostEnded(std::function<void()> call) { ui::PostToThreadOf(window_, std::move(call)); }

}  // namespace qx::station
