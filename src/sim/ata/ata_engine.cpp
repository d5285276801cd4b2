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

AtaOutcome ReadNativeMax(DriveModel& m, AtaRequest& r) {
    const bool ext = r.Command() == 0x27;
    const std::uint64_t max = ext ? NativeMax(m) : std::min<std::uint64_t>(NativeMax(m), 0x0FFFFFFF);
    if (r.dir != Direction::None) return AtaError(kErrAbrt);
    return ReturnAddress(max, ext);
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

AtaOutcome Sectors(DriveModel& m, AtaRequest& r, Direction dir) {
    if (r.dir != dir || (!r.ext48 && !r.LbaMode())) return AtaError(kErrAbrt);
    const std::uint64_t lba = r.Lba();
    const std::uint32_t count = r.SectorCount();
    if (r.data.size() != count * kSectorSize) return AtaError(kErrAbrt);
    if (lba + count > m.AccessibleSectors()) return AtaError(kErrIdnf);
    if (dir == Direction::In) {
        if (m.media.Fails(MediaFaultKind::ReadFails, lba, count)) return AtaError(kErrUnc);
        m.sectors.Read(lba, r.data);
        m.media.Corrupt(lba, r.data);
    } else {
        if (m.media.Fails(MediaFaultKind::WriteFails, lba, count)) return AtaError(kErrAbrt);
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
struct AtaEntry {
    std::uint8_t command;
    AtaHandler run;
};

constexpr AtaEntry kCommands[] = {
    {0xEC, Identify},
    {0xEF, SetFeatures},
    {0xB0, Smart},
    {0xE7, Flush},         {0xEA, Flush},
    {0xE0, Standby},       {0xE2, Standby},
    {0xF8, ReadNativeMax}, {0x27, ReadNativeMax},
    {0xF9, SetMax},        {0x37, SetMax},
    {0x2F, ReadLog},       {0x47, ReadLog},
    {0x3F, WriteLog},      {0x57, WriteLog},
    {0x20, ReadSectors},   {0x24, ReadSectors},  {0xC8, ReadSectors}, {0x25, ReadSectors}, {0xC4, ReadSectors},
    {0x30, WriteSectors},  {0x34, WriteSectors}, {0xCA, WriteSectors}, {0x35, WriteSectors}, {0xC5, WriteSectors},
    {0x8A, TunnelOnly},    {0x8F, TunnelOnly},   {0x86, TunnelOnly},  {0x88, TunnelOnly},
};

}  // namespace

AtaOutcome RunAta(DriveModel& m, AtaRequest& r) {
    const std::uint8_t command = r.Command();
    // While the firmware boots nobody answers behind the bridge.
    if (m.Booting()) return AtaError(kErrAbrt);
    const auto* entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                     [command](const AtaEntry& e) { return e.command == command; });
    AtaOutcome out = entry == std::end(kCommands) ? AtaError(kErrAbrt) : entry->run(m, r);
    m.afterReadNativeMax = (command == 0xF8 || command == 0x27) && !out.Failed();
    if (!out.Failed() && command != 0xE0 && command != 0xE2) m.standby = false;
    return out;
}

}  // namespace qx::sim
