#include "sim/tools/gadget/bot_function.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "sim/gadget/ffs_descriptors.h"

namespace qx::sim::gadget {

using platform::Direction;

namespace {

constexpr int kWakeSignal = SIGUSR2;
// Larger data phases than this are no request the library or the kernel
// sends (the kernel's limit at high speed is 120 KiB).
constexpr std::uint32_t kMaxDataPhase = 16u << 20;
// A short last packet ends a data-in phase; one that ends on a packet
// boundary at full speed (64) or above needs the endpoint halted instead.
constexpr std::uint32_t kSmallestMaxPacket = 64;

constexpr std::uint8_t kClassIn = USB_DIR_IN | USB_TYPE_CLASS | USB_RECIP_INTERFACE;
constexpr std::uint8_t kClassOut = USB_DIR_OUT | USB_TYPE_CLASS | USB_RECIP_INTERFACE;
constexpr std::uint8_t kGetMaxLun = 0xFE, kBulkOnlyReset = 0xFF;

void Log(const std::string& label, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void Log(const std::string& label, const char* fmt, ...) {
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    std::fprintf(stderr, "qxgadget %s: %s\n", label.c_str(), text);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void WakeHandler(int) {}

}  // namespace

void InstallWakeSignal() {
    struct sigaction sa{};
    sa.sa_handler = WakeHandler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;   // no SA_RESTART: a blocked read returns EINTR
    ::sigaction(kWakeSignal, &sa, nullptr);
}

BotFunction::BotFunction(platform::DeviceIo& devices, const std::string& drivePath, std::string label)
    : target_(devices, drivePath), label_(std::move(label)) {}

std::unique_ptr<BotFunction> BotFunction::Start(const std::string& functionFolder, platform::DeviceIo& devices,
                                                const std::string& drivePath, std::string label,
                                                std::string* error) {
    std::unique_ptr<BotFunction> f(new BotFunction(devices, drivePath, std::move(label)));
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        return nullptr;
    };
    if ((f->ep0_ = ::open((functionFolder + "/ep0").c_str(), O_RDWR)) < 0) return fail("open " + functionFolder + "/ep0");
    if (!WriteAll(f->ep0_, BotFunctionDescriptors())) return fail("write the function's descriptors");
    if (!WriteAll(f->ep0_, BotFunctionStrings())) return fail("write the function's strings");
    // The endpoint files exist once the descriptors are in: ep1 is the bulk
    // IN endpoint, ep2 the bulk OUT one, in the order the descriptors list them.
    if ((f->in_ = ::open((functionFolder + "/ep1").c_str(), O_RDWR)) < 0) return fail("open " + functionFolder + "/ep1");
    if ((f->out_ = ::open((functionFolder + "/ep2").c_str(), O_RDWR)) < 0) return fail("open " + functionFolder + "/ep2");
    f->alive_ = 2;
    f->control_ = std::thread([p = f.get()] {
        p->ControlLoop();
        --p->alive_;
    });
    f->serve_ = std::thread([p = f.get()] {
        p->ServeLoop();
        --p->alive_;
    });
    return f;
}

BotFunction::~BotFunction() {
    stop_ = true;
    cancel_.Cancel();
    // A thread blocked in an endpoint read is woken until it has seen the
    // stop; one signal may land just before it enters the read.
    while (alive_.load() > 0) {
        for (std::thread* t : {&control_, &serve_})
            if (t->joinable()) ::pthread_kill(t->native_handle(), kWakeSignal);
        ::usleep(2000);
    }
    for (std::thread* t : {&control_, &serve_})
        if (t->joinable()) t->join();
    for (int fd : {out_, in_, ep0_})
        if (fd >= 0) ::close(fd);
}

void BotFunction::NewEpoch(const char* why) {
    ++epoch_;
    cancel_.Cancel();
    Log(label_, "%s: the command in flight is dropped", why);
}

void BotFunction::ControlLoop() {
    std::array<usb_functionfs_event, 4> events{};
    while (!stop_) {
        const ssize_t n = ::read(ep0_, events.data(), sizeof events);
        if (n < 0) {
            if (errno != EINTR && errno != EAGAIN) {
                Log(label_, "ep0 read: %s", std::strerror(errno));
                ::usleep(20000);
            }
            continue;
        }
        for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof(usb_functionfs_event); ++i) {
            const usb_functionfs_event& ev = events[i];
            if (ev.type == FUNCTIONFS_ENABLE) NewEpoch("enabled");
            if (ev.type == FUNCTIONFS_DISABLE) NewEpoch("disabled");
            if (ev.type != FUNCTIONFS_SETUP) continue;
            const usb_ctrlrequest& c = ev.u.setup;
            if (c.bRequestType == kClassIn && c.bRequest == kGetMaxLun) {
                const std::uint8_t maxLun = 0;
                if (::write(ep0_, &maxLun, 1) < 0) Log(label_, "Get Max LUN: %s", std::strerror(errno));
            } else if (c.bRequestType == kClassOut && c.bRequest == kBulkOnlyReset && c.wLength == 0) {
                NewEpoch("Bulk-Only Mass Storage Reset");
                if (::read(ep0_, nullptr, 0) < 0) Log(label_, "reset status stage: %s", std::strerror(errno));
            } else {
                // Anything else is stalled: an I/O in the opposite direction
                // of the request's data stage tells FunctionFS to stall.
                const ssize_t r = (c.bRequestType & USB_DIR_IN) ? ::read(ep0_, nullptr, 0) : ::write(ep0_, nullptr, 0);
                static_cast<void>(r);
            }
        }
    }
}

// The host's data-out bytes; a short packet ends them early.
bool BotFunction::ReadOut(std::span<std::uint8_t> into, std::size_t& got) {
    got = 0;
    while (got < into.size()) {
        const std::size_t want = into.size() - got;
        const ssize_t n = ::read(out_, into.data() + got, want);
        if (n < 0) {
            if (errno == EINTR && !stop_) continue;
            return false;
        }
        got += static_cast<std::size_t>(n);
        if (static_cast<std::size_t>(n) < want) break;
    }
    return true;
}

void BotFunction::ServeLoop() {
    platform::CancelScope scope(cancel_);
    std::array<std::uint8_t, 512> wrapper{};
    while (!stop_) {
        const ssize_t n = ::read(out_, wrapper.data(), wrapper.size());
        if (n < 0) {
            // Not enabled, or being reset: wait for the host to come back.
            if (errno != EINTR) ::usleep(20000);
            continue;
        }
        ServeOne(std::span<const std::uint8_t>(wrapper.data(), static_cast<std::size_t>(n)));
    }
}

void BotFunction::ServeOne(std::span<const std::uint8_t> wrapper) {
    const unsigned epoch = epoch_.load();
    cancel_.Reset();
    const std::optional<Cbw> cbw = ParseCbw(wrapper);
    if (!cbw) {
        Log(label_, "not a command block (%zu bytes): ignored until the host resets", wrapper.size());
        return;
    }
    if (cbw->cdb[0] == pullAt_.load()) {
        pullAt_ = -1;
        pullDue_ = true;
        Log(label_, "cdb %02x: pulled off the bus in the middle of it", cbw->cdb[0]);
        return;
    }
    const bool tooLong = cbw->dataLength > kMaxDataPhase;
    std::vector<std::uint8_t> data(tooLong ? 0 : cbw->dataLength);
    std::size_t got = 0;
    if (cbw->dir == Direction::Out && !tooLong && !ReadOut(data, got)) return;
    // Data the device will not take: the halt refuses it, as Bulk-Only
    // Transport has it (the host clears the halt and reads the status).
    if (cbw->dir == Direction::Out && tooLong && ::write(out_, nullptr, 0) < 0 && errno != EBADMSG)
        Log(label_, "halt OUT: %s", std::strerror(errno));
    data.resize(cbw->dir == Direction::Out ? got : data.size());
    BotOutcome outcome{CswStatus::PhaseError, 0};
    if (!tooLong) outcome = target_.Execute(*cbw, data);
    if (epoch != epoch_.load()) return;   // reset while the drive worked: the host has given up on it
    std::uint32_t residue = cbw->dataLength;
    if (cbw->dir == Direction::In) {
        // A phase error moves no data: the halt below ends the data phase
        // before the status, so the host never takes the status for data.
        const auto send = outcome.status == CswStatus::PhaseError
                              ? 0u
                              : std::min<std::uint32_t>(outcome.transferred, cbw->dataLength);
        if (send && !WriteAll(in_, std::span<const std::uint8_t>(data.data(), send))) return;
        residue = cbw->dataLength - send;
        if (residue && send % kSmallestMaxPacket == 0) {
            // The host still waits for data: the halt ends the phase.
            if (::read(in_, nullptr, 0) < 0 && errno != EBADMSG) Log(label_, "halt IN: %s", std::strerror(errno));
        }
    } else if (cbw->dir == Direction::Out) {
        residue = cbw->dataLength - static_cast<std::uint32_t>(std::min<std::size_t>(outcome.transferred, got));
    } else {
        residue = 0;
    }
    if (epoch != epoch_.load()) return;
    if (!WriteAll(in_, BuildCsw(cbw->tag, residue, outcome.status))) return;
    ++served_;
    if (outcome.status != CswStatus::Passed)
        Log(label_, "cdb %02x: status %d residue %u", cbw->cdb[0], static_cast<int>(outcome.status), residue);
}

}  // namespace qx::sim::gadget
