#include "utility/pages/debug_tool_page.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "qxlib/programs/program_boot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/v_access.h"
#include "ui/prompter.h"
#include "utility/pages/page_text.h"

namespace qx::utility {
namespace {

constexpr std::size_t kFirmwareReadBytes = 128 * 1024;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlue = 0xFF0000;

std::vector<std::string> Tokens(const std::string& line) {
    std::string upper = line;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    std::istringstream in(upper);
    std::vector<std::string> tokens;
    for (std::string t; in >> t;) tokens.push_back(t);
    return tokens;
}

std::uint32_t Hex(const std::string& token) { return static_cast<std::uint32_t>(std::strtoul(token.c_str(), nullptr, 16)); }

struct PageAddress {
    long long channel, bank, block, page;
};

// The four entries the reads need; nullopt (and the conversion error shown)
// when one holds no integer; also nullopt, silently, when one is empty.
std::optional<PageAddress> Entries(const PageReadEntries& e, ui::Prompter& prompter) {
    if (e.channel.empty() || e.bank.empty() || e.block.empty() || e.page.empty()) return std::nullopt;
    long long v[4];
    const std::string* texts[4] = {&e.channel, &e.bank, &e.block, &e.page};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<long long> n = ConvertInteger(*texts[i]);
        if (!n) {
            prompter.Error("'" + *texts[i] + "' is not a valid integer value");
            return std::nullopt;
        }
        v[i] = *n;
    }
    return PageAddress{v[0], v[1], v[2], v[3]};
}

template <typename T>
T As(long long v) {
    return static_cast<T>(v);
}

}  // namespace

std::optional<long long> ConvertInteger(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.front() == ' ') t.erase(t.begin());
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.erase(t.begin());
    }
    int base = 10;
    if (t.rfind("0x", 0) == 0 || t.rfind("0X", 0) == 0) {
        base = 16;
        t.erase(0, 2);
    } else if (!t.empty() && (t[0] == 'x' || t[0] == 'X' || t[0] == '$')) {
        base = 16;
        t.erase(0, 1);
    }
    if (t.empty() || !std::all_of(t.begin(), t.end(), [&](char c) {
            return base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                              : std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return std::nullopt;
    errno = 0;
    const long long v = std::strtoll(t.c_str(), nullptr, base);
    if (errno == ERANGE || v > 0x7FFFFFFFLL) return std::nullopt;
    return negative ? -v : v;
}

std::string DebugTool(int slot, const std::string& line, std::span<const std::uint8_t> workBuffer) {
    const std::vector<std::string> t = Tokens(line);
    if (t.empty()) return {};
    if (t[0][0] == 'O') {
        if (t.size() < 3) return {};
        VA_WriteRegister(slot, Hex(t[1]), static_cast<std::uint8_t>(Hex(t[2])));
        return {};
    }
    if (t[0][0] == 'I') {
        if (t.size() < 2) return {};
        std::uint8_t value = 0;
        VA_ReadRegister(slot, Hex(t[1]), &value);
        return Printf("%Xh\n", value);
    }
    if (t[0] == "LBA") {
        if (t.size() < 2 || workBuffer.size() < 6) return {};
        return Printf("(channel,bank,block)=(%d,%d,0x%x)\n", workBuffer[2], workBuffer[3],
                      unsigned{static_cast<std::uint16_t>(workBuffer[4] | workBuffer[5] << 8)});
    }
    return {};
}

std::vector<std::string> DebugEditKeyPress(int slot, char key, std::string& editText,
                                           std::span<const std::uint8_t> workBuffer) {
    if (key != 13) return {};
    std::vector<std::string> lines = MemoLines(">>" + editText);
    for (std::string& l : MemoLines(DebugTool(slot, editText, workBuffer))) lines.push_back(std::move(l));
    editText.clear();
    return lines;
}

std::vector<std::string> PageDumpLines(std::span<const std::uint8_t> page, unsigned sectorsPerPage) {
    std::vector<std::string> lines;
    const std::size_t bytes = std::size_t{sectorsPerPage} * 512;
    for (std::size_t at = 0; at + 16 <= bytes; at += 16)
        lines.push_back(SixteenByteDumpLine(static_cast<std::uint32_t>(at), page));
    return lines;
}

std::vector<std::string> DbgSysReadPageClick(int slot, const FlashConfig& config, const PageReadEntries& entries,
                                             ui::Prompter& prompter) {
    const std::optional<PageAddress> a = Entries(entries, prompter);
    if (!a) return {};
    const std::optional<long long> unit = ConvertInteger(entries.blockUnit);
    if (!unit) {
        prompter.Error("'" + entries.blockUnit + "' is not a valid integer value");
        return {};
    }
    std::vector<std::uint8_t> buffer(kFirmwareReadBytes, 0);
    const unsigned spp = config.FlashGeometry.SectorsPerPage;
    VA_FW_ReadFlashPages(slot, config, As<std::uint8_t>(a->bank), As<std::uint16_t>(*unit), As<std::uint16_t>(a->block),
                         As<std::uint16_t>(a->page), entries.ecc24 ? 1 : 0, 0, buffer, static_cast<int>(spp));
    return PageDumpLines(buffer, spp);
}

std::vector<std::string> DbgLDReadPageClick(int slot, const FlashConfig& config, const PageReadEntries& entries,
                                            ui::Prompter& prompter) {
    const std::optional<PageAddress> a = Entries(entries, prompter);
    if (!a) return {};
    // Channel ChannelCount reads every channel (the entry's default "8" on
    // an 8-channel drive); a channel beyond it names no channel.
    const long long channels = config.ChannelCount;
    if (a->channel < 0 || a->channel > channels) return {};
    const bool all = a->channel == channels;
    const std::size_t pageBytes = std::size_t{config.FlashGeometry.SectorsPerPage} * 512;
    std::vector<std::uint8_t> buffer(pageBytes * static_cast<std::size_t>(channels), 0);
    VA_ReadFlashPages(slot, config, As<std::uint8_t>(a->channel), As<std::uint8_t>(a->bank),
                      As<std::uint16_t>(a->block), As<std::uint16_t>(a->page), entries.ecc24 ? 1 : 0, 0, buffer,
                      config.FlashGeometry.SectorsPerPage, false);
    // The pages read, in channel order: the one channel's page, or all of them.
    const std::size_t first = all ? 0 : static_cast<std::size_t>(a->channel);
    const std::size_t pages = all ? static_cast<std::size_t>(channels) : 1;
    const auto read = std::span<const std::uint8_t>(buffer).subspan(first * pageBytes, pages * pageBytes);
    return PageDumpLines(read, static_cast<unsigned>(pages * config.FlashGeometry.SectorsPerPage));
}

void JumpToLoaderClick(int slot) { SwitchVendorMode(slot, 0); }

void LoadGDPBnClick(int slot, const FlashConfig& config, const GlobalParameter& settings) {
    std::vector<std::uint8_t> buffer(64 * 1024, 0);
    std::uint8_t flags = 0;
    BootGdpProgram(slot, config, settings, buffer, &flags, 0);
}

SubItemStyle ListViewRMACustomDrawSubItem(const std::vector<std::string>& subItems, std::size_t subItem) {
    if (subItem == 0 || subItem > subItems.size()) return {};
    const std::string& text = subItems[subItem - 1];
    if (text == "Failed") return {kRed, true};
    if (text == "Pass") return {kBlue, true};
    return {};
}

}  // namespace qx::utility
