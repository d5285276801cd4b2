// The drive's NAND: pages addressed by channel, chip enable, block and page,
// kept sparse (an erased page is not stored and reads as 0xFF). Programming
// can only clear bits, as on real flash: a page must be erased to take new
// data.
#pragma once

#include <cstdint>
#include <map>
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

    const std::map<std::uint64_t, std::vector<std::uint8_t>>& Pages() const { return pages_; }
    void Clear() { pages_.clear(); }

private:
    std::size_t pageBytes_;
    std::map<std::uint64_t, std::vector<std::uint8_t>> pages_;
};

}  // namespace qx::sim
