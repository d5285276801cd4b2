// The settings file's key table: every key, where its value lives, its default
// and when it is saved. The load walks it in order; the save walks the save
// order, which names keys of this table.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace qx {

struct GlobalParameter;
struct FlashConfig;

struct SettingsTargets {
    GlobalParameter& Record;
    FlashConfig& Config;
};

// Where one key's value is stored; a char span is a text key.
using SettingsField = std::variant<std::uint8_t*, std::uint16_t*, std::uint32_t*, std::uint64_t*, std::span<char>,
                                   std::atomic<std::uint8_t>*, std::atomic<bool>*>;

enum class LoadRule : std::uint8_t {
    Plain,
    Minutes,     // minutes in the file, milliseconds in the record; 0 means 5 minutes
    AtMost20,    // values above 20 become 20
    ZeroAbove3,  // values above 3 become 0
    WhenFlag,    // read only when FlagKey is set
    NotRead,     // written, never read
};

enum class SaveRule : std::uint8_t {
    Never,
    Always,
    WhenSet,          // when non-zero, or when the loaded text already has the line
    WhenFlag,         // when FlagKey is set
    WhenFlagNoPcIni,  // when FlagKey is set and the pc.ini file cannot be opened
    WhenNotEmpty,
};

struct SettingsKey {
    const char* Section;
    const char* Key;  // for a numbered family, a format with one number
    SettingsField (*Field)(SettingsTargets& targets, std::size_t index);
    std::int64_t IntDefault;
    const char* TextDefault;  // used by text keys
    LoadRule Load;
    SaveRule Save;
    const char* FlagKey;  // the key (of any section) that gates WhenFlag rules
    std::uint16_t Count;  // keys in a numbered family, else 1
    std::uint16_t FirstNumber;
};

struct SettingsSaveEntry {
    const char* Section;
    const char* Key;
};

// Every key, in the order the load reads them.
std::span<const SettingsKey> SettingsKeyTable();
// The saved keys, in the order the save writes them.
std::span<const SettingsSaveEntry> SettingsSaveOrder();
const SettingsKey* FindSettingsKey(std::string_view section, std::string_view key);
// Keys are unique over all sections; used for the keys that gate others.
const SettingsKey* FindSettingsKeyByName(std::string_view key);
// The name of key number index of an entry (the entry's own name when it is
// not a family).
std::string SettingsKeyName(const SettingsKey& entry, std::size_t index);

}  // namespace qx
