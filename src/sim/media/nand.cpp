#include "sim/media/nand.h"

#include <algorithm>

namespace qx::sim {
namespace {

constexpr std::uint64_t kHashStart = 0xcbf29ce484222325ull;
constexpr std::uint64_t kHashStep = 0x100000001b3ull;
// Forgotten contents are swept out of the index after this many erases.
constexpr std::size_t kSweepEvery = 256;

}  // namespace

void Nand::Read(const NandAddress& a, std::span<std::uint8_t> out) const {
    const auto it = pages_.find(a.Key());
    const std::size_t n = std::min(out.size(), pageBytes_);
    if (it == pages_.end())
        std::fill_n(out.begin(), n, std::uint8_t{0xFF});
    else
        std::copy_n(it->second.data(), n, out.begin());
}

void Nand::Program(const NandAddress& a, std::span<const std::uint8_t> data) {
    const auto it = pages_.find(a.Key());
    Bytes cells(pageBytes_, 0xFF);
    if (it != pages_.end()) std::copy_n(it->second.data(), pageBytes_, cells.begin());
    const std::size_t n = std::min(data.size(), pageBytes_);
    // One pass over the page: clear the bits, see whether any is left
    // programmed, and hash the result (by 8-byte words: this loop runs for
    // every byte a production round programs).
    std::uint8_t* c = cells.data();
    const std::uint8_t* bits = data.data();
    for (std::size_t i = 0; i < n; ++i) c[i] &= bits[i];
    std::uint64_t hash = kHashStart;
    bool erased = true;
    std::size_t i = 0;
    for (; i + 8 <= pageBytes_; i += 8) {
        std::uint64_t w = 0;
        for (std::size_t k = 0; k < 8; ++k) w |= static_cast<std::uint64_t>(c[i + k]) << (8 * k);
        erased = erased && w == ~std::uint64_t{0};
        hash = (hash ^ w) * kHashStep;
    }
    for (; i < pageBytes_; ++i) {
        erased = erased && c[i] == 0xFF;
        hash = (hash ^ c[i]) * kHashStep;
    }
    if (erased) {
        if (it != pages_.end()) pages_.erase(it);
        return;
    }
    PageContent content = Intern(std::move(cells), hash);
    if (it != pages_.end())
        it->second = std::move(content);
    else
        pages_.emplace(a.Key(), std::move(content));
}

PageContent Nand::Intern(Bytes&& bytes, std::uint64_t hash) {
    const auto [first, last] = contents_.equal_range(hash);
    for (auto it = first; it != last; ++it)
        if (auto held = it->second.lock(); held && *held == bytes) return PageContent(std::move(held));
    auto fresh = std::make_shared<const Bytes>(std::move(bytes));
    contents_.emplace(hash, fresh);
    return PageContent(std::move(fresh));
}

void Nand::ForgetUnused() {
    std::erase_if(contents_, [](const auto& entry) { return entry.second.expired(); });
}

void Nand::Erase(std::uint8_t channel, std::uint8_t ce, std::uint16_t block) {
    const std::uint64_t first = NandAddress{channel, ce, block, 0}.Key();
    const std::uint64_t last = NandAddress{channel, ce, block, 0xFFFF}.Key();
    pages_.erase(pages_.lower_bound(first), pages_.upper_bound(last));
    layouts_.erase(layouts_.lower_bound(first), layouts_.upper_bound(last));
    if (++erasesSinceSweep_ >= kSweepEvery) {
        erasesSinceSweep_ = 0;
        ForgetUnused();
    }
}

std::size_t Nand::DistinctContents() const {
    return static_cast<std::size_t>(
        std::count_if(contents_.begin(), contents_.end(), [](const auto& entry) { return !entry.second.expired(); }));
}

std::optional<PageLayout> Nand::Layout(const NandAddress& a) const {
    const auto it = layouts_.find(a.Key());
    if (it == layouts_.end()) return std::nullopt;
    return it->second;
}

}  // namespace qx::sim
