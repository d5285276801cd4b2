#include "station/rdt/rdt_texts.h"

#include <cstdarg>
#include <cstdio>

#include "qxlib/base/byte_order.h"

namespace qx::station {
namespace {

constexpr const char* kDashLine = "-------------------------------------------------------\r\n";
constexpr const char* kClockTexts[] = {"250", "187.5", "150", "125", "93.75"};
constexpr const char kStepChars[] = "01A3456";

std::string HoursMinutesSeconds(std::uint32_t time) {
    const std::uint32_t t = time / 400;
    return Printf("%2.2d:%2.2d:%2.2d", static_cast<int>((t / 3600) & 0xFF), static_cast<int>(t % 3600 / 60),
                  static_cast<int>(t % 60));
}

// The firmware version: its characters from byte 144 up to the first end
// marker (0xAA) at byte 150, 151, 152 or 153; no line without one.
std::string VersionLine(std::span<const std::uint8_t> s) {
    for (std::size_t end = 150; end <= 153; ++end) {
        if (s[end] != 0xAA) continue;
        std::string line = "RDT FIRMWARE VERVION : ";
        for (std::size_t i = 144; i < end; ++i) line += static_cast<char>(s[i]);
        return line + "\r\n";
    }
    return {};
}

}  // namespace

std::string Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(out.data(), out.size(), format, again);
        out.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return out;
}

std::string RdtTimeText(std::uint32_t time) { return HoursMinutesSeconds(time) + "\r\n"; }

std::string FactoryLine(std::uint8_t dieBank, std::uint16_t unit, std::uint8_t value) {
    const int u = unit;
    switch (value) {
        case 1: return Printf("Bank:%d  unit:0x%04x:1  block:0x%04x\r\n", dieBank, u, 2 * u);
        case 2: return Printf("Bank:%d  unit:0x%04x:2  block:0x%04x\r\n", dieBank, u, 2 * u + 1);
        case 3: return Printf("Bank:%d  unit:0x%04x:3  block:0x%04x,0x%04x\r\n", dieBank, u, 2 * u, 2 * u + 1);
        default: return {};
    }
}

std::string SummaryBlock(std::span<const std::uint8_t> s) {
    std::string t = VersionLine(s);
    if (s[200] == 0x99) t += std::string(kDashLine) + "[Inherit Mode]\r\n" + kDashLine;
    t += Printf("Bad Blocks Threshold (per Plane) = %d\r\n", get_le16(&s[20]));
    t += Printf("ECC Fail Blocks Threshold (per Plane) = %d\r\n", get_le16(&s[22]));
    t += Printf("HighPage Prog Fail Blocks Threshold (per Die) = %d\r\n", get_le16(&s[192]));
    t += Printf("Err_Bits_Over Threshold (per 1Kbits) = %d\r\n", s[16]);
    t += Printf("NOT EMPTY PAGE THRESHOLD (PER 1K) = %d\r\n", s[15]);
    // No field of the log feeds this flag; the station has always printed 0.
    t += Printf("Err_Bits_Over Mark ECC Fail Bad Flag = %d\r\n", 0);
    t += kDashLine;
    t += "TOTOAL TIME: " + RdtTimeText(get_le32(&s[8]));
    for (int step = 1; step <= 5; step += 2) {
        t += Printf("=======STEP %d=======\r\n", step);
        t += "MIN. TIME: " + RdtTimeText(get_le32(&s[72 + 4 * static_cast<std::size_t>(step)]));
        t += "MAX. TIME: " + RdtTimeText(get_le32(&s[96 + 4 * static_cast<std::size_t>(step)]));
    }
    t += Printf("Step3 Cycle Num: %d\r\n\r\n", static_cast<int>(get_le32(&s[156])));
    t += Printf("AVG. TEMPERATURE: %d\r\n\r\n", s[12]);
    t += Printf("SYSTEM CLOCK: %s\r\n", s[13] < 5 ? kClockTexts[s[13]] : "?");
    t += kDashLine;
    t += "====ERROR TYPE====\r\n";
    t += Printf("0 : Err_Bits_Over Mark ECC Fail Bad (Threshold:%d)\r\n", s[16]);
    t += "1 : ECC FAIL\r\n3 : PROGRAM FAIL\r\n4 : ERASE FAIL\r\n5 : EMPTY PAGE FAIL\r\n";
    t += Printf("6 : NOT EMPTY FAIL (Threshold:%d)\r\n", s[15]);
    t += "7 : ECC OVER -> ECC FAIL\r\n";
    t += kDashLine;
    t += "====ACTION====\r\n0 : PRE-READ\r\n1 : POST-READ\r\n2 : PROGRAM\r\n3 : ERASE\r\n";
    t += kDashLine;
    // The legend's wording is part of the report format the production
    // line's readers parse, so it stays word for word.
    t += "====Error Code====\r\nP05 : BadBlock over spec\r\nP06 : UpperBlock over spec\r\nP07 : ECC fail Occur.\r\n";
    t += kDashLine;
    return t;
}

