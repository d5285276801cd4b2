#include "sim/ata/ata_engine.h"

#include <algorithm>
#include <cstring>

#include "sim/model/drive_model.h"
#include "sim/model/identify_data.h"
#include "sim/ata/vendor_tunnel.h"

namespace qx::sim {
namespace {

using namespace platform;

constexpr std::uint8_t kVendorFeature = 0xDC;
constexpr std::uint8_t kVendorEnter = 0x51, kVendorLeave = 0x58;
constexpr std::uint8_t kSmartMid = 0x4F, kSmartHigh = 0xC2;
constexpr std::uint8_t kHostLogFirst = 0x80, kHostLogLast = 0x9F;
constexpr std::uint16_t kHostLogPages = 16;

// One 512-byte page moved into the caller's data, the rest of it zeroed.
AtaOutcome ReturnPage(AtaRequest& r, const Sector& page) {
    if (r.dir != Direction::In || r.data.size() < kSectorSize) return AtaError(kErrAbrt);
    std::fill(r.data.begin(), r.data.end(), std::uint8_t{0});
    std::memcpy(r.data.data(), page.data(), kSectorSize);
    return AtaGood();
}

AtaOutcome NoData(AtaRequest& r) { return r.dir == Direction::None ? AtaGood() : AtaError(kErrAbrt); }

AtaOutcome Identify(DriveModel& m, AtaRequest& r) { return ReturnPage(r, BuildIdentify(m)); }

AtaOutcome SetFeatures(DriveModel& m, AtaRequest& r) {
    if (r.Features() != kVendorFeature) return AtaError(kErrAbrt);
    switch (r.Count8()) {
        case kVendorEnter: m.vendorMode = true; break;
        case kVendorLeave: m.vendorMode = false; m.pendingVendor.reset(); break;
        default: return AtaError(kErrAbrt);
    }
    return NoData(r);
}

AtaOutcome Smart(DriveModel& m, AtaRequest& r) {
    if (r.current[kTfLbaMid] != kSmartMid || r.current[kTfLbaHigh] != kSmartHigh) return AtaError(kErrAbrt);
    switch (r.Features()) {
        case 0xD8: m.smartEnabled = true; return NoData(r);
        case 0xD9: m.smartEnabled = false; return NoData(r);
        default: break;
    }
    if (!m.smartEnabled) return AtaError(kErrAbrt);
    switch (r.Features()) {
        case 0xD0: return ReturnPage(r, BuildSmartData(m));
        case 0xD1: return ReturnPage(r, BuildSmartThresholds(m));
        case 0xDA: {   // RETURN STATUS: 4F/C2 when no threshold is exceeded
            AtaOutcome o = AtaGood();
            o.current[kTfLbaMid] = kSmartMid;
            o.current[kTfLbaHigh] = kSmartHigh;
            return o;
        }
        default: return AtaError(kErrAbrt);
    }
}

AtaOutcome Flush(DriveModel&, AtaRequest& r) { return NoData(r); }

AtaOutcome Standby(DriveModel& m, AtaRequest& r) {
    m.standby = true;
    return NoData(r);
}

// The native maximum is the drive's configured capacity; SET MAX lowers the
// accessible one.
AtaOutcome ReturnAddress(std::uint64_t lba, bool ext48) {
    AtaOutcome o = AtaGood();
    o.current[kTfLbaLow] = static_cast<std::uint8_t>(lba);
    o.current[kTfLbaMid] = static_cast<std::uint8_t>(lba >> 8);
    o.current[kTfLbaHigh] = static_cast<std::uint8_t>(lba >> 16);
    if (ext48) {
        o.previous[kTfLbaLow] = static_cast<std::uint8_t>(lba >> 24);
        o.previous[kTfLbaMid] = static_cast<std::uint8_t>(lba >> 32);
        o.previous[kTfLbaHigh] = static_cast<std::uint8_t>(lba >> 40);
        o.current[kTfDevice] = 0x40;
        o.ext48 = true;
    } else {
        o.current[kTfDevice] = static_cast<std::uint8_t>(0x40 | ((lba >> 24) & 0x0F));
    }
    return o;
}

std::uint64_t NativeMax(const DriveModel& m) { return m.cfg.capacitySectors ? m.cfg.capacitySectors - 1 : 0; }

// A drive asked without the LBA bit answers in cylinder, head and sector
// form (16 heads, 63 sectors a track, as an emulated IDE disk does).
AtaOutcome ReturnChs(std::uint64_t lba) {
    constexpr std::uint64_t kHeads = 16, kSectors = 63;
    const std::uint64_t cylinder = std::min<std::uint64_t>(lba / (kHeads * kSectors), 0xFFFF);
    const std::uint64_t rest = lba % (kHeads * kSectors);
    AtaOutcome o = AtaGood();
    o.current[kTfLbaLow] = static_cast<std::uint8_t>(rest % kSectors + 1);
    o.current[kTfLbaMid] = static_cast<std::uint8_t>(cylinder);
    o.current[kTfLbaHigh] = static_cast<std::uint8_t>(cylinder >> 8);
    o.current[kTfDevice] = static_cast<std::uint8_t>(rest / kSectors);
    return o;
}

AtaOutcome ReadNativeMax(DriveModel& m, AtaRequest& r) {
    const bool ext = r.Command() == 0x27;
    const std::uint64_t max = ext ? NativeMax(m) : std::min<std::uint64_t>(NativeMax(m), 0x0FFFFFFF);
    if (r.dir != Direction::None) return AtaError(kErrAbrt);
    return r.LbaMode() ? ReturnAddress(max, ext) : ReturnChs(max);
}

AtaOutcome SetMax(DriveModel& m, AtaRequest& r) {
    // Valid only as the command right after READ NATIVE MAX ADDRESS.
    if (!m.afterReadNativeMax || r.dir != Direction::None) return AtaError(kErrAbrt);
    AtaRequest lbaOnly = r;
    lbaOnly.ext48 = r.Command() == 0x37;
    const std::uint64_t lba = lbaOnly.Lba();
    if (lba > NativeMax(m)) return AtaError(kErrIdnf);
    m.maxLba = lba;
    return ReturnAddress(lba, lbaOnly.ext48);
}

// Host-specific logs 0x80..0x9F are readable and writable, 16 pages each;
// the log directory (0x00) is read-only.
AtaOutcome LogAccess(DriveModel& m, AtaRequest& r, bool write) {
    const std::uint8_t address = r.current[kTfLbaLow];
    const std::uint16_t page =
        static_cast<std::uint16_t>(r.current[kTfLbaMid] | (r.ext48 ? r.previous[kTfLbaMid] << 8 : 0));
    const std::uint32_t count = r.SectorCount();
    const bool host = address >= kHostLogFirst && address <= kHostLogLast;
    if (r.data.size() != count * kSectorSize || (!host && address != 0x00) || (write && !host))
        return AtaError(kErrAbrt);
    if (host && page + count > kHostLogPages) return AtaError(kErrIdnf);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto key = static_cast<std::uint32_t>(address) << 16 | (page + i);
        auto chunk = r.data.subspan(i * kSectorSize, kSectorSize);
        if (write) {
            std::memcpy(m.logPages[key].data(), chunk.data(), kSectorSize);
        } else if (host) {
            const auto it = m.logPages.find(key);
            if (it == m.logPages.end())
                std::fill(chunk.begin(), chunk.end(), std::uint8_t{0});
            else
                std::memcpy(chunk.data(), it->second.data(), kSectorSize);
        } else {
            // Directory: version 1, then the page count of each log address.
            std::fill(chunk.begin(), chunk.end(), std::uint8_t{0});
            if (page + i != 0) continue;
            chunk[0] = 1;
            for (unsigned a = kHostLogFirst; a <= kHostLogLast; ++a) chunk[a * 2] = kHostLogPages;
        }
    }
    return AtaGood();
}

AtaOutcome ReadLog(DriveModel& m, AtaRequest& r) {
    return r.dir == Direction::In ? LogAccess(m, r, false) : AtaError(kErrAbrt);
}

AtaOutcome WriteLog(DriveModel& m, AtaRequest& r) {
    return r.dir == Direction::Out ? LogAccess(m, r, true) : AtaError(kErrAbrt);
}

// A failed transfer returns the address it failed at in the LBA registers,
// the high-order bytes too for a 48-bit command.
AtaOutcome SectorError(const AtaRequest& r, std::uint8_t error, std::uint64_t lba) {
    AtaOutcome o = r.ext48 ? ReturnAddress(lba, true) : ReturnAddress(lba & 0x0FFFFFFF, false);
    o.current[kTfError] = error;
    o.current[kTfStatus] = kStatusErr;
    return o;
}

AtaOutcome Sectors(DriveModel& m, AtaRequest& r, Direction dir) {
    if (r.dir != dir || (!r.ext48 && !r.LbaMode())) return AtaError(kErrAbrt);
    const std::uint64_t lba = r.Lba();
    const std::uint32_t count = r.SectorCount();
    if (r.data.size() != count * kSectorSize) return AtaError(kErrAbrt);
    const std::uint64_t end = m.AccessibleSectors();
    if (lba + count > end) return SectorError(r, kErrIdnf, std::max(lba, end));
    if (dir == Direction::In) {
        if (m.media.Fails(MediaFaultKind::ReadFails, lba, count)) return SectorError(r, kErrUnc, lba);
        m.sectors.Read(lba, r.data);
        m.media.Corrupt(lba, r.data);
    } else {
        if (m.media.Fails(MediaFaultKind::WriteFails, lba, count)) return SectorError(r, kErrAbrt, lba);
        m.sectors.Write(lba, r.data);
    }
    return AtaGood();
}

AtaOutcome ReadSectors(DriveModel& m, AtaRequest& r) {
    if (IsTunnelTransfer(m, r)) return RunTunnel(m, r);
    return Sectors(m, r, Direction::In);
}

AtaOutcome WriteSectors(DriveModel& m, AtaRequest& r) {
    if (IsTunnelTransfer(m, r)) return RunTunnel(m, r);
    return Sectors(m, r, Direction::Out);
}

// The controller's own tunnel commands mean nothing outside the tunnel.
AtaOutcome TunnelOnly(DriveModel& m, AtaRequest& r) {
    return IsTunnelTransfer(m, r) ? RunTunnel(m, r) : AtaError(kErrAbrt);
}

using AtaHandler = AtaOutcome (*)(DriveModel&, AtaRequest&);
// How a command moves its data: a DMA command sent with a PIO protocol (or
// the other way round) fails here, as the wrong protocol does on a real
// controller.
enum class Xfer : std::uint8_t { Any, Pio, Dma };
struct AtaEntry {
    std::uint8_t command;
    AtaHandler run;
    Xfer xfer;
};

constexpr AtaEntry kCommands[] = {
    {0xEC, Identify, Xfer::Pio},
    {0xEF, SetFeatures, Xfer::Any},
    {0xB0, Smart, Xfer::Pio},
    {0xE7, Flush, Xfer::Any},           {0xEA, Flush, Xfer::Any},
    {0xE0, Standby, Xfer::Any},         {0xE2, Standby, Xfer::Any},
    {0xF8, ReadNativeMax, Xfer::Any},   {0x27, ReadNativeMax, Xfer::Any},
    {0xF9, SetMax, Xfer::Any},          {0x37, SetMax, Xfer::Any},
    {0x2F, ReadLog, Xfer::Pio},         {0x47, ReadLog, Xfer::Dma},
    {0x3F, WriteLog, Xfer::Pio},        {0x57, WriteLog, Xfer::Dma},
    {0x20, ReadSectors, Xfer::Pio},     {0x24, ReadSectors, Xfer::Pio},    {0xC8, ReadSectors, Xfer::Dma},
    {0x25, ReadSectors, Xfer::Dma},     {0xC4, ReadSectors, Xfer::Pio},
    {0x30, WriteSectors, Xfer::Pio},    {0x34, WriteSectors, Xfer::Pio},   {0xCA, WriteSectors, Xfer::Dma},
    {0x35, WriteSectors, Xfer::Dma},    {0xC5, WriteSectors, Xfer::Pio},
    {0x8A, TunnelOnly, Xfer::Pio},      {0x8F, TunnelOnly, Xfer::Pio},
    {0x86, TunnelOnly, Xfer::Dma},      {0x88, TunnelOnly, Xfer::Dma},
};

bool ProtocolFits(const AtaEntry& e, const AtaRequest& r) {
    if (r.dir == Direction::None || e.xfer == Xfer::Any) return true;
    return r.dma == (e.xfer == Xfer::Dma);
}

}  // namespace

AtaOutcome RunAta(DriveModel& m, AtaRequest& r) {
    const std::uint8_t command = r.Command();
    // While the firmware boots nobody answers behind the bridge.
    if (m.Booting()) return AtaError(kErrAbrt);
    const auto* entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                     [command](const AtaEntry& e) { return e.command == command; });
    AtaOutcome out = entry == std::end(kCommands) || !ProtocolFits(*entry, r) ? AtaError(kErrAbrt) : entry->run(m, r);
    m.afterReadNativeMax = (command == 0xF8 || command == 0x27) && !out.Failed();
    if (!out.Failed() && command != 0xE0 && command != 0xE2) m.standby = false;
    return out;
}

}  // namespace qx::sim
