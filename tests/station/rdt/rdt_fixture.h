// Drives whose simulated test firmware left an RDT log, built field by
// field, and the report's folder tree read back.
#pragma once

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "diagnostics/diag_fixture.h"
#include "sim/model/rdt_log_layout.h"
#include "station/rdt/rdt_report.h"

namespace qx::test {

inline void Le16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Le32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct DieRecord {
    std::uint8_t key;
    std::array<std::uint8_t, 7> id;
    std::uint16_t bad;
    std::uint8_t maxA, minV;
    std::uint16_t mask, ratio;
};
inline std::vector<std::uint8_t> DieRecords(const std::vector<DieRecord>& list) {
    std::vector<std::uint8_t> out;
    for (const DieRecord& d : list) {
        std::vector<std::uint8_t> r(32, 0);
        r[0] = d.key;
        std::memcpy(&r[1], d.id.data(), 7);
        Le16(r, 8, d.bad);
        r[10] = d.maxA;
        r[11] = d.minV;
        Le16(r, 12, d.mask);
        Le16(r, 16, d.ratio);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

struct ErrorEntry {
    std::uint8_t key, planeType;
    std::uint16_t page, unit;
    std::uint8_t ecc, stepAction, temperature;
    std::uint32_t time;
};
inline std::vector<std::uint8_t> ErrorRecords(const std::vector<ErrorEntry>& list) {
    std::vector<std::uint8_t> out;
    for (const ErrorEntry& e : list) {
        std::vector<std::uint8_t> r(16, 0);
        r[0] = e.key;
        r[1] = e.planeType;
        Le16(r, 2, e.page);
        Le16(r, 4, e.unit);
        r[6] = e.ecc;
        r[7] = e.stepAction;
        r[8] = e.temperature;
        Le32(r, 12, e.time);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

// A summary with every field the files print set.
inline std::vector<std::uint8_t> Summary(std::uint8_t result, const std::string& serial) {
    std::vector<std::uint8_t> s(1040, 0);
    s[6] = result;
    Le32(s, 8, 1'440'000);
    s[12] = 38;
    s[13] = 2;
    s[15] = 5;
    s[16] = 7;
    Le16(s, 20, 40);
    Le16(s, 22, 30);
    std::memcpy(&s[24], serial.data(), std::min<std::size_t>(serial.size(), 48));
    Le32(s, 72 + 4, 4000);
    Le32(s, 96 + 4, 8000);
    Le32(s, 72 + 12, 2'880'000);
    Le32(s, 96 + 12, 432'000'000);
    Le32(s, 96 + 20, 23'600);
    std::memcpy(&s[144], "ABCDEFG", 7);
    s[151] = 0xAA;
    Le32(s, 156, 3);
    Le16(s, 192, 20);
    return s;
}

class RdtFixture : public DiagFixture {
protected:
    void SetUp() override {
        DiagFixture::SetUp();
        config_.FlashGeometry.BlocksPerCe = 2048;
        config_.FlashGeometry.PagesPerBlock = 256;
        config_.ExtraBlocks = 0;
        config_.CeCount = 2;
        config_.BankCount = 2;
        folder_ = dir_->path().string() + "/";
    }
    // The log goes into the drive's flash as its test firmware lays it out.
    template <typename F>
    void Log(int slot, F&& fill) {
        Drive(slot, [&](sim::DriveModel& m) {
            m.cfg.rdtBlock = 2047;
            fill(m.cfg);
            sim::LayOutRdtLog(m);
        });
    }
    void Report(int slot) { station::ShowRDTResult(slot, Ctx(), folder_); }

    std::string Root() const { return folder_ + "RDT_Log/"; }
    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Every file and folder under the report's root, relative to it.
    std::vector<std::string> Tree() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Root()))
            out.push_back(std::filesystem::relative(e.path(), Root()).string() + (e.is_directory() ? "/" : ""));
        std::sort(out.begin(), out.end());
        return out;
    }
    // Everything under the temporary folder (the program folder and the
    // working folder), so nothing lands outside RDT_Log.
    std::vector<std::string> Everything() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir_->path()))
            out.push_back(std::filesystem::relative(e.path(), dir_->path()).string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string folder_;
};

}  // namespace qx::test
