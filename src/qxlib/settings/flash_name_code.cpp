#include "qxlib/settings/flash_name_code.h"

#include "qxlib/settings/flash_config.h"

namespace qx {
namespace {

constexpr FlashNameRow kNameRows[] = {
    {'A', 1024, 128, 4, 1, 0, 0},  {'B', 1024, 128, 8, 1, 0, 0},  {'C', 1024, 256, 4, 1, 0, 0},
    {'D', 1024, 256, 8, 1, 0, 0},  {'E', 2048, 128, 4, 1, 0, 0},  {'F', 2048, 128, 8, 1, 0, 0},
    {'G', 2048, 256, 4, 1, 0, 0},  {'H', 2048, 256, 8, 1, 0, 0},  {'I', 4096, 128, 4, 1, 0, 0},
    {'J', 4096, 128, 8, 1, 0, 0},  {'K', 4096, 256, 4, 1, 0, 0},  {'L', 4096, 256, 8, 1, 0, 0},
    {'M', 2048, 128, 4, 2, 0, 0},  {'N', 2048, 128, 8, 2, 0, 0},  {'O', 2048, 128, 4, 2, 1, 0},
    {'P', 2048, 128, 8, 2, 1, 0},  {'Q', 2048, 64, 4, 2, 0, 0},   {'R', 2048, 256, 4, 2, 0, 0},
    {'S', 2048, 256, 8, 2, 0, 0},  {'T', 1024, 128, 8, 2, 0, 0},  {'U', 1024, 128, 8, 2, 1, 0},
    {'V', 1024, 256, 8, 2, 0, 0},  {'W', 4096, 128, 4, 2, 0, 0},  {'X', 2048, 64, 4, 1, 0, 0},
    {'Y', 2048, 64, 8, 1, 0, 0},   {'Z', 2048, 256, 8, 2, 1, 0},  {'1', 1024, 256, 16, 1, 0, 0},
    {'2', 1024, 256, 16, 1, 0, 1}, {'3', 1024, 256, 16, 2, 1, 0}, {'4', 512, 256, 16, 1, 0, 1},
    {'5', 1024, 256, 16, 2, 1, 1}, {'6', 1024, 512, 16, 1, 0, 0}, {'7', 2048, 128, 16, 1, 0, 0},
    {'8', 512, 512, 16, 1, 0, 0},  {'9', 1024, 512, 16, 2, 0, 0},
};

constexpr FlashChannelBankRow kChannelBankRows[] = {
    {'A', 8, 1}, {'B', 8, 2}, {'C', 8, 4}, {'D', 8, 8}, {'E', 4, 1}, {'F', 4, 2},
    {'G', 4, 4}, {'H', 4, 8}, {'I', 2, 1}, {'J', 2, 2}, {'K', 2, 4}, {'L', 2, 8},
    {'M', 1, 1}, {'N', 1, 2}, {'O', 1, 4}, {'P', 1, 8}, {'Q', 3, 1}, {'R', 3, 2},
};

char InterfaceLetter(std::uint8_t flashInterface, char current) {
    switch (flashInterface) {
    case 0: case 4: return 'L';
    case 1: case 3: case 5: case 6: case 7: return 'T';
    case 2: case 8: return 'O';
    default: return current;
    }
}

char ClassLetter(const FlashConfig& config, char current) {
    char letter = current;
    switch (FlashClass(config)) {
    case 0: case 4: letter = 'I'; break;
    case 1: letter = 'S'; break;
    case 2: letter = 'T'; break;
    case 3: letter = config.FlashModeFlag ? 'T' : 'S'; break;
    default: break;
    }
    switch (config.FlashInterface) {
    case 4: case 6: return 'H';
    case 3: return 'X';
    case 5: return 'Y';
    default: return letter;
    }
}

// Matched on the type word's own pages per block: a half-page part keeps the
// firmware of its full geometry.
char GeometryLetter(const FlashConfig& config, char current) {
    const FlashGeometry& g = config.FlashGeometry;
    if (!g.DiesPerCe) return current;
    const unsigned blocksPerPlane = BlocksPerCeOfCode((config.FlashTypeWord >> 6) & 7u) / 2u / g.DiesPerCe;
    const unsigned pagesPerBlock = PagesPerBlockOfCode((config.FlashTypeWord >> 3) & 7u);
    char letter = current;
    for (const FlashNameRow& row : kNameRows) {
        if (row.BlocksPerPlane == blocksPerPlane && row.PagesPerBlock == pagesPerBlock &&
            row.PageSizeKB == g.SectorsPerPage / 2 && row.Dies == g.DiesPerCe &&
            row.DieOffsetUsed == (config.DieOffset > 0 ? 1 : 0) && row.OnePlane == config.OnePlane) {
            letter = row.Letter;
        }
    }
    return letter;
}

char ChannelBankLetter(const FlashConfig& config, char current) {
    char letter = current;
    for (const FlashChannelBankRow& row : kChannelBankRows) {
        if (row.Channels == config.ChannelCount && row.Banks == config.BankCount) letter = row.Letter;
    }
    return letter;
}

}  // namespace

std::span<const FlashNameRow> FlashNameTable() { return kNameRows; }

std::span<const FlashChannelBankRow> FlashChannelBankTable() { return kChannelBankRows; }

void BuildFlashNameCode(const FlashConfig& config, std::span<char> name) {
    if (name.size() < 8) return;
    name[4] = InterfaceLetter(config.FlashInterface, name[4]);
    name[5] = ClassLetter(config, name[5]);
    name[6] = GeometryLetter(config, name[6]);
    name[7] = ChannelBankLetter(config, name[7]);
}

}  // namespace qx
