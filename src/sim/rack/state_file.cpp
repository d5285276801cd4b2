#include "sim/rack/state_file.h"

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "sim/model/drive_model.h"
#include "sim/model/sim_firmware_image.h"

namespace qx::sim {
namespace {

// Version 2 keeps each distinct page content once (a produced drive's
// thousands of pages hold a few dozen contents); version 1 files, one record
// per page with its bytes, are still read.
constexpr char kMagic[8] = {'Q', 'X', 'D', 'R', 'I', 'V', 'E', '2'};
constexpr char kMagicV1[8] = {'Q', 'X', 'D', 'R', 'I', 'V', 'E', '1'};

// Record tags.
enum Tag : std::uint8_t {
    kMode = 'M',        // state, vendor mode, max LBA, SMART enabled, program status
    kUserSector = 'S',  // LBA, 512 bytes
    kLogPage = 'L',     // key, 512 bytes
    kRegister = 'R',    // address, value
    kNandPage = 'N',    // page key, length, bytes (version 1)
    kContent = 'P',     // content number, length, bytes (numbered from 0 in order)
    kNandRef = 'n',     // page key, content number
    kEraseCount = 'E',  // block key, count
    kCodeRam = 'C',     // length, bytes
};

// Builds the whole file in memory: it goes to the disk in one write.
class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    void U8(std::uint8_t v) { out_.push_back(v); }
    void U32(std::uint32_t v) { Le(v, 4); }
    void U64(std::uint64_t v) { Le(v, 8); }
    void Bytes(const std::uint8_t* p, std::size_t n) { out_.insert(out_.end(), p, p + n); }

private:
    void Le(std::uint64_t v, int n) {
        std::uint8_t b[8];
        for (int i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
        Bytes(b, static_cast<std::size_t>(n));
    }
    std::vector<std::uint8_t>& out_;
};

// Reads the file a buffer at a time: a state file runs to tens of
// megabytes, and a damaged one may claim far more than it holds, so nothing
// is allocated from what the file says before the bytes are there.
class Reader {
public:
    explicit Reader(std::FILE* file) : file_(file) {}
    bool More() {
        Fill(1);
        return pos_ < end_;
    }
    bool Ok() const { return ok_; }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Le(1)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Le(4)); }
    std::uint64_t U64() { return Le(8); }
    // An empty record body has no buffer to copy into (an empty vector's
    // data() may be null), and needs none.
    void Bytes(std::uint8_t* p, std::size_t n) {
        while (n > 0 && Need(1)) {
            const std::size_t take = std::min(n, end_ - pos_);
            std::memcpy(p, buffer_.data() + pos_, take);
            pos_ += take;
            p += take;
            n -= take;
        }
    }

private:
    static constexpr std::size_t kChunk = 1 << 20;
    // Tops the buffer up to at least n unread bytes (n is at most 8 here,
    // or 1 from Bytes); short of them at the end of the file: truncated.
    void Fill(std::size_t n) {
        if (end_ - pos_ >= n) return;
        if (buffer_.empty()) buffer_.resize(kChunk);
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (end_ < n) {
            const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
            end_ += got;
            if (got == 0) break;
        }
    }
    bool Need(std::size_t n) {
        if (ok_) Fill(n);
        if (end_ - pos_ < n) ok_ = false;
        return ok_;
    }
    std::uint64_t Le(std::size_t n) {
        if (!Need(n)) return 0;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(buffer_[pos_ + i]) << (8 * i);
        pos_ += n;
        return v;
    }
    std::FILE* file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool ok_ = true;
};

void WriteRecords(const DriveModel& m, Writer& w) {
    w.U8(kMode);
    w.U8(static_cast<std::uint8_t>(m.state));
    w.U8(m.vendorMode ? 1 : 0);
    w.U64(m.maxLba);
    w.U8(m.smartEnabled ? 1 : 0);
    w.U8(m.programStatus);
    w.U8(static_cast<std::uint8_t>(m.program));
    for (const auto& [lba, sector] : m.sectors.Stored()) {
        w.U8(kUserSector);
        w.U64(lba);
        w.Bytes(sector.data(), sector.size());
    }
    for (const auto& [key, page] : m.logPages) {
        w.U8(kLogPage);
        w.U32(key);
        w.Bytes(page.data(), page.size());
    }
    for (const auto& [address, value] : m.registers.Values()) {
        w.U8(kRegister);
        w.U32(address);
        w.U8(value);
    }
    // Each content once, numbered by first use; then every page by number.
    std::unordered_map<const std::uint8_t*, std::uint32_t> numberOf;
    for (const auto& [key, page] : m.nand.Pages()) {
        const auto [at, fresh] = numberOf.try_emplace(page.data(), static_cast<std::uint32_t>(numberOf.size()));
        if (!fresh) continue;
        w.U8(kContent);
        w.U32(at->second);
        w.U32(static_cast<std::uint32_t>(page.size()));
        w.Bytes(page.data(), page.size());
    }
    for (const auto& [key, page] : m.nand.Pages()) {
        w.U8(kNandRef);
        w.U64(key);
        w.U32(numberOf.at(page.data()));
    }
    for (const auto& [key, count] : m.eraseCounts) {
        w.U8(kEraseCount);
        w.U64(key);
        w.U32(count);
    }
    if (!m.codeRam.empty()) {
        w.U8(kCodeRam);
        w.U32(static_cast<std::uint32_t>(m.codeRam.size()));
        w.Bytes(m.codeRam.data(), m.codeRam.size());
    }
}

