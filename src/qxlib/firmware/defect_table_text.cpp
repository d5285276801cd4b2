#include "qxlib/firmware/defect_table_text.h"

#include <algorithm>
#include <cstdio>

#include "qxlib/base/byte_order.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/firmware/table_text.h"

namespace qx {
namespace {

constexpr std::uint16_t kBankMarker = 0xA0FB;
constexpr std::uint16_t kEndMarker = 0xD1FE;
constexpr std::size_t kRecordsAt = 16;
constexpr std::size_t kRecordSize = 4;
constexpr std::size_t kMaxPosition = 0x10000;   // the write position is a 16-bit count in the file format
constexpr int kVariantByChannel = 12;
constexpr int kVersionByChannel = 21;

std::size_t PageBytes(const FlashConfig& config) { return std::size_t{config.FlashGeometry.SectorsPerPage} * 512; }

char Digit(unsigned n) { return static_cast<char>('0' + n); }

// Writes into the page set; anything past its end (or the 16-bit position
// limit) makes the whole text refused.
class PageWriter {
public:
    explicit PageWriter(std::span<std::uint8_t> pages) : pages_(pages), limit_(std::min(pages.size(), kMaxPosition)) {}
    void Put(std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) PutByte(b);
    }
    void PutTag(const CodeBlockTag& tag) {
        for (std::uint8_t b : tag) PutByte(b);
    }
    void ZerosTo(std::size_t to) {
        while (ok_ && at_ < to) PutByte(0);
    }
    void Refuse(const char* why) {
        if (ok_) DebugPrint("######### - ParseDefectTableText - %s at 0x%X!\r\n", why, static_cast<unsigned>(at_));
        ok_ = false;
    }
    std::size_t At() const { return at_; }
    bool Ok() const { return ok_; }

private:
    void PutByte(std::uint8_t b) {
        if (!ok_) return;
        if (at_ >= limit_) return Refuse("More than the page set holds");
        pages_[at_++] = b;
    }
    std::span<std::uint8_t> pages_;
    std::size_t limit_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

void Skip(std::FILE* f, int n) {
    for (int i = 0; i < n; ++i) std::fgetc(f);
}

void ChannelLine(std::FILE* f, const FlashConfig& config, PageWriter& w, int& channelChar) {
    Skip(f, 2);
    channelChar = std::fgetc(f);
    const int n = channelChar - '0';
    if (n < 0 || n >= config.ChannelCount) return w.Refuse("Channel outside the page set");
    if (n == 0) {
        if (w.At() != 0) return w.Refuse("Channel 0 after other records");
    } else {
        w.Put({0xFE, 0xD1});
        const std::size_t start = static_cast<std::size_t>(n) * PageBytes(config);
        if (w.At() > start) return w.Refuse("Channel going back");
        w.ZerosTo(start);
    }
    w.PutTag(kDefectTableTag);
}

void EntryLine(std::FILE* f, PageWriter& w, int version, int variant, int channelChar) {
    ReadCharSkipBlank(f);   // '#'
    char digits[4];
    for (char& d : digits) d = static_cast<char>(ReadCharSkipBlank(f));
    ReadCharSkipBlank(f);   // ','
    const int h = ReadCharSkipBlank(f);
    const int l = ReadCharSkipBlank(f);
    ReadCharSkipBlank(f);   // ','
    const int e = ReadCharSkipBlank(f);
    unsigned block = 0;
    if (h == EOF || l == EOF || e == EOF) return w.Refuse("Entry cut short");
    if (!ParseHex4(digits, block)) return w.Refuse("Entry block not hexadecimal");
    if (version == kVersionByChannel && variant == kVariantByChannel && e != channelChar) return;
    w.Put({static_cast<std::uint8_t>(block), static_cast<std::uint8_t>(block >> 8),
           static_cast<std::uint8_t>((h - '0') << 4 | ((l - '0') & 0x0F)), static_cast<std::uint8_t>(e - '0')});
}

}  // namespace

std::string DefectTableText(const FlashConfig& config, std::span<const std::uint8_t> pages) {
    const std::size_t pageBytes = PageBytes(config);
    std::string text;
    for (std::size_t c = 0; c < config.ChannelCount && (c + 1) * pageBytes <= pages.size(); ++c) {
        if (c > 0) text += "\r\n";
        const auto page = pages.subspan(c * pageBytes, pageBytes);
        if (page[0] != kDefectTableTag[0]) continue;
        text += "C#0";
        text += Digit(static_cast<unsigned>(c));
        for (std::size_t at = kRecordsAt; at + kRecordSize <= page.size(); at += kRecordSize) {
            const std::uint16_t block = get_le16(&page[at]);
            const std::uint8_t p = page[at + 2];
            const std::uint8_t q = page[at + 3];
            if (block == kEndMarker) break;
            if (block == kBankMarker) {
                text += "\r\nB#0";
                text += Digit(p);
                continue;
            }
            text += "U#" + Hex4(block) + ",";
            text += Digit(p >> 4u);
            text += Digit(p & 15u);
            text += ',';
            text += q > 7 ? '9' : Digit(q);
        }
    }
    return text;
}

bool WriteDefectTableText(const FlashConfig& config, std::span<const std::uint8_t> pages, const char* path,
                          int variant) {
    if (!path) return false;
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const std::string text = TableTextVersionLine(variant) + DefectTableText(config, pages);
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

bool ParseDefectTableText(const FlashConfig& config, std::span<std::uint8_t> pages, const char* path, int variant) {
    if (!path) return false;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fill(pages.begin(), pages.end(), std::uint8_t{0});
    PageWriter w(pages);

    Skip(f, 2);   // "V#"
    const int tens = ReadCharSkipBlank(f);
    const int ones = ReadCharSkipBlank(f);
    const int version = (tens - '0') * 10 + (ones - '0');
    Skip(f, 2);
    int channelChar = '0';
    for (int c = ReadCharSkipBlank(f); c != EOF && w.Ok(); c = ReadCharSkipBlank(f)) {
        switch (c) {
            case 'C': ChannelLine(f, config, w, channelChar); break;
            case 'B': {
                Skip(f, 2);
                const int b = std::fgetc(f);
                w.Put({0xFB, 0xA0, static_cast<std::uint8_t>(b - '0'), 0x00});
                break;
            }
            case 'U': EntryLine(f, w, version, variant, channelChar); break;
            default: break;
        }
    }
    w.Put({0xFE, 0xD1, 0x00});
    std::fclose(f);
    return w.Ok();
}

}  // namespace qx
