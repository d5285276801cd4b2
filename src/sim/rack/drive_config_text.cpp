#include "sim/rack/drive_config_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>
#include <sstream>
#include <variant>

#include "sim/config/drive_limits.h"

namespace qx::sim {
namespace {

// --- numbers, byte lists, enums as text -------------------------------------

std::optional<long long> ParseInt(std::string_view s) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    long long v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

std::string Hex(long long v) {
    char b[24];
    std::snprintf(b, sizeof b, "0x%llX", v);
    return b;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char b[4];
    for (auto v : bytes) {
        std::snprintf(b, sizeof b, "%02X", v);
        out += b;
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view s) {
    if (s.size() % 2) return std::nullopt;
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < s.size(); i += 2) {
        unsigned v = 0;
        const auto [p, ec] = std::from_chars(s.data() + i, s.data() + i + 2, v, 16);
        if (ec != std::errc() || p != s.data() + i + 2) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

template <typename E>
struct EnumName {
    E value;
    const char* name;
};

constexpr EnumName<FrontEnd> kFrontEnds[] = {{FrontEnd::Bridge, "bridge"}, {FrontEnd::NativeUsb, "usb"}};
constexpr EnumName<SenseFormat> kSenseFormats[] = {{SenseFormat::Descriptor, "descriptor"},
                                                   {SenseFormat::Fixed, "fixed"},
                                                   {SenseFormat::FixedLibata, "fixed-libata"}};
constexpr EnumName<ControllerState> kStates[] = {{ControllerState::Loader, "loader"},
                                                  {ControllerState::DownloadReady, "download-ready"},
                                                  {ControllerState::ProgramRunning, "program"},
                                                  {ControllerState::Firmware, "firmware"}};
constexpr EnumName<GpioStraps> kStraps[] = {
    {GpioStraps::FullBank, "full-bank"}, {GpioStraps::SingleBank, "single-bank"}, {GpioStraps::Broken, "broken"}};
constexpr EnumName<ProgramKind> kPrograms[] = {
    {ProgramKind::None, "none"}, {ProgramKind::Diagnostic, "diagnostic"}, {ProgramKind::Test, "test"}};
constexpr EnumName<FaultKind> kKinds[] = {{FaultKind::OpenFails, "open"},       {FaultKind::SyscallFails, "syscall"},
                                          {FaultKind::CheckCondition, "check"}, {FaultKind::AtaError, "ata"},
                                          {FaultKind::Latency, "latency"},      {FaultKind::Hang, "hang"}};

template <typename E, std::size_t N>
std::string NameOf(const EnumName<E> (&table)[N], E v) {
    for (const auto& e : table)
        if (e.value == v) return e.name;
    return "?";
}

template <typename E, std::size_t N>
std::optional<E> ValueOf(const EnumName<E> (&table)[N], std::string_view name) {
    for (const auto& e : table)
        if (name == e.name) return e.value;
    return std::nullopt;
}

// --- the field table ----------------------------------------------------------

using Member = std::variant<std::string DriveConfig::*, std::uint64_t DriveConfig::*, std::uint16_t DriveConfig::*,
                            std::uint8_t DriveConfig::*, int DriveConfig::*, bool DriveConfig::*,
                            FrontEnd DriveConfig::*, SenseFormat DriveConfig::*, ControllerState DriveConfig::*, GpioStraps DriveConfig::*,
                            ProgramKind DriveConfig::*, std::vector<std::uint8_t> DriveConfig::*,
                            std::set<std::uint16_t> DriveConfig::*, std::vector<std::uint16_t> DriveConfig::*,
                            std::set<std::pair<std::uint16_t, std::uint16_t>> DriveConfig::*,
                            std::set<std::array<std::uint16_t, 3>> DriveConfig::*,
                            std::set<std::array<std::uint16_t, 4>> DriveConfig::*,
                            std::vector<std::array<std::uint64_t, 4>> DriveConfig::*,
                            std::array<std::uint32_t, 8> DriveConfig::*>;

struct Field {
    const char* key;
    Member member;
};

const Field kFields[] = {
    {"frontEnd", &DriveConfig::frontEnd},
    {"chipTag", &DriveConfig::chipTag},
    {"inquiryVendor", &DriveConfig::inquiryVendor},
    {"inquiryProduct", &DriveConfig::inquiryProduct},
    {"inquiryRevision", &DriveConfig::inquiryRevision},
    {"senseFormat", &DriveConfig::senseFormat},
    {"capacitySectors", &DriveConfig::capacitySectors},
    {"model", &DriveConfig::model},
    {"serial", &DriveConfig::serial},
    {"firmwareRevision", &DriveConfig::firmwareRevision},
    {"loaderModel", &DriveConfig::loaderModel},
    {"sataSpeedBits", &DriveConfig::sataSpeedBits},
    {"rotationRate", &DriveConfig::rotationRate},
    {"state", &DriveConfig::state},
    {"vendorMode", &DriveConfig::vendorMode},
    {"program", &DriveConfig::program},
    {"channels", &DriveConfig::channels},
    {"ces", &DriveConfig::ces},
    {"blocksPerCe", &DriveConfig::blocksPerCe},
    {"pagesPerBlock", &DriveConfig::pagesPerBlock},
    {"sectorsPerPage", &DriveConfig::sectorsPerPage},
    {"flashId", &DriveConfig::flashId},
    {"partNumber", &DriveConfig::partNumber},
    {"badBlocks", &DriveConfig::badBlocks},
    {"failingCes", &DriveConfig::failingCes},
    {"uncorrectablePages", &DriveConfig::uncorrectablePages},
    {"uncorrectableChannelPages", &DriveConfig::uncorrectableChannelPages},
    {"eraseCountBase", &DriveConfig::eraseCountBase},
    {"laterBadBlocks", &DriveConfig::laterBadBlocks},
    {"smartAttributes", &DriveConfig::smartAttributes},
    {"uartLog", &DriveConfig::uartLog},
    {"spiLog", &DriveConfig::spiLog},
    {"dramLayout", &DriveConfig::dramLayout},
    {"codeBlocks", &DriveConfig::codeBlocks},
    {"binFiles", &DriveConfig::binFiles},
    {"infoHeader", &DriveConfig::infoHeader},
    {"infoSequence", &DriveConfig::infoSequence},
    {"badScanBlock", &DriveConfig::badScanBlock},
    {"dramBytes", &DriveConfig::dramBytes},
    {"dramStatus", &DriveConfig::dramStatus},
    {"busStuckBits", &DriveConfig::busStuckBits},
    {"straps", &DriveConfig::straps},
    {"busyPolls", &DriveConfig::busyPolls},
    {"actionStatus", &DriveConfig::actionStatus},
    {"bootDelayMs", &DriveConfig::bootDelayMs},
    {"neverBoots", &DriveConfig::neverBoots},
    {"bootsWithoutSignature", &DriveConfig::bootsWithoutSignature},
    {"systemModel", &DriveConfig::systemModel},
    {"systemVersion", &DriveConfig::systemVersion},
    {"systemVariant", &DriveConfig::systemVariant},
    {"rdtBlock", &DriveConfig::rdtBlock},
    {"rdtPages", &DriveConfig::rdtPages},
    {"rdtSummary", &DriveConfig::rdtSummary},
    {"rdtDieInfo", &DriveConfig::rdtDieInfo},
    {"rdtFactory", &DriveConfig::rdtFactory},
    {"rdtErrors", &DriveConfig::rdtErrors},
    {"rdtEndMarkers", &DriveConfig::rdtEndMarkers},
    {"volume", &DriveConfig::volume},
    {"volumeMounted", &DriveConfig::volumeMounted},
    {"volumeUsedBytes", &DriveConfig::volumeUsedBytes},
    {"volumeLockFailures", &DriveConfig::volumeLockFailures},
};

struct ToText {
    const DriveConfig& c;
    std::string operator()(std::string DriveConfig::*m) const { return EscapeBytes(c.*m); }
    std::string operator()(std::uint64_t DriveConfig::*m) const { return std::to_string(c.*m); }
    std::string operator()(std::uint16_t DriveConfig::*m) const { return std::to_string(c.*m); }
    std::string operator()(std::uint8_t DriveConfig::*m) const { return Hex(c.*m); }
    std::string operator()(int DriveConfig::*m) const { return std::to_string(c.*m); }
    std::string operator()(bool DriveConfig::*m) const { return c.*m ? "1" : "0"; }
    std::string operator()(FrontEnd DriveConfig::*m) const { return NameOf(kFrontEnds, c.*m); }
    std::string operator()(SenseFormat DriveConfig::*m) const { return NameOf(kSenseFormats, c.*m); }
    std::string operator()(ControllerState DriveConfig::*m) const { return NameOf(kStates, c.*m); }
    std::string operator()(GpioStraps DriveConfig::*m) const { return NameOf(kStraps, c.*m); }
    std::string operator()(ProgramKind DriveConfig::*m) const { return NameOf(kPrograms, c.*m); }
    std::string operator()(std::vector<std::uint8_t> DriveConfig::*m) const { return HexBytes(c.*m); }
    std::string operator()(std::set<std::pair<std::uint16_t, std::uint16_t>> DriveConfig::*m) const {
        std::string out;
        for (const auto& [a, b] : c.*m) out += (out.empty() ? "" : " ") + std::to_string(a) + "." + std::to_string(b);
        return out;
    }
    template <typename T, std::size_t N>
    static std::string Dotted(const std::array<T, N>& v) {
        std::string out;
        for (std::size_t i = 0; i < N; ++i) out += (i ? "." : "") + std::to_string(v[i]);
        return out;
    }
    std::string operator()(std::array<std::uint32_t, 8> DriveConfig::*m) const {
        std::string out;
        for (const std::uint32_t v : c.*m) out += (out.empty() ? "" : " ") + Hex(v);
        return out;
    }
    template <template <typename...> class List, typename T, std::size_t N, typename... Rest>
    std::string operator()(List<std::array<T, N>, Rest...> DriveConfig::*m) const {
        std::string out;
        for (const auto& v : c.*m) out += (out.empty() ? "" : " ") + Dotted(v);
        return out;
    }
    template <typename List>
    std::string operator()(List DriveConfig::*m) const {   // lists of block numbers
        std::string out;
        for (auto b : c.*m) out += (out.empty() ? "" : " ") + std::to_string(b);
        return out;
    }
};

template <typename T>
bool SetInt(T& out, std::string_view s) {
    const auto v = ParseInt(s);
    if (!v || !std::in_range<T>(*v)) return false;
    out = static_cast<T>(*v);
    return true;
}

// Words of N numbers joined by dots ("2.1 3.1"), each handed to take.
template <std::size_t N, typename T = std::uint16_t, typename Take>
bool EachDotted(std::string_view text, Take take) {
    std::istringstream in{std::string(text)};
    std::string word;
    while (in >> word) {
        std::array<T, N> v{};
        std::string_view rest = word;
        for (std::size_t i = 0; i < N; ++i) {
            const std::size_t dot = i + 1 < N ? rest.find('.') : rest.size();
            if (dot == std::string_view::npos || !SetInt(v[i], rest.substr(0, dot))) return false;
            rest.remove_prefix(std::min(rest.size(), dot + 1));
        }
        if (word.back() == '.') return false;
        take(v);
    }
    return true;
}

struct FromText {
    DriveConfig& c;
    std::string_view s;
    bool operator()(std::string DriveConfig::*m) const { c.*m = UnescapeBytes(s); return true; }
    bool operator()(std::uint64_t DriveConfig::*m) const { return SetInt(c.*m, s); }
    bool operator()(std::uint16_t DriveConfig::*m) const { return SetInt(c.*m, s); }
    bool operator()(std::uint8_t DriveConfig::*m) const { return SetInt(c.*m, s); }
    bool operator()(int DriveConfig::*m) const { return SetInt(c.*m, s); }
    bool operator()(bool DriveConfig::*m) const {
        if (s != "0" && s != "1") return false;
        c.*m = s == "1";
        return true;
    }
    template <typename E, std::size_t N>
    bool SetEnum(E& out, const EnumName<E> (&table)[N]) const {
        const auto v = ValueOf(table, s);
        if (v) out = *v;
        return v.has_value();
    }
    bool operator()(FrontEnd DriveConfig::*m) const { return SetEnum(c.*m, kFrontEnds); }
    bool operator()(SenseFormat DriveConfig::*m) const { return SetEnum(c.*m, kSenseFormats); }
    bool operator()(ControllerState DriveConfig::*m) const { return SetEnum(c.*m, kStates); }
    bool operator()(GpioStraps DriveConfig::*m) const { return SetEnum(c.*m, kStraps); }
    bool operator()(ProgramKind DriveConfig::*m) const { return SetEnum(c.*m, kPrograms); }
    bool operator()(std::vector<std::uint8_t> DriveConfig::*m) const {
        auto v = ParseHexBytes(s);
        if (v) c.*m = std::move(*v);
        return v.has_value();
    }
    bool operator()(std::set<std::pair<std::uint16_t, std::uint16_t>> DriveConfig::*m) const {
        std::set<std::pair<std::uint16_t, std::uint16_t>> out;
        const bool ok = EachDotted<2>(s, [&](const std::array<std::uint16_t, 2>& v) { out.insert({v[0], v[1]}); });
        if (ok) c.*m = std::move(out);
        return ok;
    }
    bool operator()(std::array<std::uint32_t, 8> DriveConfig::*m) const {
        std::array<std::uint32_t, 8> out{};
        std::istringstream in{std::string(s)};
        std::string word;
        std::size_t n = 0;
        while (in >> word)
            if (n == out.size() || !SetInt(out[n++], word)) return false;
        if (n != out.size()) return false;
        c.*m = out;
        return true;
    }
    // Sets and lists of dotted tuples.
    template <template <typename...> class List, typename T, std::size_t N, typename... Rest>
    bool operator()(List<std::array<T, N>, Rest...> DriveConfig::*m) const {
        List<std::array<T, N>, Rest...> out;
        const bool ok = EachDotted<N, T>(s, [&](const std::array<T, N>& v) { out.insert(out.end(), v); });
        if (ok) c.*m = std::move(out);
        return ok;
    }
    template <typename List>
    bool operator()(List DriveConfig::*m) const {   // lists of block numbers
        List out;
        std::istringstream in{std::string(s)};
        std::string word;
        while (in >> word) {
            std::uint16_t b = 0;
            if (!SetInt(b, word)) return false;
            out.insert(out.end(), b);
        }
        c.*m = std::move(out);
        return true;
    }
};

}  // namespace

void ConfigToIni(const DriveConfig& cfg, IniSection& out) {
    for (const Field& f : kFields) out.values.emplace_back(f.key, std::visit(ToText{cfg}, f.member));
}

bool IsDriveConfigKey(std::string_view key) {
    for (const Field& f : kFields)
        if (key == f.key) return true;
    return false;
}

bool ConfigFromIni(const IniSection& in, DriveConfig& cfg, std::string* error) {
    for (const Field& f : kFields) {
        const std::string* v = in.Find(f.key);
        if (v && !std::visit(FromText{cfg, *v}, f.member)) {
            if (error) *error = "[" + in.name + "] " + f.key + ": bad value \"" + *v + "\"";
            return false;
        }
    }
    // Each value parsed; now whether a drive of this family can have them.
    if (const auto broken = CheckDriveLimits(cfg)) {
        const std::string* v = in.Find(broken->key);
        if (error) *error = "[" + in.name + "] " + broken->key + (v ? "=" + *v : "") + ": " + broken->why;
        return false;
    }
    return true;
}

std::string FaultToText(const FaultRule& r) {
    std::string out = NameOf(kKinds, r.kind);
    if (r.opcode) out += " opcode=" + Hex(*r.opcode);
    if (r.vendorSub) out += " sub=" + Hex(*r.vendorSub);
    out += " skip=" + std::to_string(r.skip) + " count=" + std::to_string(r.count) +
           " errno=" + std::to_string(r.errorCode) + " ata=" + Hex(r.ataError) + " ms=" + std::to_string(r.latencyMs);
    if (!r.sense.empty()) out += " sense=" + HexBytes(r.sense);
    return out;
}

std::optional<FaultRule> FaultFromText(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::string word;
    if (!(in >> word)) return std::nullopt;
    const auto kind = ValueOf(kKinds, word);
    if (!kind) return std::nullopt;
    FaultRule r = FaultRule::Of(*kind);
    while (in >> word) {
        const std::size_t eq = word.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const std::string key = word.substr(0, eq);
        const std::string_view value = std::string_view(word).substr(eq + 1);
        std::uint8_t byte = 0;
        bool ok = true;
        if (key == "opcode") {
            ok = SetInt(byte, value);
            r.opcode = byte;
        } else if (key == "sub") {
            ok = SetInt(byte, value);
            r.vendorSub = byte;
        } else if (key == "skip") ok = SetInt(r.skip, value);
        else if (key == "count") ok = SetInt(r.count, value);
        else if (key == "errno") ok = SetInt(r.errorCode, value);
        else if (key == "ata") ok = SetInt(r.ataError, value);
        else if (key == "ms") ok = SetInt(r.latencyMs, value);
        else if (key == "sense") {
            auto v = ParseHexBytes(value);
            ok = v.has_value();
            if (ok) r.sense = std::move(*v);
        } else {
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    return r;
}

}  // namespace qx::sim
