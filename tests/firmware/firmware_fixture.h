// A firmware download on simulated drives: the diagnostic fixture's program
// images and drives, a configuration of the drives' NAND (4 channels, 8
// sectors a page, 256 pages, 2048 blocks) with every field the download
// reads set, the generated system firmware as the run's bin file, and the
// pages of the code blocks read back as a plan: which page holds what,
// written with which ECC mode, option and sectors-per-page byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/diag_fixture.h"
#include "programs/program_fixture.h"
#include "qxlib/programs/bin_file_header.h"
#include "qxlib/firmware/bin_file_pages.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/firmware/code_block_pages.h"
#include "qxlib/diagnostics/code_block_list.h"
#include "qxlib/firmware/firmware_download.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/base/switches.h"
#include "qxlib/transport/slot_transfer.h"
#include "sim/model/code_block_tables.h"
#include "sim/model/code_blocks.h"

namespace qx::test {

inline const std::string kSystemFirmware = std::string(QX_BIN_DIR) + "/SYS_S.bin";

inline Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline std::string ReadText(const std::string& path) {
    const Bytes b = ReadFileBytes(path);
    return std::string(b.begin(), b.end());
}

inline void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

using Lines = std::vector<std::string>;

class FirmwareFixture : public DiagFixture {
protected:
    static constexpr char kSerial[] = "QX0123456789";
    static constexpr char kWwn[] = "123456789";

    void SetUp() override {
        DiagFixture::SetUp();
        ReadBinFileHeader(kSystemFirmware);   // model 849, variant 43: 12 entries a remap row
        config_ = ToggleConfig();
        config_.FlashTypeWord = 0x1011;       // 8 sectors a page, 256 pages, 2048 blocks
        DecodeFlashGeometry(config_, config_.FlashGeometry);
        config_.FlashGeometry.BankMap = {0, 1, 2, 3, 4, 5, 6, 7};
        config_.EccMode = 2;
        config_.LedInterleaveConfig = 0x21;
        FillCodeBlockPageTables(config_);
        settings_.RemapEnable = 1;
        bins_ = {};
        UseBinFile(kSystemFirmware);
        SkipEarlyBadCount = false;
        ForcePioTransfer = false;
        for (int slot : kBothSlots) {
            Drive(slot, [](sim::DriveModel& m) { m.cfg.badBlocks = {100, 200}; });
            DeviceSlots[static_cast<std::size_t>(slot)].SataSpeedBits = 0x0E;
        }
    }

    void TearDown() override {
        DeviceSlots[kExtraSlot].InterfacePath.clear();
        DeviceSlots[kExtraSlot].CodeBlockCount = 0;
        SkipEarlyBadCount = false;
        ForcePioTransfer = false;
        for (int slot : kBothSlots) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            s.EarlyBadCount = 0;
            s.RemapRowMarks = {};
            s.LaterBadBlockFirst = s.LaterBadBlockOther = 0;
            s.LedInterleave = 0;
            s.SataSpeedBits = 0;
            std::fill(s.RemapRows.begin(), s.RemapRows.end(), std::uint8_t{0});
        }
        DiagFixture::TearDown();
    }

    void UseBinFile(const std::string& path, std::size_t index = 0) {
        std::snprintf(bins_.Names[index], sizeof bins_.Names[index], "%s", path.c_str());
        const std::size_t bytes = ReadFileBytes(path).size();
        bins_.SizesKB[index] = static_cast<std::uint32_t>((bytes + 1023) / 1024);
        bins_.Count = static_cast<std::uint8_t>(std::max<std::size_t>(bins_.Count, index + 1));
    }

    DriveIdentity Identity() const { return {kSerial, kWwn, false}; }

    // A third drive, behind a bridge, on slot 2, in its loader.
    sim::SimDrive& AddExtraDrive(sim::DriveConfig cfg) {
        cfg.state = sim::ControllerState::Loader;
        cfg.vendorMode = true;
        cfg.busyPolls = 0;
        sim::SimDrive& d = rack_.AddDrive(extraPath_, cfg);
        Point(kExtraSlot, extraPath_, 0);
        return d;
    }

    // The run up to the download: code blocks known, the program's tables
    // built by pre-format.
    void PrepareDrive(int slot) {
        ASSERT_TRUE(GetCodeBlockList(slot, Ctx()));
        ASSERT_TRUE(PreFormat(slot, Ctx(), false, false, false));
        Drive(slot, [](sim::DriveModel& m) { m.pageCommands.clear(); });
    }

    bool Download(int slot) { return DownloadFirmware(slot, Ctx(), bins_, Identity()); }

    // A page set of every channel's copy of a code-block page.
    Bytes NandPage(int slot, std::uint16_t block, std::uint16_t page, std::uint8_t channel) {
        auto hold = DriveOf(slot).Lock();
        const sim::DriveModel& m = DriveOf(slot).Model();
        Bytes p(m.nand.PageBytes());
        m.nand.Read({channel, 0, block, page}, p);
        return p;
    }