// Why a record does not fit the drive its rack section describes; nullptr
// when it does.
using Refusal = const char*;
constexpr Refusal kFits = nullptr;
constexpr Refusal kLongerPage = "holds a flash page longer than the described pages (sectorsPerPage)";
constexpr Refusal kOutsideFlash =
    "holds a flash page outside the described geometry (channels, ces, blocksPerCe, pagesPerBlock)";

// A length read from the file, refused beyond what the drive can hold.
Refusal ReadBlob(Reader& r, std::size_t limit, std::vector<std::uint8_t>& out, Refusal tooLong) {
    const std::uint32_t n = r.U32();
    if (!r.Ok()) return kFits;   // cut short: the caller says so
    if (n > limit) return tooLong;
    out.resize(n);
    r.Bytes(out.data(), n);
    return kFits;
}

bool InGeometry(const DriveConfig& c, std::uint64_t key) {
    const NandAddress a = NandAddress::FromKey(key);
    return a.Key() == key && a.channel < c.channels && a.ce < c.ces && a.block < c.blocksPerCe &&
           a.page < c.pagesPerBlock;
}

// What the records read so far leave for the end of the file.
struct Loading {
    std::map<std::uint32_t, std::uint8_t> registers;
    std::vector<std::vector<std::uint8_t>> contents;
};

Refusal ReadMode(DriveModel& m, Reader& r) {
    const std::uint8_t state = r.U8();
    if (state > static_cast<std::uint8_t>(ControllerState::Firmware)) return "holds a controller state no drive has";
    m.state = static_cast<ControllerState>(state);
    m.vendorMode = r.U8() != 0;
    m.maxLba = r.U64();
    if (m.maxLba >= m.cfg.capacitySectors) return "holds a last LBA past the described capacity (capacitySectors)";
    m.smartEnabled = r.U8() != 0;
    m.programStatus = r.U8();
    const std::uint8_t program = r.U8();
    if (program > static_cast<std::uint8_t>(ProgramKind::Test)) return "holds a program kind no drive runs";
    m.program = static_cast<ProgramKind>(program);
    // The file holds the whole flash: what it lacks is erased.
    m.nand.Clear();
    m.eraseCounts.clear();
    return kFits;
}

Refusal ReadRecord(DriveModel& m, Reader& r, Loading& loading) {
    Sector sector{};
    switch (r.U8()) {
        case kMode: return ReadMode(m, r);
        case kUserSector: {
            const std::uint64_t lba = r.U64();
            if (lba >= m.cfg.capacitySectors) return "holds a user sector past the described capacity (capacitySectors)";
            r.Bytes(sector.data(), sector.size());
            m.sectors.Write(lba, sector);
            return kFits;
        }
        case kLogPage: {
            const std::uint32_t key = r.U32();
            r.Bytes(m.logPages[key].data(), kSectorSize);
            return kFits;
        }
        case kRegister: {
            const std::uint32_t address = r.U32();
            loading.registers[address] = r.U8();
            return kFits;
        }
        case kNandPage: {
            const std::uint64_t key = r.U64();
            if (!InGeometry(m.cfg, key)) return kOutsideFlash;
            std::vector<std::uint8_t> page;
            if (const Refusal why = ReadBlob(r, m.nand.PageBytes(), page, kLongerPage)) return why;
            m.nand.Program(NandAddress::FromKey(key), page);
            return kFits;
        }
        case kContent: {
            // Numbered in order: a number out of step is a damaged file.
            if (r.U32() != loading.contents.size()) return "damaged (page contents out of order)";
            return ReadBlob(r, m.nand.PageBytes(), loading.contents.emplace_back(), kLongerPage);
        }
        case kNandRef: {
            const std::uint64_t key = r.U64();
            const std::uint32_t number = r.U32();
            if (!InGeometry(m.cfg, key)) return kOutsideFlash;
            if (number >= loading.contents.size()) return "damaged (a page naming content the file has not given)";
            m.nand.Program(NandAddress::FromKey(key), loading.contents[number]);
            return kFits;
        }
        case kEraseCount: {
            const std::uint64_t key = r.U64();
            if (!InGeometry(m.cfg, key)) return "holds an erase count of a block outside the described geometry";
            m.eraseCounts[key] = r.U32();
            return kFits;
        }
        case kCodeRam: return ReadBlob(r, kCodeRamBytes, m.codeRam, "holds more code RAM than the controller has");
        default: return "damaged (a record of no known kind)";
    }
}

