// One drive served as a USB mass-storage function through FunctionFS: the
// control thread answers the class requests (Get Max LUN, Bulk-Only Mass
// Storage Reset) and watches the host enable and disable the function; the
// serving thread reads command blocks from the bulk OUT endpoint, hands each
// to the drive and sends data and status back on the bulk IN endpoint.
//
// A host that gives up on a command resets the device: the function is
// disabled and enabled again. The command in flight is then dropped, never
// answered late, and a drive still waiting in it (a hung command) is
// cancelled, so the next command finds the drive free.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/device_io.h"
#include "sim/gadget/bot_target.h"

namespace qx::sim::gadget {

class BotFunction {
public:
    // Writes the descriptors to ep0 and opens the endpoints; the gadget may
    // bind once this returned. Empty, with the reason, on failure.
    static std::unique_ptr<BotFunction> Start(const std::string& functionFolder, platform::DeviceIo& devices,
                                              const std::string& drivePath, std::string label,
                                              std::string* error);
    ~BotFunction();
    BotFunction(const BotFunction&) = delete;
    BotFunction& operator=(const BotFunction&) = delete;

    // Commands answered since start (for the tool's log).
    std::uint64_t Served() const { return served_.load(); }

    // The first command block with this operation code is never answered
    // and asks for the drive to leave the bus, as a drive pulled in the
    // middle of a command does. TakePull is true once, after that block.
    void PullAt(std::uint8_t opcode) { pullAt_ = opcode; }
    bool TakePull() { return pullDue_.exchange(false); }

private:
    BotFunction(platform::DeviceIo& devices, const std::string& drivePath, std::string label);
    void ControlLoop();
    void ServeLoop();
    void ServeOne(std::span<const std::uint8_t> wrapper);
    void NewEpoch(const char* why);
    bool ReadOut(std::span<std::uint8_t> into, std::size_t& got);

    BotTarget target_;
    std::string label_;
    int ep0_ = -1, in_ = -1, out_ = -1;
    std::atomic<unsigned> epoch_{0};
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> served_{0};
    std::atomic<int> pullAt_{-1};   // operation code, or -1
    std::atomic<bool> pullDue_{false};
    std::atomic<int> alive_{0};   // threads not yet out of their loops
    platform::CancelToken cancel_;
    std::thread control_, serve_;
};

// Routes SIGUSR2 to a handler that does nothing, so a thread blocked in an
// endpoint read can be woken to see it should stop. Call once at start.
void InstallWakeSignal();

}  // namespace qx::sim::gadget
