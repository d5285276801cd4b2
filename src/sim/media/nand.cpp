#include "sim/media/nand.h"

#include <algorithm>

namespace qx::sim {

void Nand::Read(const NandAddress& a, std::span<std::uint8_t> out) const {
    const auto it = pages_.find(a.Key());
    const std::size_t n = std::min(out.size(), pageBytes_);
    if (it == pages_.end())
        std::fill_n(out.begin(), n, std::uint8_t{0xFF});
    else
        std::copy_n(it->second.begin(), n, out.begin());
}

void Nand::Program(const NandAddress& a, std::span<const std::uint8_t> data) {
    auto [it, fresh] = pages_.try_emplace(a.Key());
    if (fresh) it->second.assign(pageBytes_, 0xFF);
    const std::size_t n = std::min(data.size(), pageBytes_);
    // Raw pointers: this loop runs for every byte a production run programs.
    std::uint8_t* cells = it->second.data();
    const std::uint8_t* bits = data.data();
    for (std::size_t i = 0; i < n; ++i) cells[i] &= bits[i];
    if (std::all_of(it->second.begin(), it->second.end(), [](std::uint8_t b) { return b == 0xFF; }))
        pages_.erase(it);
}

void Nand::Erase(std::uint8_t channel, std::uint8_t ce, std::uint16_t block) {
    const std::uint64_t first = NandAddress{channel, ce, block, 0}.Key();
    const std::uint64_t last = NandAddress{channel, ce, block, 0xFFFF}.Key();
    pages_.erase(pages_.lower_bound(first), pages_.upper_bound(last));
    layouts_.erase(layouts_.lower_bound(first), layouts_.upper_bound(last));
}

std::optional<PageLayout> Nand::Layout(const NandAddress& a) const {
    const auto it = layouts_.find(a.Key());
    if (it == layouts_.end()) return std::nullopt;
    return it->second;
}

}  // namespace qx::sim
