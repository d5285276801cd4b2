// The drive's NAND: pages addressed by channel, chip enable, block and page,
// kept sparse (an erased page is not stored and reads as 0xFF). Programming
// can only clear bits, as on real flash: a page must be erased to take new
// data.
//
// A produced drive holds thousands of programmed pages but only a few dozen
// distinct contents (filler pages repeat their neighbour, every channel
// carries the same copy), so the flash keeps one immutable copy of each
// content and the pages point at it. The copies belong to the drive alone:
// no other drive's work touches them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
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

// One programmed page's content, shared by every page that holds the same
// bytes. Compares by content.
class PageContent {
public:
    explicit PageContent(std::shared_ptr<const std::vector<std::uint8_t>> bytes) : bytes_(std::move(bytes)) {}
    const std::uint8_t* data() const { return bytes_->data(); }
    std::size_t size() const { return bytes_->size(); }
    auto begin() const { return bytes_->begin(); }
    auto end() const { return bytes_->end(); }
    bool operator==(const PageContent& o) const { return bytes_ == o.bytes_ || *bytes_ == *o.bytes_; }

private:
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
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

    const std::map<std::uint64_t, PageContent>& Pages() const { return pages_; }
    // Distinct contents held now (what the pages cost beyond their index).
    std::size_t DistinctContents() const;
    void Clear() {
        pages_.clear();
        layouts_.clear();
        contents_.clear();
    }

private:
    using Bytes = std::vector<std::uint8_t>;
    PageContent Intern(Bytes&& bytes, std::uint64_t hash);
    void ForgetUnused();

    std::size_t pageBytes_;
    std::map<std::uint64_t, PageContent> pages_;
    std::map<std::uint64_t, PageLayout> layouts_;
    // Content hash -> the contents with that hash. The store keeps only weak
    // references: a content no page holds any more goes with its last page.
    std::unordered_multimap<std::uint64_t, std::weak_ptr<const Bytes>> contents_;
    std::size_t erasesSinceSweep_ = 0;
};

}  // namespace qx::sim