std::string DieLines(const RdtDieInfo& r, std::uint8_t ceCount) {
    const DieKey k = r.key;
    std::string patterns;
    for (int bit = 0; bit < 16; ++bit)
        if (r.failPatterns & (1u << bit)) patterns += Printf(patterns.empty() ? "%d" : ",%d", bit);
    const auto& id = r.flashId;
    return Printf("Bank: %1d(%d)  Ch: %1d, LUN: %1d    ID: %02X %02X %02X %02X %02X %02X %02X\r\n", k.Bank(),
                  DieBankOf(ceCount, k.Channel(), k.Bank()), k.Channel(), k.Lun(), id[0], id[1], id[2], id[3], id[4],
                  id[5], id[6]) +
           Printf("    Bad blocks:%04d(%2.1f%%)  Max A: %2.1f  Min V: %2.1f  Fail pattern:%s\r\n", r.badBlocks,
                  r.badRatio * 0.1, r.maxA * 0.1, r.minV * 0.1, patterns.c_str());
}

std::string ErrorLine(const RdtErrorRecord& e, std::uint8_t ceCount) {
    const DieKey k = e.key;
    const int bank = k.Bank(), dieBank = DieBankOf(ceCount, k.Channel(), k.Bank());
    const int channel = k.Channel(), lun = k.Lun(), unit = e.unit, plane = e.plane, type = e.errorType;
    const std::string time = " " + HoursMinutesSeconds(e.time);
    const char step = e.step < 7 ? kStepChars[e.step] : '?';
    const int action = e.action, temperature = e.temperature, ecc = e.ecc, page = e.page;
    switch (e.plane) {
        case 1:
        case 2: {
            const char* column = e.plane == 1 ? "     0" : "     1";
            const int block = 2 * unit + (e.plane == 2 ? 1 : 0);
            std::string line = Printf("%1d(%1d),%3d,%4d,%s,   0x%04x:%1d,  0x%04x,        ,%11d,%6x, %s, %4c,     %4d,"
                                      "       %5d,",
                                      bank, dieBank, channel, lun, column, unit, plane, block, type, page,
                                      time.c_str(), step, action, temperature);
            if (type == 0) line += Printf("     %11d", ecc);
            return line + "\r\n";
        }
        case 3:
            return Printf("%1d(%1d),%3d,%4d,   0&1,   0x%04x:%1d,  0x%04x,  0x%04x,%11d,%6x, %s, %4c,     %4d,"
                          "       %5d,\r\n",
                          bank, dieBank, channel, lun, unit, plane, 2 * unit, 2 * unit + 1, type, page, time.c_str(),
                          step, action, temperature);
        default: return {};
    }
}

std::string NotReRdtBanner() {
    const std::string rule = " " + std::string(108, '-') + "\r\n";
    return rule + std::string(47, ' ') + "Not ReRDT Record" + std::string(50, ' ') + "\r\n" + rule;
}

}  // namespace qx::station
