#include "sim/rack/sim_drive.h"

#include "sim/rack/device_time.h"
#include "sim/rack/host_bus.h"

#include <algorithm>
#include <cerrno>

#include "platform/clock.h"
#include "platform/sat_ata.h"
#include "sim/model/drive_model.h"
#include "sim/front_ends/front_ends.h"
#include "sim/front_ends/scsi_reply.h"

namespace qx::sim {

using namespace platform;

namespace {

// Latency and hangs happen outside the drive's lock, on the current clock.
// Returns the errno the request fails with, 0 when it goes on to the drive.
int Delay(const FaultPlan& plan, std::chrono::seconds timeout) {
    const FaultRule* hang = plan.fault && plan.fault->kind == FaultKind::Hang ? &*plan.fault : nullptr;
    if (plan.latencyMs && !CurrentClock().Wait(plan.latencyMs)) return hang ? hang->errorCode : EINTR;
    if (!hang) return 0;
    if (!CancelRequested()) CurrentClock().Wait(static_cast<std::uint64_t>(timeout.count()) * 1000);
    return hang->errorCode;
}

ScsiResult ScsiFault(const FaultRule& f, const RequestKey& key, SenseFormat format) {
    if (f.kind == FaultKind::SyscallFails) return ScsiSyscallFailed(f.errorCode);
    if (f.kind == FaultKind::AtaError) {
        if (key.ataCommand) return ScsiAtaReturn(AtaError(f.ataError), false, format);
        return ScsiCheck(kKeyAborted, 0x00);
    }
    ScsiResult r = ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    if (!f.sense.empty()) {
        r.sense = {};
        r.senseLength = static_cast<std::uint8_t>(std::min(f.sense.size(), r.sense.size()));
        std::copy_n(f.sense.begin(), r.senseLength, r.sense.begin());
    }
    return r;
}

}  // namespace

SimDrive::SimDrive(const DriveConfig& config) : model_(std::make_unique<DriveModel>(config)) {}
SimDrive::~SimDrive() = default;

const DriveConfig& SimDrive::Config() const { return model_->cfg; }

void SimDrive::AddFault(const FaultRule& rule) {
    const ChangeMark mark(*this);
    auto g = Lock();
    model_->faults.Add(rule);
}

void SimDrive::ClearFaults() {
    const ChangeMark mark(*this);
    auto g = Lock();
    model_->faults.Clear();
}

std::vector<FaultRule> SimDrive::Faults() const {
    auto g = Lock();
    return model_->faults.Rules();
}

ControllerState SimDrive::State() const {
    auto g = Lock();
    return model_->state;
}

void SimDrive::SetState(ControllerState state) {
    const ChangeMark mark(*this);
    auto g = Lock();
    model_->ChangeState(state);
    if (state == ControllerState::ProgramRunning) model_->program = model_->cfg.program;
}

void SimDrive::RunProgram(ProgramKind kind) {
    const ChangeMark mark(*this);
    auto g = Lock();
    model_->ChangeState(ControllerState::ProgramRunning);
    model_->program = kind;
}

bool SimDrive::VendorMode() const {
    auto g = Lock();
    return model_->vendorMode;
}

void SimDrive::SetVendorMode(bool on) {
    const ChangeMark mark(*this);
    auto g = Lock();
    model_->vendorMode = on;
}

// A boot may end on the tick: that is a change.
void SimDrive::TickLocked() {
    const bool booting = model_->Booting();
    model_->Tick(TickMs());
    if (booting) Touch();
}

bool SimDrive::Present() {
    auto g = Lock();
    TickLocked();
    return model_->present;
}

std::vector<std::uint8_t> SimDrive::ReadUserSectors(std::uint64_t lba, std::uint32_t count) const {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * kSectorSize);
    auto g = Lock();
    model_->sectors.Read(lba, out);
    return out;
}

void SimDrive::WriteUserSectors(std::uint64_t lba, const std::vector<std::uint8_t>& data) {
    const ChangeMark mark(*this);
    auto g = Lock();
    model_->sectors.Write(lba, data);
}

std::size_t SimDrive::StoredSectorCount() const {
    auto g = Lock();
    return model_->sectors.Stored().size();
}

std::uint64_t SimDrive::CapacitySectors() const {
    auto g = Lock();
    return model_->AccessibleSectors();
}

int SimDrive::OpenError() {
    auto g = Lock();
    TickLocked();
    if (!model_->present) return ENOENT;
    return model_->faults.MatchOpen();
}

ScsiResult SimDrive::Scsi(const ScsiCommand& cmd) {
    const ChangeMark mark(*this);
    FaultPlan plan;
    RequestKey key;
    SenseFormat format = SenseFormat::Descriptor;
    {
        auto g = Lock();
        model_->Tick(TickMs());
        if (!model_->present) return ScsiSyscallFailed(ENODEV);
        key = model_->cfg.frontEnd == FrontEnd::Bridge ? BridgeRequestKey(*model_, cmd) : NativeUsbRequestKey(cmd);
        plan = model_->faults.Match(key);
        format = model_->cfg.senseFormat;
    }
    if (const int err = Delay(plan, cmd.timeout)) return ScsiSyscallFailed(err);
    SpendDeviceTime(cmd.data.size());
    SpendBusTime(cmd.data.size());
    if (plan.fault && plan.fault->kind != FaultKind::Latency) return ScsiFault(*plan.fault, key, format);
    auto g = Lock();
    model_->Tick(TickMs());
    if (!model_->present) return ScsiSyscallFailed(ENODEV);
    return model_->cfg.frontEnd == FrontEnd::Bridge ? BridgeScsi(*model_, cmd) : NativeUsbScsi(*model_, cmd);
}

// A task file reaches the drive as the host's SAT layer carries it, in the
// ATA PASS-THROUGH(16) block the Linux backend sends, and its answer is read
// the way that backend reads it: so the rack's sense formats, and the
// controller's own USB interface refusing the block (no ATA route there),
// reach the library exactly as a kernel hands them over.
AtaResult SimDrive::Ata(const AtaCommand& cmd) {
    const auto cdb = BuildAtaPassThrough16(cmd);
    return AtaResultFromScsi(cmd, Scsi(ScsiCommand{cdb, cmd.dir, cmd.data, cmd.timeout}));
}

}  // namespace qx::sim
