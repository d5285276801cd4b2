// A USB-to-SATA bridge: it answers INQUIRY itself (with its chip tag),
// turns READ(10)/WRITE(10) into ATA DMA commands and unpacks SAT ATA
// PASS-THROUGH blocks into the drive's ATA engine.
#include "sim/ata/ata_engine.h"
#include "sim/config/inquiry_names.h"
#include "sim/model/drive_model.h"
#include "sim/front_ends/front_ends.h"
#include "sim/ata/sat.h"
#include "sim/front_ends/scsi_common.h"
#include "sim/front_ends/scsi_reply.h"
#include "sim/ata/vendor_tunnel.h"

namespace qx::sim {

using namespace platform;

namespace {

constexpr std::uint8_t kBridgePathByte = 0x04;
constexpr std::uint8_t kBridgeCommand32 = 0x32;

ScsiResult FromAtaFailure(const AtaOutcome& o) {
    const std::uint8_t err = o.current[kTfError];
    if (err & kErrIdnf) return ScsiCheck(kKeyIllegalRequest, kAscLbaOutOfRange);
    if (err & kErrUnc) return ScsiCheck(0x03, 0x11);   // MEDIUM ERROR, unrecovered read error
    return ScsiCheck(kKeyAborted, 0x00);
}

ScsiResult BlockTransfer(DriveModel& m, const ScsiCommand& cmd, Direction dir) {
    Block10 b;
    if (!ParseBlock10(cmd, dir, b)) return ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    if (b.count == 0) return ScsiGood(0);
    AtaRequest r;
    r.ext48 = true;
    r.dir = dir;
    r.dma = true;
    r.data = cmd.data;
    r.current[kTfCommand] = dir == Direction::In ? 0x25 : 0x35;   // READ/WRITE DMA EXT
    r.current[kTfDevice] = 0x40;
    r.current[kTfCount] = static_cast<std::uint8_t>(b.count);
    r.previous[kTfCount] = static_cast<std::uint8_t>(b.count >> 8);
    r.current[kTfLbaLow] = static_cast<std::uint8_t>(b.lba);
    r.current[kTfLbaMid] = static_cast<std::uint8_t>(b.lba >> 8);
    r.current[kTfLbaHigh] = static_cast<std::uint8_t>(b.lba >> 16);
    r.previous[kTfLbaLow] = static_cast<std::uint8_t>(b.lba >> 24);
    const AtaOutcome o = RunAta(m, r);
    return o.Failed() ? FromAtaFailure(o) : ScsiGood(static_cast<std::uint32_t>(cmd.data.size()));
}

ScsiResult PassThrough(DriveModel& m, const ScsiCommand& cmd) {
    std::optional<SatBlock> sat = DecodeSat(cmd.cdb);
    if (!sat || !AttachSatData(*sat, cmd)) return ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    const AtaOutcome o = RunAta(m, sat->ata);
    const bool ext = sat->ata.ext48 || o.ext48;
    const auto moved = static_cast<std::uint32_t>(sat->ata.data.size());
    if (o.Failed()) return ScsiAtaReturn(o, ext, m.cfg.senseFormat);
    if (!sat->ckCond) return ScsiGood(moved);
    // CK_COND asks for the registers of a command that went well: its data
    // moved all the same, and a host reading the residue must see that.
    ScsiResult r = ScsiAtaReturn(o, ext, m.cfg.senseFormat);
    r.transferred = moved;
    return r;
}

// The one vendor block a bridge knows: FF 04 32, the bridge command.
ScsiResult BridgeVendor(DriveModel& m, const ScsiCommand& cmd) {
    if (cmd.cdb.size() < 12 || cmd.cdb[1] != kBridgePathByte || cmd.cdb[2] != kBridgeCommand32 || !cmd.data.empty())
        return ScsiCheck(kKeyIllegalRequest, kAscInvalidOpcode);
    ++m.bridgeCommands;
    return ScsiGood(0);
}

}  // namespace

ScsiResult BridgeScsi(DriveModel& m, const ScsiCommand& cmd) {
    if (cmd.cdb.empty()) return ScsiCheck(kKeyIllegalRequest, kAscInvalidOpcode);
    switch (cmd.cdb[0]) {
        case kScsiTestUnitReady: return ScsiGood(0);
        case kScsiInquiry:
            return AnswerInquiry(cmd, {InquiryVendorOf(m.cfg), InquiryProductOf(m.cfg), m.cfg.inquiryRevision, m.cfg.chipTag});
        case kScsiReadCapacity10: return AnswerReadCapacity(cmd, m.AccessibleSectors());
        case kScsiRead10: return BlockTransfer(m, cmd, Direction::In);
        case kScsiWrite10: return BlockTransfer(m, cmd, Direction::Out);
        case kSat12:
        case kSat16: return PassThrough(m, cmd);
        case kScsiVendor: return BridgeVendor(m, cmd);
        default: return ScsiCheck(kKeyIllegalRequest, kAscInvalidOpcode);
    }
}

RequestKey BridgeRequestKey(const DriveModel& m, const ScsiCommand& cmd) {
    RequestKey k;
    if (cmd.cdb.empty()) return k;
    k.scsiOpcode = cmd.cdb[0];
    std::optional<SatBlock> sat = DecodeSat(cmd.cdb);
    if (!sat) return k;
    k.ataCommand = sat->ata.Command();
    if (AttachSatData(*sat, cmd)) k.vendorSub = TunnelSub(m, sat->ata);
    return k;
}

}  // namespace qx::sim
