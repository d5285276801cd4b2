#include "sim/gadget/bot_target.h"

#include <algorithm>

namespace qx::sim {

using namespace platform;

namespace {

constexpr std::uint8_t kRequestSense = 0x03;
constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;

// Fixed-format sense: response code 70, key at 2, additional length 10,
// ASC/ASCQ at 12/13.
std::array<std::uint8_t, 18> FixedSense(std::uint8_t key, std::uint8_t asc) {
    std::array<std::uint8_t, 18> s{};
    s[0] = 0x70;
    s[2] = key;
    s[7] = 10;
    s[12] = asc;
    return s;
}

}  // namespace

BotTarget::BotTarget(DeviceIo& devices, std::string path) : devices_(devices), path_(std::move(path)) {}

BotOutcome BotTarget::Check(std::span<const std::uint8_t> sense) {
    senseLength_ = std::min(sense.size(), sense_.size());
    std::copy_n(sense.begin(), senseLength_, sense_.begin());
    return {CswStatus::Failed, 0};
}

BotOutcome BotTarget::RequestSense(const Cbw& cbw, std::span<std::uint8_t> data) {
    const auto noSense = FixedSense(0x00, 0x00);
    const std::span<const std::uint8_t> sense = senseLength_ ? PendingSense() : std::span<const std::uint8_t>(noSense);
    const std::size_t alloc = cbw.cdb.size() > 4 ? cbw.cdb[4] : 0;
    const std::size_t n = std::min({sense.size(), alloc, data.size()});
    std::copy_n(sense.begin(), n, data.begin());
    senseLength_ = 0;
    return {CswStatus::Passed, static_cast<std::uint32_t>(n)};
}

BotOutcome BotTarget::Execute(const Cbw& cbw, std::span<std::uint8_t> data) {
    if (cbw.lun != 0) return Check(FixedSense(0x05, 0x25));   // LOGICAL UNIT NOT SUPPORTED
    if (cbw.cdb[0] == kRequestSense && cbw.dir != Direction::Out) return RequestSense(cbw, data);
    senseLength_ = 0;
    OpenResult open = devices_.Open(path_, ShareMode::Shared);
    // A drive that cannot be opened has left the bus; the host's reset and
    // the unbind that follows tell it so.
    if (!open.handle) return {CswStatus::PhaseError, 0};
    const ScsiResult r = open.handle->Scsi(ScsiCommand{cbw.cdb, cbw.dir, data, kGadgetRequestWait});
    // A failed transfer is no answer a device could give: the phase error
    // makes the host reset the device and fail the request as a transport
    // error, which is what a real bridge's failure looks like to it.
    if (!r.ok) return {CswStatus::PhaseError, 0};
    const auto moved = std::min<std::uint32_t>(r.transferred, static_cast<std::uint32_t>(data.size()));
    if (r.status == kGood) return {CswStatus::Passed, moved};
    BotOutcome out = Check(std::span<const std::uint8_t>(r.sense.data(), r.senseLength));
    if (r.status != kCheckCondition) senseLength_ = 0;
    // An ATA command's data (IDENTIFY with CK_COND) still goes to the host.
    out.transferred = moved;
    return out;
}

}  // namespace qx::sim
