// The controller's own USB mass-storage interface: INQUIRY with the loader's
// or the firmware's names, READ CAPACITY, sector reads and writes, and
// vendor blocks as 12-byte CDBs (FF 04 sub ...) with their data phase in the
// same request.
#include <algorithm>

#include "sim/config/inquiry_names.h"
#include "sim/model/drive_model.h"
#include "sim/front_ends/front_ends.h"
#include "sim/front_ends/scsi_common.h"
#include "sim/front_ends/scsi_reply.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {

using namespace platform;

namespace {

constexpr std::uint8_t kUsbPathByte = 0x04;

// The loader reports "Zivizaz EVO USB Loader " over INQUIRY bytes 8..30.
constexpr InquiryIdentity LoaderIdentity(std::string_view tag) {
    return {"Zivizaz", "EVO USB Loader", "0001", tag};
}

ScsiResult Sectors(DriveModel& m, const ScsiCommand& cmd, Direction dir) {
    Block10 b;
    if (!ParseBlock10(cmd, dir, b)) return ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    if (static_cast<std::uint64_t>(b.lba) + b.count > m.AccessibleSectors())
        return ScsiCheck(kKeyIllegalRequest, kAscLbaOutOfRange);
    if (dir == Direction::In) {
        if (m.media.Fails(MediaFaultKind::ReadFails, b.lba, b.count)) return ScsiCheck(0x03, 0x11);
        m.sectors.Read(b.lba, cmd.data);
        m.media.Corrupt(b.lba, cmd.data);
    } else {
        if (m.media.Fails(MediaFaultKind::WriteFails, b.lba, b.count)) return ScsiCheck(0x03, 0x0C);
        m.sectors.Write(b.lba, cmd.data);
    }
    return ScsiGood(static_cast<std::uint32_t>(cmd.data.size()));
}

ScsiResult Vendor(DriveModel& m, const ScsiCommand& cmd) {
    if (cmd.cdb.size() < 12 || cmd.cdb[1] != kUsbPathByte) return ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    VendorCall call;
    call.sub = cmd.cdb[2];
    std::copy_n(cmd.cdb.begin(), 12, call.block.begin());
    call.data = cmd.data;
    const VendorEntry* entry = FindVendorEntry(m, call.sub);
    const Direction dir = cmd.data.empty() ? Direction::None : cmd.dir;
    if (entry == nullptr || entry->dir != dir) {
        m.lastVendorSub = call.sub;
        m.lastVendorOk = false;
        return ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    }
    if (!RunVendor(m, *entry, call)) return ScsiCheck(kKeyAborted, 0x00);
    return ScsiGood(static_cast<std::uint32_t>(cmd.data.size()));
}

}  // namespace

ScsiResult NativeUsbScsi(DriveModel& m, const ScsiCommand& cmd) {
    if (cmd.cdb.empty()) return ScsiCheck(kKeyIllegalRequest, kAscInvalidOpcode);
    switch (cmd.cdb[0]) {
        case kScsiTestUnitReady: return ScsiGood(0);
        case kScsiInquiry:
            if (m.state != ControllerState::Firmware) return AnswerInquiry(cmd, LoaderIdentity(m.cfg.chipTag));
            return AnswerInquiry(cmd, {InquiryVendorOf(m.cfg), InquiryProductOf(m.cfg), m.cfg.inquiryRevision, m.cfg.chipTag});
        case kScsiReadCapacity10: return AnswerReadCapacity(cmd, m.AccessibleSectors());
        case kScsiRead10: return Sectors(m, cmd, Direction::In);
        case kScsiWrite10: return Sectors(m, cmd, Direction::Out);
        case kScsiVendor: return Vendor(m, cmd);
        default: return ScsiCheck(kKeyIllegalRequest, kAscInvalidOpcode);
    }
}

RequestKey NativeUsbRequestKey(const ScsiCommand& cmd) {
    RequestKey k;
    if (cmd.cdb.empty()) return k;
    k.scsiOpcode = cmd.cdb[0];
    if (cmd.cdb[0] == kScsiVendor && cmd.cdb.size() >= 3) k.vendorSub = cmd.cdb[2];
    return k;
}

}  // namespace qx::sim
