// The drive's NAND: pages addressed by channel, chip enable, block and page,
// kept sparse (an erased page is not stored and reads as 0xFF). Programming
// can only clear bits, as on real flash: a page must be erased to take new
// data.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace qx::sim {

struct NandAddress {
    std::uint8_t channel = 0;
    std::uint8_t ce = 0;
    std::uint16_t block = 0;
    std::uint16_t page = 0;

    std::uint64_t Key() const {
        return static_cast<std::uint64_t>(channel) << 48 | static_cast<std::uint64_t>(ce) << 40 |
               static_cast<std::uint64_t>(block) << 16 | page;
    }
    static NandAddress FromKey(std::uint64_t k) {
        return {static_cast<std::uint8_t>(k >> 48), static_cast<std::uint8_t>(k >> 40),
                static_cast<std::uint16_t>(k >> 16), static_cast<std::uint16_t>(k)};
    }
};

// How the controller programmed a page: the ECC mode, the layout option and
// the sectors-per-page byte of the write command. A read that names another
// ECC mode or option cannot correct the page.
struct PageLayout {
    std::uint8_t eccMode = 0;
    std::uint8_t option = 0;
    std::uint8_t sectorsPerPageByte = 0;
    bool operator==(const PageLayout&) const = default;
};

class Nand {
public:
    explicit Nand(std::size_t pageBytes) : pageBytes_(pageBytes) {}
    std::size_t PageBytes() const { return pageBytes_; }

    // Copies the start of the page into out (out.size() <= PageBytes()).
    void Read(const NandAddress& a, std::span<std::uint8_t> out) const;
    // Programs the start of the page; bits already cleared stay cleared.
    void Program(const NandAddress& a, std::span<const std::uint8_t> data);
    void Erase(std::uint8_t channel, std::uint8_t ce, std::uint16_t block);
    bool IsErased(const NandAddress& a) const { return !pages_.contains(a.Key()); }

    // The layout a page was programmed with through a page command; none for
    // an erased page or one set up directly (a factory image, a test).
    // Erasing the block forgets it.
    void SetLayout(const NandAddress& a, const PageLayout& layout) { layouts_[a.Key()] = layout; }
    std::optional<PageLayout> Layout(const NandAddress& a) const;

    const std::map<std::uint64_t, std::vector<std::uint8_t>>& Pages() const { return pages_; }
    void Clear() {
        pages_.clear();
        layouts_.clear();
    }

private:
    std::size_t pageBytes_;
    std::map<std::uint64_t, std::vector<std::uint8_t>> pages_;
    std::map<std::uint64_t, PageLayout> layouts_;
};

}  // namespace qx::sim