std::uint64_t Times(std::uint64_t a, std::uint64_t b) {
    std::uint64_t out = 0;
    return __builtin_mul_overflow(a, b, &out) ? UINT64_MAX : out;
}

std::uint64_t Plus(std::uint64_t a, std::uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

// The most a state file of this drive can hold: every user sector, every
// host log page, every flash page with its own content and reference, an
// erase count per block and the code RAM, with room for the registers. A
// larger file is not this drive's.
std::uint64_t LargestStateFile(const DriveModel& m) {
    const DriveConfig& c = m.cfg;
    constexpr std::uint64_t kLogPages = 32 * 16, kRegisters = 1 << 16;
    const std::uint64_t blocks = Times(Times(c.channels, c.ces), c.blocksPerCe);
    const std::uint64_t pages = Times(blocks, c.pagesPerBlock);
    std::uint64_t bytes = sizeof kMagic + 1 + 14;
    bytes = Plus(bytes, Times(c.capacitySectors, 1 + 8 + kSectorSize));
    bytes = Plus(bytes, kLogPages * (1 + 4 + kSectorSize));
    bytes = Plus(bytes, kRegisters * (1 + 4 + 1));
    bytes = Plus(bytes, Times(pages, Plus(1 + 4 + 4 + 1 + 8 + 4, m.nand.PageBytes())));
    bytes = Plus(bytes, Times(blocks, 1 + 8 + 4));
    return Plus(bytes, 1 + 4 + kCodeRamBytes);
}

bool Refuse(std::string* error, const std::string& file, const std::string& why) {
    if (error) *error = "drive state " + file + ": " + why;
    return false;
}

bool ReadState(DriveModel& m, std::FILE* f, const std::string& file, std::string* error) {
    char magic[sizeof kMagic] = {};
    if (std::fread(magic, 1, sizeof magic, f) != sizeof magic ||
        (std::memcmp(magic, kMagic, sizeof kMagic) != 0 && std::memcmp(magic, kMagicV1, sizeof kMagic) != 0))
        return Refuse(error, file, "not a drive state file");
    Reader r(f);
    Loading loading;
    while (r.More()) {
        const Refusal why = ReadRecord(m, r, loading);
        if (!r.Ok()) return Refuse(error, file, std::ferror(f) ? "a read error" : "truncated (a record is cut short)");
        if (why) return Refuse(error, file, why);
    }
    if (std::ferror(f)) return Refuse(error, file, "a read error");
    if (!loading.registers.empty()) m.registers.Restore(std::move(loading.registers));
    return true;
}

}  // namespace

std::vector<std::uint8_t> DriveStateBytes(const DriveModel& m) {
    std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
    Writer w(out);
    WriteRecords(m, w);
    return out;
}

bool WriteDriveState(const std::vector<std::uint8_t>& bytes, const std::string& file, std::string* error) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
    }
    if (!out && error) *error = "cannot write " + file;
    return static_cast<bool>(out);
}

bool SaveDriveState(const DriveModel& m, const std::string& file, std::string* error) {
    return WriteDriveState(DriveStateBytes(m), file, error);
}

bool LoadDriveState(DriveModel& m, const std::string& file, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return Refuse(error, file, "not a regular file");
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec) return Refuse(error, file, "cannot be read");
    const std::uint64_t largest = LargestStateFile(m);
    if (size > largest)
        return Refuse(error, file,
                      std::to_string(size) + " bytes, more than the described drive can hold (" +
                          std::to_string(largest) + ")");
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!f) return Refuse(error, file, "cannot be read");
    try {
        if (!ReadState(m, f.get(), file, error)) return false;
    } catch (const std::exception& e) {   // memory runs out on a file the size bound let through
        return Refuse(error, file, std::string("cannot be loaded: ") + e.what());
    }
    // A drive saved in its firmware powers up in it again, running the
    // system image its flash holds: it answers with the identity the
    // station downloaded, not the one it was described with.
    if (m.state == ControllerState::Firmware) LoadSystemImage(m);
    return true;
}

}  // namespace qx::sim
