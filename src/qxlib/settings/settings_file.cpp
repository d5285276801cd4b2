#include "qxlib/settings/settings_file.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/ini_engine.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/settings_keys.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/base/switches.h"

namespace qx {
namespace {

constexpr std::uint32_t kMsPerMinute = 60000;
constexpr std::uint32_t kZeroTimeOutMs = 5 * kMsPerMinute;
// The watchdog takes the time-out as a signed millisecond count; larger minute
// values would wrap it.
constexpr std::int32_t kMaxTimeOutMinutes = std::numeric_limits<std::int32_t>::max() / kMsPerMinute;

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

std::uint32_t LoadedValue(LoadRule rule, std::int32_t raw) {
    const auto low8 = static_cast<std::uint8_t>(raw);
    switch (rule) {
    case LoadRule::Minutes:
        if (raw <= 0) return kZeroTimeOutMs;
        return static_cast<std::uint32_t>(std::min(raw, kMaxTimeOutMinutes)) * kMsPerMinute;
    case LoadRule::AtMost20:
        return std::min<std::uint8_t>(low8, 20);
    case LoadRule::ZeroAbove3:
        return low8 > 3 ? 0 : low8;
    default:
        return static_cast<std::uint32_t>(raw);
    }
}

std::uint64_t SavedValue(LoadRule rule, std::uint64_t stored) {
    return rule == LoadRule::Minutes ? stored / kMsPerMinute : stored;
}

// The value of an integer field (texts count as 0).
std::uint64_t FieldValue(const SettingsField& field) {
    return std::visit(Overloaded{
                          [](std::span<char>) -> std::uint64_t { return 0; },
                          [](std::atomic<std::uint8_t>* p) -> std::uint64_t { return p->load(); },
                          [](std::atomic<bool>* p) -> std::uint64_t { return p->load() ? 1 : 0; },
                          [](auto* p) -> std::uint64_t { return *p; },
                      },
                      field);
}

void StoreInt(const SettingsField& field, std::uint32_t value) {
    std::visit(Overloaded{
                   [](std::span<char>) {},
                   [](std::uint64_t*) {},
                   [value](std::atomic<std::uint8_t>* p) { p->store(static_cast<std::uint8_t>(value)); },
                   [value](std::atomic<bool>* p) { p->store(static_cast<std::uint8_t>(value) != 0); },
                   [value](auto* p) { *p = static_cast<std::remove_pointer_t<decltype(p)>>(value); },
               },
               field);
}

bool FlagSet(SettingsTargets& targets, const SettingsKey& entry) {
    const SettingsKey* flag = entry.FlagKey ? FindSettingsKeyByName(entry.FlagKey) : nullptr;
    return flag && FieldValue(flag->Field(targets, 0)) != 0;
}

void LoadKey(const IniText& ini, const SettingsKey& entry, const std::string& name, const SettingsField& field) {
    if (auto* text = std::get_if<std::span<char>>(&field)) {
        CopyFixedText(*text, ini.IniGetString(entry.Section, name, entry.TextDefault));
    } else if (auto* wide = std::get_if<std::uint64_t*>(&field)) {
        **wide = ini.IniGetInt64(entry.Section, name, static_cast<std::uint64_t>(entry.IntDefault));
    } else {
        const auto raw = ini.IniGetInt(entry.Section, name, static_cast<std::int32_t>(entry.IntDefault));
        StoreInt(field, LoadedValue(entry.Load, raw));
    }
}

bool PcIniOpens() {
    std::ifstream in(PcIniPath(), std::ios::binary);
    return in.is_open();
}

bool ShouldSave(const IniText& ini, SettingsTargets& targets, const SettingsKey& entry, const std::string& name,
                const SettingsField& field) {
    switch (entry.Save) {
    case SaveRule::Always:
        return true;
    case SaveRule::WhenSet:
        // An existing line is rewritten even for 0, or the switch could never
        // be turned off in the file.
        return FieldValue(field) != 0 || ini.HasKey(entry.Section, name);
    case SaveRule::WhenFlag:
        return FlagSet(targets, entry);
    case SaveRule::WhenFlagNoPcIni:
        return FlagSet(targets, entry) && !PcIniOpens();
    case SaveRule::WhenNotEmpty: {
        const auto* text = std::get_if<std::span<char>>(&field);
        return text && !FixedTextView(*text).empty();
    }
    default:
        return false;
    }
}

void SaveKey(IniText& ini, const SettingsKey& entry, const std::string& name, const SettingsField& field) {
    if (const auto* text = std::get_if<std::span<char>>(&field)) {
        ini.IniSetString(entry.Section, name, FixedTextView(*text));
    } else {
        ini.IniSetString(entry.Section, name, std::to_string(SavedValue(entry.Load, FieldValue(field))));
    }
}

// Only "0".."9" may stay in a decimal serial number; anything else resets it
// to zeros of the same length.
void ZeroIfNotDecimal(std::span<char> text) {
    const std::string_view value = FixedTextView(text);
    if (value.find_first_not_of("0123456789") == std::string_view::npos) return;
    std::fill_n(text.begin(), value.size(), '0');
}

// The load's steps that are not a plain store of one key.
void FinishLoad(const IniText& ini, GlobalParameter& s, FlashConfig& c) {
    s.TestItemEnable[kItemPPID] = s.EnPPID;
    FlashIdCheckMask.store(s.CheckFlashMask);
    c.IDE_UDMA5 = s.IDE_UDMA5;
    if (s.SNDecimal) ZeroIfNotDecimal(s.SerialNum);
    if (s.UIDDecimal) ZeroIfNotDecimal(s.UID);
    s.EnLaterBad = 1;
    s.EnOneDram = 1;

    const auto byteKey = [&ini](const char* key) {
        return static_cast<std::uint8_t>(ini.IniGetInt("FwSetting", key, 0));
    };
    c.SecurityOptions = static_cast<std::uint8_t>(byteKey("EnWriteProtect") * 0x80 |
                                                  byteKey("EnSecurityErase") * 0x40 | byteKey("SEStartLatency"));
    c.Options[kOptUsbLedP14] = s.UsbLedP14;
    c.UsbRemovable = s.UsbRemovable;
    c.DirtyDepth = s.DirtyDepth;
    c.LedInterleaveConfig = static_cast<std::uint8_t>(s.LEDControl * 16 + s.InterleaveWay);
    DebugToFile.store(s.EnOutputDbgMsg != 0);
}

IniText& LastLoadedText() {
    static IniText text;
    return text;
}

std::filesystem::path& PcIniPathStore() {
    static std::filesystem::path path = "/etc/fablane/pc.ini";
    return path;
}

}  // namespace

void ReadSettingsText(const IniText& ini, GlobalParameter& settings, FlashConfig& config) {
    SettingsTargets targets{settings, config};
    for (const SettingsKey& entry : SettingsKeyTable()) {
        if (entry.Load == LoadRule::NotRead) continue;
        if (entry.Load == LoadRule::WhenFlag && !FlagSet(targets, entry)) continue;
        for (std::size_t i = 0; i < entry.Count; ++i) {
            LoadKey(ini, entry, SettingsKeyName(entry, i), entry.Field(targets, i));
        }
    }
    FinishLoad(ini, settings, config);
}

void WriteSettingsText(IniText& ini, const GlobalParameter& settings, const FlashConfig& config) {
    GlobalParameter record = settings;
    FlashConfig copy = config;
    SettingsTargets targets{record, copy};
    for (const SettingsSaveEntry& saved : SettingsSaveOrder()) {
        const SettingsKey* entry = FindSettingsKey(saved.Section, saved.Key);
        if (!entry) continue;
        for (std::size_t i = 0; i < entry->Count; ++i) {
            const std::string name = SettingsKeyName(*entry, i);
            const SettingsField field = entry->Field(targets, i);
            if (ShouldSave(ini, targets, *entry, name, field)) SaveKey(ini, *entry, name, field);
        }
    }
}

void LoadGlobalParameter(const std::filesystem::path& path, GlobalParameter& settings, FlashConfig& config) {
    IniText& ini = LastLoadedText();
    ini.IniLoadFile(path);
    ReadSettingsText(ini, settings, config);
}

int SaveGlobalParameter(const std::filesystem::path& path, const GlobalParameter& settings,
                        const FlashConfig& config) {
    IniText& ini = LastLoadedText();
    WriteSettingsText(ini, settings, config);
    return ini.IniSaveFile(path);
}

const std::filesystem::path& PcIniPath() { return PcIniPathStore(); }

void SetPcIniPath(std::filesystem::path path) { PcIniPathStore() = std::move(path); }

}  // namespace qx
