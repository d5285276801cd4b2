#include "station/rdt/rdt_log.h"

#include "qxlib/base/byte_order.h"

namespace qx::station {
namespace {

constexpr std::uint8_t kEnd = 0xAA;

}  // namespace

RdtHeader ParseRdtHeader(std::span<const std::uint8_t> page0) {
    RdtHeader h;
    if (page0.size() < kRdtHeaderAt + 40) return h;
    const std::uint8_t* p = page0.data() + kRdtHeaderAt;
    h.firstErrorPage = get_le16(p + 0);
    h.errorPages = get_le16(p + 2);
    h.firstFactoryPage = get_le16(p + 4);
    h.factoryPages = get_le16(p + 6);
    h.summaryPage = get_le16(p + 12);
    h.dieInfoPage = get_le16(p + 16);
    return h;
}

std::vector<RdtDieInfo> TakeDieRecords(std::span<const std::uint8_t> page) {
    std::vector<RdtDieInfo> out;
    for (std::size_t at = 0; at + kRdtDieRecordBytes <= page.size() && out.size() < kRdtMaxDieRecords;
         at += kRdtDieRecordBytes) {
        const std::uint8_t* r = page.data() + at;
        if (r[0] == kEnd || r[1] == kEnd || r[2] == kEnd) break;
        RdtDieInfo d;
        d.key.raw = r[0];
        for (std::size_t i = 0; i < d.flashId.size(); ++i) d.flashId[i] = r[1 + i];
        d.badBlocks = get_le16(r + 8);
        d.maxA = r[10];
        d.minV = r[11];
        d.failPatterns = get_le16(r + 12);
        d.badRatio = static_cast<std::uint16_t>(get_le16(r + 16) & 0x1FF);
        out.push_back(d);
    }
    return out;
}

std::vector<RdtErrorRecord> TakeErrorRecords(std::span<const std::uint8_t> pages) {
    std::vector<RdtErrorRecord> out;
    for (std::size_t at = 0; at + kRdtErrorRecordBytes <= pages.size(); at += kRdtErrorRecordBytes) {
        const std::uint8_t* r = pages.data() + at;
        if (r[0] == kEnd || r[7] == kEnd || r[8] == kEnd) break;
        RdtErrorRecord e;
        e.key.raw = r[0];
        e.plane = static_cast<std::uint8_t>(r[1] & 0x0F);
        e.errorType = static_cast<std::uint8_t>(r[1] >> 4);
        e.page = get_le16(r + 2);
        e.unit = get_le16(r + 4);
        e.ecc = r[6];
        e.action = static_cast<std::uint8_t>(r[7] & 0x0F);
        e.step = static_cast<std::uint8_t>(r[7] >> 4);
        e.temperature = r[8];
        e.time = get_le32(r + 12);
        out.push_back(e);
    }
    return out;
}

int DieNumberOf(DieKey key, std::uint8_t ceCount) {
    if (ceCount == 0) return kNoDie;
    const int die = key.Channel() + 4 * (key.Bank() / ceCount);
    return die < kRdtDieSlots ? die : kNoDie;
}

DieMap BuildDieMap(const std::vector<RdtDieInfo>& records, std::uint8_t ceCount) {
    DieMap map;
    for (const RdtDieInfo& r : records) {
        if (!r.key.Valid()) continue;
        const int die = DieNumberOf(r.key, ceCount);
        if (die == kNoDie) continue;
        map.present[static_cast<std::size_t>(die)] = true;
        map.dieOfKey[r.key.MapIndex()] = die;
    }
    return map;
}

std::uint8_t DieBankOf(std::uint8_t ceCount, std::uint8_t channel, std::uint8_t bank) {
    (void)channel;   // the bank alone decides
    return ceCount ? static_cast<std::uint8_t>(bank % ceCount) : bank;
}

}  // namespace qx::station
