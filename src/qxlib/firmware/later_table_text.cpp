#include "qxlib/firmware/later_table_text.h"

#include <algorithm>
#include <string_view>

#include "qxlib/base/byte_order.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/firmware/table_text.h"

namespace qx {
namespace {

constexpr std::size_t kCountAt = 16;
constexpr std::size_t kEntrySize = 4;
constexpr std::size_t kSystemBlocksAt = 16;
constexpr std::size_t kSystemBlockStep = 4;

std::size_t PageBytes(const FlashConfig& config) { return std::size_t{config.FlashGeometry.SectorsPerPage} * 512; }

bool Refuse(const char* why, std::string_view line) {
    DebugPrint("######### - ParseLaterTableText - %s: %.*s\r\n", why, static_cast<int>(line.size()), line.data());
    return false;
}

// The lines after the version line ("V#", two characters that are not CR,
// LF or blank, then two more).
std::vector<std::string_view> Lines(const std::string& text) {
    std::size_t at = std::min<std::size_t>(2, text.size());
    for (int taken = 0; taken < 2 && at < text.size(); ++at)
        if (text[at] != '\r' && text[at] != '\n' && text[at] != ' ') ++taken;
    at = std::min(at + 2, text.size());
    std::vector<std::string_view> lines;
    const std::string_view rest(text.data() + at, text.size() - at);
    for (std::size_t from = 0; from < rest.size();) {
        std::size_t end = rest.find('\n', from);
        if (end == std::string_view::npos) end = rest.size();
        std::string_view line = rest.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        from = end + 1;
    }
    return lines;
}

// "X#0" and a digit below limit.
bool DigitLine(std::string_view line, const char* prefix, unsigned limit, unsigned& digit, bool& bad) {
    if (line.substr(0, 3) != prefix) return false;
    bad = line.size() < 4 || line[3] < '0' || static_cast<unsigned>(line[3] - '0') >= limit;
    if (!bad) digit = static_cast<unsigned>(line[3] - '0');
    return true;
}

bool Hex4At(std::string_view line, std::size_t at, unsigned& value) {
    if (line.size() < at + 4) return false;
    const char digits[4] = {line[at], line[at + 1], line[at + 2], line[at + 3]};
    return ParseHex4(digits, value);
}

bool FirstPass(const FlashConfig& config, const std::vector<std::string_view>& lines, LaterTableBlocks& blocks) {
    const std::size_t pageBytes = PageBytes(config);
    blocks.systemPages.assign(PageBytes(config) * config.ChannelCount, 0xFF);
    std::copy(kSystemPageTag.begin(), kSystemPageTag.end(), blocks.systemPages.begin());
    blocks.listBlocks = {};
    unsigned bank = 0, die = 0;
    std::size_t at = kSystemBlocksAt;
    for (const std::string_view line : lines) {
        bool bad = false;
        if (DigitLine(line, "B#0", kLaterTableBanks, bank, bad) || DigitLine(line, "D#0", kLaterTableDies, die, bad)) {
            if (bad) return Refuse("Bank or die outside the list table", line);
            continue;
        }
        if (line.substr(0, 2) != "S#") continue;
        unsigned s = 0;
        if (!Hex4At(line, 2, s)) return Refuse("List block not hexadecimal", line);
        if (at + 2 > pageBytes) return Refuse("More list blocks than the system page holds", line);
        put_le16(&blocks.systemPages[at], static_cast<std::uint16_t>(s));
        at += kSystemBlockStep;
        blocks.listBlocks[bank][die] = static_cast<std::uint16_t>(s);
    }
    return true;
}

bool ChannelLine(const FlashConfig& config, std::string_view line, std::vector<std::uint8_t>& pages) {
    const std::size_t pageBytes = PageBytes(config);
    unsigned channel = 0;
    bool bad = false;
    DigitLine(line, "C#0", config.ChannelCount, channel, bad);
    if (bad) return Refuse("Channel outside the page set", line);
    if (line.substr(4, 2) != "T#") return true;
    unsigned count = 0;
    if (!Hex4At(line, 6, count)) return Refuse("Count not hexadecimal", line);
    std::uint8_t* page = pages.data() + channel * pageBytes;
    std::copy(kLaterBadTableTag.begin(), kLaterBadTableTag.end(), page);
    put_le16(page + kCountAt, static_cast<std::uint16_t>(count));
    std::size_t at = kLaterEntriesAt;
    for (std::size_t u = line.find("U#", 10); u != std::string_view::npos; u = line.find("U#", u + 2)) {
        unsigned block = 0;
        if (!Hex4At(line, u + 2, block) || line.size() < u + 8) return Refuse("Entry not block and type", line);
        if (at + kEntrySize > pageBytes) return Refuse("More entries than a page holds", line);
        put_le16(page + at, static_cast<std::uint16_t>(block));
        page[at + 2] = static_cast<std::uint8_t>(line[u + 7] - '0');
        at += kEntrySize;
    }
    return true;
}

bool SecondPass(const FlashConfig& config, const std::vector<std::string_view>& lines,
                std::vector<LaterListWrite>& lists) {
    lists.clear();
    std::vector<std::uint8_t> pages(PageBytes(config) * config.ChannelCount, 0xFF);
    unsigned bank = 0, die = 0;
    bool pending = false;
    auto flush = [&] {
        if (pending) lists.push_back({static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(die), pages});
    };
    for (const std::string_view line : lines) {
        bool bad = false;
        unsigned digit = 0;
        if (DigitLine(line, "B#0", kLaterTableBanks, digit, bad)) {
            if (bad) return Refuse("Bank outside the list table", line);
            flush();
            bank = digit;
            pending = true;
            std::fill(pages.begin(), pages.end(), std::uint8_t{0xFF});
        } else if (DigitLine(line, "D#0", kLaterTableDies, digit, bad)) {
            if (bad) return Refuse("Die outside the list table", line);
            die = digit;
        } else if (line.substr(0, 3) == "C#0") {
            if (!ChannelLine(config, line, pages)) return false;
        }
    }
    flush();
    return true;
}

}  // namespace

std::string LaterChannelLine(std::size_t channel, std::span<const std::uint8_t> page) {
    std::string line = "C#0";
    line += static_cast<char>('0' + channel);
    if (!HasCodeBlockTag(page, kLaterBadTableTag) || page.size() < kLaterEntriesAt) return line;
    const unsigned count = get_le16(&page[kCountAt]);
    line += "T#" + Hex4(count) + ",";
    for (std::size_t k = 0, at = kLaterEntriesAt; k < count && at + kEntrySize <= page.size(); ++k, at += kEntrySize) {
        line += "U#" + Hex4(get_le16(&page[at])) + ",";
        line += static_cast<char>('0' + page[at + 2]);
    }
    return line;
}

bool ParseLaterTableText(const FlashConfig& config, const std::string& text, LaterTableBlocks& blocks,
                         std::vector<LaterListWrite>& lists) {
    if (PageBytes(config) < kLaterEntriesAt || config.ChannelCount == 0) return false;
    const std::vector<std::string_view> lines = Lines(text);
    return FirstPass(config, lines, blocks) && SecondPass(config, lines, lists);
}

}  // namespace qx