    // Replaces a code-block page of one channel, as the program had left it.
    void PutNandPage(int slot, std::uint16_t block, std::uint16_t page, std::uint8_t channel, const Bytes& data) {
        auto hold = DriveOf(slot).Lock();
        sim::DriveModel& m = DriveOf(slot).Model();
        const auto layout = m.nand.Layout({channel, 0, block, page});
        // Rewrite the block without that page's old bits.
        std::map<std::uint16_t, std::pair<Bytes, std::optional<sim::PageLayout>>> keep;
        for (std::uint16_t p = 0; p < m.cfg.pagesPerBlock; ++p) {
            const sim::NandAddress a{channel, 0, block, p};
            if (p == page || m.nand.IsErased(a)) continue;
            Bytes b(m.nand.PageBytes());
            m.nand.Read(a, b);
            keep[p] = {b, m.nand.Layout(a)};
        }
        m.nand.Erase(channel, 0, block);
        for (const auto& [p, kept] : keep) {
            m.nand.Program({channel, 0, block, p}, kept.first);
            if (kept.second) m.nand.SetLayout({channel, 0, block, p}, *kept.second);
        }
        m.nand.Program({channel, 0, block, page}, data);
        if (layout) m.nand.SetLayout({channel, 0, block, page}, *layout);
    }

    // The file's pages as the download writes them: 0x11 past the file's
    // end, the end mark on the last page.
    Bytes BinPage(const Bytes& file, std::size_t k, std::size_t pages, std::size_t pageBytes) const {
        Bytes p(pageBytes, kBinPagePadding);
        const std::size_t at = k * pageBytes;
        if (at < file.size()) std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), std::min(pageBytes, file.size() - at), p.begin());
        if (k + 1 == pages) std::copy(std::begin(kBinFileEndMark), std::end(kBinFileEndMark), p.end() - 4);
        return p;
    }

    // What a code-block page holds: "info", table "T1".."T9" as pre-format
    // wrote it, bin file page "B<k>" (the header page by its "QXSS"), "-"
    // erased, "?" anything else.
    std::string Label(const sim::DriveModel& m, std::uint16_t block, std::uint16_t page, const std::vector<Bytes>& binPages) {
        std::vector<Bytes> copies;
        for (std::uint8_t ch = 0; ch < m.cfg.channels; ++ch) {
            copies.emplace_back(m.nand.PageBytes());
            m.nand.Read({ch, 0, block, page}, copies.back());
        }
        auto all = [&](auto same) {
            for (std::uint8_t ch = 0; ch < copies.size(); ++ch)
                if (!same(copies[ch], ch)) return false;
            return true;
        };
        if (all([](const Bytes& b, std::uint8_t) { return std::all_of(b.begin(), b.end(), [](std::uint8_t v) { return v == 0xFF; }); }))
            return "-";
        if (std::memcmp(copies[0].data(), "LDBK BLOCKS V50", 16) == 0) return "info";
        for (std::size_t t = 1; t <= sim::kTableCount; ++t)
            if (all([&](const Bytes& b, std::uint8_t ch) { return b == sim::TablePage(m, t, ch); })) return "T" + std::to_string(t);
        if (std::memcmp(&copies[0][0x300], "QXSS", 4) == 0 && all([&](const Bytes& b, std::uint8_t) { return b == copies[0]; }))
            return "B0";
        for (std::size_t k = 1; k < binPages.size(); ++k)
            if (all([&](const Bytes& b, std::uint8_t) { return b == binPages[k]; })) return "B" + std::to_string(k);
        return "?";
    }

    // One line per run of pages with the same content and write parameters:
    // "first-last label ecc/option/spp" ("none" for a page never written).
    // Every page is written at most once: a second program would only clear
    // more bits of what the first left.
    std::vector<std::string> Plan(int slot, std::uint16_t block, const Bytes& file) {
        auto hold = DriveOf(slot).Lock();
        const sim::DriveModel& m = DriveOf(slot).Model();
        const std::size_t pageBytes = m.nand.PageBytes();
        const std::size_t pages = (file.size() + pageBytes - 1) / pageBytes + 1;
        std::vector<Bytes> binPages;
        for (std::size_t k = 0; k < pages; ++k) binPages.push_back(BinPage(file, k, pages, pageBytes));
        std::map<std::uint16_t, std::string> format;
        for (const sim::PageCommand& c : m.pageCommands) {
            if (c.sub != 0x8A || c.block != block) continue;
            char f[16];
            std::snprintf(f, sizeof f, "%u/%u/%u", c.eccMode, c.option, c.sectorsPerPageByte);
            EXPECT_FALSE(format.contains(c.page)) << "page " << c.page << " written twice";
            format[c.page] = f;
        }
        std::vector<std::string> lines;
        std::string runKey;
        unsigned first = 0;
        auto flush = [&](unsigned last) {
            if (runKey.empty()) return;
            const std::string range = first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
            lines.push_back(range + " " + runKey);
        };
        for (unsigned p = 0; p < m.cfg.pagesPerBlock; ++p) {
            const auto page = static_cast<std::uint16_t>(p);
            const std::string key = Label(m, block, page, binPages) + " " + (format.contains(page) ? format[page] : "none");
            if (key == runKey) continue;
            flush(p - 1);
            runKey = key;
            first = p;
        }
        flush(m.cfg.pagesPerBlock - 1u);
        return lines;
    }

    std::vector<sim::PageCommand> PageCommands(int slot) {
        auto hold = DriveOf(slot).Lock();
        return DriveOf(slot).Model().pageCommands;
    }

    int Writes(int slot) {
        int n = 0;
        for (const sim::PageCommand& c : PageCommands(slot)) n += c.sub == 0x8A;
        return n;
    }

    static constexpr int kExtraSlot = 2;
    std::string extraPath_ = sataPath_ + "#extra";
    BinFileList bins_{};
};

}  // namespace qx::test
