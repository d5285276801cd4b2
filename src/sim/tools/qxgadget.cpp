// qxgadget: serves drives of a rack folder as real USB mass-storage devices
// (Bulk-Only Transport) through configfs and FunctionFS, one gadget per
// drive on its own UDC. Linux only, as root.
//
//   qxgadget FOLDER DRIVE=UDC [DRIVE=UDC ...] [pull=DRIVE:OPCODE]
//     DRIVE  the drive's section in rack.ini (drive01) or its rack path
//     UDC    a name under /sys/class/udc (dummy_udc.0 with dummy_hcd)
//     pull   the drive leaves the bus at its first command block with that
//            operation code (hex), unanswered, as if pulled during a run;
//            "qxrack plug" puts it back
//
// Every command block goes to the drive's front end as the in-process rack's
// requests do. A drive that leaves the host's view (the controller's own USB
// interface while its firmware boots, "qxrack unplug") takes its gadget off
// the bus and puts it back when it returns, so the kernel sees the disk go
// and come. SIGHUP saves the drives' state to the folder; SIGTERM and SIGINT
// take the gadgets off the bus, save and end.
#include <poll.h>
#include <sys/signalfd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "sim/control/rack_control.h"
#include "sim/rack/sim_machine.h"
#include "sim/rack/usb_device_of.h"
#include "sim/tools/gadget/bot_function.h"
#include "sim/tools/gadget/configfs_gadget.h"

namespace {

using namespace qx::sim;

constexpr int kPollMs = 50;

struct Served {
    std::string name;
    std::string path;
    std::unique_ptr<gadget::ConfigfsGadget> usb;
    std::unique_ptr<gadget::BotFunction> function;   // ends before its gadget's mount goes
};

int Usage() {
    std::fputs("usage: qxgadget FOLDER DRIVE=UDC [DRIVE=UDC ...] [pull=DRIVE:OPCODE]\n", stderr);
    return 2;
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "qxgadget: %s\n", text.c_str());
    return 1;
}

std::string PathOf(SimRack& rack, const std::string& drive) {
    for (const auto& path : rack.Paths())
        if (path == drive || rack.NameOf(path) == drive) return path;
    return {};
}

// On the bus exactly while the host could see the drive.
void Follow(SimMachine& machine, Served& s) {
    SimDrive* drive = machine.Rack().Find(s.path);
    const bool want = drive && machine.Plugged(s.path) && drive->Present();
    if (want == s.usb->Bound()) return;
    std::string error;
    if (!(want ? s.usb->Bind(&error) : s.usb->Unbind(&error)))
        std::fprintf(stderr, "qxgadget %s: %s\n", s.name.c_str(), error.c_str());
    else
        std::fprintf(stderr, "qxgadget %s: %s %s\n", s.name.c_str(), want ? "on the bus at" : "off the bus from",
                     s.usb->Udc().c_str());
}

bool Save(SimMachine& machine, const std::string& folder) {
    std::string error;
    if (machine.Rack().SaveState(folder, &error)) return true;
    std::fprintf(stderr, "qxgadget: cannot save the rack: %s\n", error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string folder = argv[1];

    // The signals are read from a descriptor by the main loop; every thread
    // started below inherits the mask.
    sigset_t mask;
    sigemptyset(&mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&mask, s);
    ::sigprocmask(SIG_BLOCK, &mask, nullptr);
    const int signals = ::signalfd(-1, &mask, SFD_CLOEXEC);
    gadget::InstallWakeSignal();

    std::string error;
    auto machine = SimMachine::LoadFolder(folder, &error);
    if (!machine) return Fail(error);
    auto control = RackControl::Open(folder, *machine, &error);
    if (!control) std::fprintf(stderr, "qxgadget: no plug control (%s)\n", error.c_str());

    std::vector<Served> served;
    std::string pullDrive;
    long pullOpcode = -1;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("pull=", 0) == 0) {
            const auto colon = arg.find(':');
            if (colon == std::string::npos) return Usage();
            pullDrive = arg.substr(5, colon - 5);
            pullOpcode = std::strtol(arg.c_str() + colon + 1, nullptr, 16);
            if (pullOpcode < 0 || pullOpcode > 0xFF) return Usage();
            continue;
        }
        const auto eq = arg.find('=');
        if (eq == std::string::npos) return Usage();
        Served s;
        s.path = PathOf(machine->Rack(), arg.substr(0, eq));
        if (s.path.empty()) return Fail("no drive " + arg.substr(0, eq) + " in " + folder);
        s.name = machine->Rack().NameOf(s.path);
        const SimUsbDevice usb = UsbDeviceOf(machine->Rack().Find(s.path)->Config());
        s.usb = gadget::ConfigfsGadget::Create(s.name, arg.substr(eq + 1), usb, &error);
        if (!s.usb) return Fail(s.name + ": " + error);
        s.function = gadget::BotFunction::Start(s.usb->FunctionFolder(), machine->Rack(), s.path, s.name, &error);
        if (!s.function) return Fail(s.name + ": " + error);
        if (!machine->Plugged(s.path))
            std::fprintf(stderr, "qxgadget %s: not plugged on a port of the rack; it joins the bus when plugged\n",
                         s.name.c_str());
        served.push_back(std::move(s));
    }
    if (!pullDrive.empty()) {
        const std::string path = PathOf(machine->Rack(), pullDrive);
        Served* s = nullptr;
        for (Served& each : served)
            if (each.path == path) s = &each;
        if (!s) return Fail("pull: " + pullDrive + " is not served");
        s->function->PullAt(static_cast<std::uint8_t>(pullOpcode));
    }

    bool running = true;
    while (running) {
        pollfd fds[2] = {{signals, POLLIN, 0}, {control ? control->Descriptor() : -1, POLLIN, 0}};
        if (::poll(fds, 2, kPollMs) > 0) {
            if (fds[1].revents & POLLIN) control->ReadEvents();
            signalfd_siginfo info{};
            if ((fds[0].revents & POLLIN) && ::read(signals, &info, sizeof info) == sizeof info) {
                if (info.ssi_signo == SIGHUP)
                    Save(*machine, folder) && std::fprintf(stderr, "qxgadget: saved\n");
                else
                    running = false;
            }
        }
        if (running)
            for (Served& s : served) {
                if (s.function->TakePull() && !machine->Unplug(s.path, &error))
                    std::fprintf(stderr, "qxgadget %s: cannot pull: %s\n", s.name.c_str(), error.c_str());
                Follow(*machine, s);
            }
    }
    for (Served& s : served) {
        s.usb->Unbind(nullptr);
        std::fprintf(stderr, "qxgadget %s: %llu command(s) served\n", s.name.c_str(),
                     static_cast<unsigned long long>(s.function->Served()));
        s.function.reset();
        s.usb.reset();
    }
    return Save(*machine, folder) ? 0 : 1;
}
