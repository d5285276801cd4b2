#include "sim/rack/state_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
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

class Reader {
public:
    explicit Reader(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
    bool More() const { return pos_ < data_.size(); }
    bool Ok() const { return ok_; }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Le(1)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Le(4)); }
    std::uint64_t U64() { return Le(8); }
    // An empty record body has no buffer to copy into (an empty vector's
    // data() may be null), and needs none.
    void Bytes(std::uint8_t* p, std::size_t n) {
        if (n == 0 || !Need(n)) return;
        std::memcpy(p, data_.data() + pos_, n);
        pos_ += n;
    }

private:
    bool Need(std::size_t n) {
        if (pos_ + n > data_.size()) ok_ = false;
        return ok_;
    }
    std::uint64_t Le(std::size_t n) {
        if (!Need(n)) return 0;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(data_[pos_ + i]) << (8 * i);
        pos_ += n;
        return v;
    }
    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
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

// A length read from the file, refused beyond what the drive can hold.
bool ReadBlob(Reader& r, std::size_t limit, std::vector<std::uint8_t>& out) {
    const std::uint32_t n = r.U32();
    if (!r.Ok() || n > limit) return false;
    out.resize(n);
    r.Bytes(out.data(), n);
    return true;
}

// What the records read so far leave for the end of the file.
struct Loading {
    std::map<std::uint32_t, std::uint8_t> registers;
    std::vector<std::vector<std::uint8_t>> contents;
};

bool ReadRecord(DriveModel& m, Reader& r, Loading& loading) {
    Sector sector{};
    switch (r.U8()) {
        case kMode: {
            const std::uint8_t state = r.U8();
            if (state > static_cast<std::uint8_t>(ControllerState::Firmware)) return false;
            m.state = static_cast<ControllerState>(state);
            m.vendorMode = r.U8() != 0;
            m.maxLba = r.U64();
            m.smartEnabled = r.U8() != 0;
            m.programStatus = r.U8();
            const std::uint8_t program = r.U8();
            if (program > static_cast<std::uint8_t>(ProgramKind::Test)) return false;
            m.program = static_cast<ProgramKind>(program);
            // The file holds the whole flash: what it lacks is erased.
            m.nand.Clear();
            m.eraseCounts.clear();
            return true;
        }
        case kUserSector: {
            const std::uint64_t lba = r.U64();
            r.Bytes(sector.data(), sector.size());
            m.sectors.Write(lba, sector);
            return true;
        }
        case kLogPage: {
            const std::uint32_t key = r.U32();
            r.Bytes(m.logPages[key].data(), kSectorSize);
            return true;
        }
        case kRegister: {
            const std::uint32_t address = r.U32();
            loading.registers[address] = r.U8();
            return true;
        }
        case kNandPage: {
            const std::uint64_t key = r.U64();
            std::vector<std::uint8_t> page;
            if (!ReadBlob(r, m.nand.PageBytes(), page)) return false;
            m.nand.Program(NandAddress::FromKey(key), page);
            return true;
        }
        case kContent: {
            // Numbered in order: a number out of step is a damaged file.
            if (r.U32() != loading.contents.size()) return false;
            return ReadBlob(r, m.nand.PageBytes(), loading.contents.emplace_back());
        }
        case kNandRef: {
            const std::uint64_t key = r.U64();
            const std::uint32_t number = r.U32();
            if (number >= loading.contents.size()) return false;
            m.nand.Program(NandAddress::FromKey(key), loading.contents[number]);
            return true;
        }
        case kEraseCount: {
            const std::uint64_t key = r.U64();
            m.eraseCounts[key] = r.U32();
            return true;
        }
        case kCodeRam: return ReadBlob(r, kCodeRamBytes, m.codeRam);
        default: return false;
    }
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
    // One read of the whole file: a produced drive's state runs to tens of
    // megabytes, too many to take a byte at a time.
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> data;
    if (in.is_open()) {
        data.resize(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
        if (!in) data.clear();
    }
    if (!in.is_open() || data.size() < sizeof kMagic ||
        (std::memcmp(data.data(), kMagic, sizeof kMagic) != 0 && std::memcmp(data.data(), kMagicV1, sizeof kMagic) != 0)) {
        if (error) *error = "not a drive state file: " + file;
        return false;
    }
    data.erase(data.begin(), data.begin() + sizeof kMagic);
    Reader r(std::move(data));
    Loading loading;
    bool ok = true;
    while (ok && r.More()) ok = ReadRecord(m, r, loading) && r.Ok();
    if (!ok) {
        if (error) *error = "damaged drive state file: " + file;
        return false;
    }
    if (!loading.registers.empty()) m.registers.Restore(std::move(loading.registers));
    // A drive saved in its firmware powers up in it again, running the
    // system image its flash holds: it answers with the identity the
    // station downloaded, not the one it was described with.
    if (m.state == ControllerState::Firmware) LoadSystemImage(m);
    return true;
}

}  // namespace qx::sim
