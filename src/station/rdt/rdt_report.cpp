#include "station/rdt/rdt_report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "qxlib/base/debug_dump.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/va_flash_pages.h"
#include "station/rdt/rdt_log.h"
#include "station/rdt/rdt_texts.h"
#include "station/results/result_file_names.h"

namespace qx::station {
namespace {

constexpr std::uint32_t kLowestLogBlock = 11;
constexpr std::uint64_t kSettleMs = 10;
constexpr std::size_t kSerialAt = 24;
constexpr std::size_t kSerialBytes = 48;
constexpr std::size_t kResultAt = 6;
constexpr std::size_t kInheritAt = 200;
constexpr std::uint8_t kInheritMark = 0x99;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// An existing folder counts as created: another worker may make it between
// the test and the creation.
bool MakeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directory(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool Begins(std::span<const std::uint8_t> page) { return std::memcmp(page.data(), "RDTM", 4) == 0; }

// One report: the geometry copied at the start, the page buffer, the dies.
class Report {
public:
    Report(int slot, const StepContext& ctx) : slot_(slot), ctx_(ctx), c_(ctx.config) {
        ceCount_ = c_.CeCount;
        bankCount_ = c_.BankCount;
        pageBytes_ = std::size_t{c_.FlashGeometry.SectorsPerPage} * 512;
        pagesPerBlock_ = c_.FlashGeometry.PagesPerBlock;
        lastBlock_ = static_cast<std::uint16_t>(c_.FlashGeometry.BlocksPerCe + c_.ExtraBlocks);
        option_ = static_cast<std::uint8_t>(c_.Options[kOptPageOption] * 2 | c_.Options[kOptScramble]);
    }

    void Run(const std::string& programFolder);

private:
    bool ReadPage(std::uint16_t block, std::uint32_t page, std::size_t at) {
        return VA_ReadFlashPages(slot_, c_, 0, 0, block, static_cast<std::uint16_t>(page), c_.EccMode, option_,
                                 std::span(pages_).subspan(at, pageBytes_), c_.FlashGeometry.SectorsPerPage, true);
    }
    std::span<const std::uint8_t> Page() const { return std::span(pages_).first(pageBytes_); }
    bool FindLog();
    std::string SerialFolder(const std::string& root);
    bool WriteFactoryFiles(const std::string& folder);
    std::string FileOf(const std::string& folder, int die, const char* extension) const {
        return folder + Printf("%s_F%01d%01d%s", serial_.c_str(), die / 4, die % 4, extension);
    }

    int slot_;
    const StepContext& ctx_;
    const FlashConfig& c_;
    std::uint8_t ceCount_ = 0, bankCount_ = 0, option_ = 0;
    std::size_t pageBytes_ = 0;
    std::uint32_t pagesPerBlock_ = 0;
    std::uint16_t lastBlock_ = 0;
    std::vector<std::uint8_t> pages_ = std::vector<std::uint8_t>(kRdtPageBuffer, 0);

    std::uint16_t block_ = 0;
    RdtHeader header_;
    std::vector<std::uint8_t> summary_;
    std::string serial_;
    std::vector<RdtDieInfo> dies_;
    DieMap map_;
};

bool Report::FindLog() {
    for (std::uint32_t block = lastBlock_ - 1u; lastBlock_ > 0 && block >= kLowestLogBlock; --block) {
        if (!platform::SleepMs(kSettleMs)) return false;
        DebugPrint("Block:%u\n", block);
        const auto b = static_cast<std::uint16_t>(block);
        if (!ReadPage(b, 0, 0)) return false;
        if (!Begins(Page())) continue;
        header_ = ParseRdtHeader(Page());
        if (!ReadPage(b, pagesPerBlock_ - 1, 0)) return false;
        if (!Begins(Page())) continue;
        if (!ReadPage(b, header_.summaryPage, 0)) return false;
        summary_.assign(pages_.begin(), pages_.begin() + kRdtSummaryBytes);
        block_ = b;
        return true;
    }
    return false;
}

// Result folder, category folder and serial folder, each made when missing;
// empty when one cannot be made (a failed drive without a known failure
// bit has no category folder).
std::string Report::SerialFolder(const std::string& root) {
    const std::uint8_t result = summary_[kResultAt];
    const std::string resultFolder = root + (result ? "RDT_NG/" : "RDT_OK/");
    std::string category = resultFolder;
    if (result & 0x01) category += "P07/";
    else if (result & 0x02) category += "P05/";
    else if (result & 0x04) category += "P06/";
    else if (result) category.clear();
    if (!MakeFolder(resultFolder) || category.empty() || !MakeFolder(category)) return {};
    const std::string serialFolder = category + serial_ + "/";
    return MakeFolder(serialFolder) ? serialFolder : std::string();
}

// False when a factory page cannot be read: the files keep their header.
bool Report::WriteFactoryFiles(const std::string& folder) {
    std::array<File, kRdtDieSlots> files;
    for (int die = 0; die < kRdtDieSlots; ++die) {
        if (!map_.present[static_cast<std::size_t>(die)]) continue;
        auto& f = files[static_cast<std::size_t>(die)];
        f.reset(std::fopen(FileOf(folder, die, ".ms0").c_str(), "wb"));
        if (f) std::fputs(kFactoryHeader, f.get());
    }
    const std::size_t bytes = std::size_t{header_.factoryPages} * pageBytes_;
    for (std::uint32_t j = 0; j < header_.factoryPages; ++j) {
        const std::uint32_t page = std::uint32_t{header_.firstFactoryPage} + j;
        if (!ReadPage(block_, page, j * pageBytes_)) return false;
        WriteDebugDump(Printf("RDT_FACTORY_BB%2.2u.raw", page).c_str(), pages_.data(), bytes);
    }
    for (std::size_t i = 0; i < bytes; ++i) {
        const std::uint8_t v = pages_[i];
        if (v == 0) continue;
        const auto channel = static_cast<std::uint8_t>((i >> 12) & 3);
        const auto bank = static_cast<std::uint8_t>((i >> 9) & 7);
        const std::size_t record = std::size_t{channel} * bankCount_ + bank;
        if (record >= dies_.size()) continue;
        const int die = map_.DieOf(dies_[record].key);
        if (die == kNoDie || !files[static_cast<std::size_t>(die)]) continue;
        const std::uint8_t dieBank = DieBankOf(ceCount_, channel, bank);
        for (unsigned k = 0; k < 4; ++k) {
            const auto unit = static_cast<std::uint16_t>(((i * 4) & 0x7FF) + k);
            const std::string line = FactoryLine(dieBank, unit, static_cast<std::uint8_t>((v >> (2 * k)) & 3));
            std::fwrite(line.data(), 1, line.size(), files[static_cast<std::size_t>(die)].get());
        }
    }
    return true;
}

void Report::Run(const std::string& programFolder) {
    // A geometry of zeros would divide by zero or read nothing sensible.
    if (ceCount_ == 0 || pageBytes_ == 0 || pagesPerBlock_ == 0 || pageBytes_ > kRdtPageBuffer) return;
    std::uint8_t bootFlags = 0;
    // The diagnostic program is staged in the page buffer and started at address 0.
    if (!BootGdpProgram(slot_, c_, ctx_.settings, pages_, &bootFlags, 0)) return;
    const std::string root = programFolder + "RDT_Log/";
    if (!MakeFolder(root) || !FindLog()) return;
    // The factory and error pages must fit the page buffer.
    if (std::size_t{header_.factoryPages} * pageBytes_ > kRdtPageBuffer ||
        std::size_t{header_.errorPages} * pageBytes_ > kRdtPageBuffer)
        return;

    const char* text = reinterpret_cast<const char*>(&summary_[kSerialAt]);
    serial_ = PathComponentSafe(std::string_view(text, strnlen(text, kSerialBytes)));
    const std::string serialFolder = SerialFolder(root);
    if (serialFolder.empty()) return;

    if (!ReadPage(block_, header_.dieInfoPage, 0)) return;
    WriteDebugDump("DieInfo.raw", pages_.data(), pageBytes_);
    dies_ = TakeDieRecords(Page());
    std::vector<std::uint8_t> taken(dies_.size() * kRdtDieRecordBytes);
    std::copy_n(pages_.begin(), taken.size(), taken.begin());
    WriteDebugDump("DieInfo2.raw", taken.data(), taken.size());
    map_ = BuildDieMap(dies_, ceCount_);

    const std::string factoryFolder = serialFolder + "Factory/";
    if (!MakeFolder(factoryFolder)) return;
    std::fill(pages_.begin(), pages_.end(), std::uint8_t{0});
    if (!WriteFactoryFiles(factoryFolder)) return;

    const std::size_t errorBytes = std::size_t{header_.errorPages} * pageBytes_;
    for (std::uint32_t j = 0; j < header_.errorPages; ++j)
        if (!ReadPage(block_, std::uint32_t{header_.firstErrorPage} + j, j * pageBytes_)) return;
    WriteDebugDump("ErrorPage.raw", pages_.data(), errorBytes);
    const auto errors = TakeErrorRecords(std::span(pages_).first(errorBytes));
    std::vector<std::uint8_t> errorBuffer(errorBytes, 0);
    std::copy_n(pages_.begin(), errors.size() * kRdtErrorRecordBytes, errorBuffer.begin());
    WriteDebugDump("ErrorPage2.raw", errorBuffer.data(), errorBuffer.size());

    std::array<std::string, kRdtDieSlots> texts;
    std::array<bool, kRdtDieSlots> hasRecords{};
    const std::string summaryBlock = SummaryBlock(summary_);
    for (int die = 0; die < kRdtDieSlots; ++die)
        if (map_.present[static_cast<std::size_t>(die)]) texts[static_cast<std::size_t>(die)] = summaryBlock;
    for (const RdtDieInfo& d : dies_)
        if (const int die = map_.DieOf(d.key); d.key.Valid() && die != kNoDie)
            texts[static_cast<std::size_t>(die)] += DieLines(d, ceCount_);
    for (int die = 0; die < kRdtDieSlots; ++die)
        if (map_.present[static_cast<std::size_t>(die)]) texts[static_cast<std::size_t>(die)] += kRdtBadHeader;
    for (const RdtErrorRecord& e : errors) {
        const int die = map_.DieOf(e.key);
        const std::string line = die == kNoDie ? std::string() : ErrorLine(e, ceCount_);
        if (line.empty()) continue;
        texts[static_cast<std::size_t>(die)] += line;
        hasRecords[static_cast<std::size_t>(die)] = true;
    }
    if (summary_[kInheritAt] == kInheritMark)
        for (int die = 0; die < kRdtDieSlots; ++die)
            if (map_.present[static_cast<std::size_t>(die)] && !hasRecords[static_cast<std::size_t>(die)])
                texts[static_cast<std::size_t>(die)] += NotReRdtBanner();

    const std::string rdtFolder = serialFolder + "RDT/";
    if (!MakeFolder(rdtFolder)) return;
    for (int die = 0; die < kRdtDieSlots; ++die) {
        if (!map_.present[static_cast<std::size_t>(die)]) continue;
        File f(std::fopen(FileOf(rdtFolder, die, ".ms1").c_str(), "wb"));
        const std::string& t = texts[static_cast<std::size_t>(die)];
        if (f) std::fwrite(t.data(), 1, t.size(), f.get());
    }
}

}  // namespace

void ShowRDTResult(int slot, const StepContext& ctx, const std::string& programFolder) {
    Report(slot, ctx).Run(programFolder);
}

}  // namespace qx::station
