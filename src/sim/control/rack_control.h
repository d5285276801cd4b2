// Plugging and unplugging simulated drives while a program runs. The
// program listens on a FIFO in the rack folder ("control.fifo"); qxrack
// writes one line per change ("plug PATH", "unplug PATH"). The program
// applies each to its loaded machine and reports it as the arrival or
// removal a real USB device would cause. With no program listening,
// qxrack edits the folder instead.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/device_events.h"
#include "sim/rack/sim_machine.h"

namespace qx::sim {

inline constexpr char kControlFifoName[] = "control.fifo";

class RackControl final : public platform::DeviceEventSource {
public:
    // Creates the FIFO when it is missing. Empty, with the reason, when it
    // cannot be made or opened.
    static std::unique_ptr<RackControl> Open(const std::string& folder, SimMachine& machine,
                                             std::string* error = nullptr);
    ~RackControl() override;
    RackControl(const RackControl&) = delete;
    RackControl& operator=(const RackControl&) = delete;

    int Descriptor() const override { return readFd_; }
    // Applies every complete line that has arrived; a line that names no
    // drive of the machine, or a change already made, is traced and gives
    // no event.
    std::vector<platform::DeviceEvent> ReadEvents() override;

private:
    RackControl(SimMachine& machine, int readFd, int keepFd);
    std::optional<platform::DeviceEvent> Apply(const std::string& line);

    SimMachine& machine_;
    int readFd_;
    int keepFd_;          // our own writer, so the FIFO never reads as ended
    std::string partial_;
};

// Makes the rack's control channel the platform's device-event source.
void InstallRackControl(const std::string& folder, SimMachine& machine);

enum class SendResult { Delivered, NoListener, Failed };
// qxrack's side: one command line to the running program.
SendResult SendRackCommand(const std::string& folder, const std::string& line, std::string* error = nullptr);

// With no program running: marks the drive's port line in the folder's
// rack.ini as unplugged, or plugged again.
bool SetPluggedInFolder(const std::string& folder, const std::string& path, bool plugged,
                        std::string* error = nullptr);

}  // namespace qx::sim
