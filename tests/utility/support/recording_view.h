// A main window made of plain texts: it keeps what the logic writes and
// records, in one event list shared with the recording page set, the calls
// whose order matters.
#pragma once

#include <array>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "utility/page_index.h"
#include "utility/utility_view.h"

namespace qx::test {

using Events = std::vector<std::string>;

class RecordingView final : public utility::UtilityView {
public:
    explicit RecordingView(Events& events) : events_(events) { visible_.fill(true); }

    void ClearFields() override {
        events_.push_back("Clear");
        for (auto& [name, text] : texts_) text.clear();
        for (auto& [name, lines] : memos_) lines.clear();
        for (auto& [at, text] : cells_)
            if (std::get<1>(at) < 50) text.clear();
    }
    std::string Text(utility::EditId edit) const override { return Find(texts_, utility::NameOf(edit)); }
    void SetText(utility::EditId edit, const std::string& text) override {
        texts_[std::string(utility::NameOf(edit))] = text;
    }
    std::vector<std::string> Lines(utility::MemoId memo) const override { return Find(memos_, utility::NameOf(memo)); }
    void SetLines(utility::MemoId memo, const std::vector<std::string>& lines) override {
        memos_[std::string(utility::NameOf(memo))] = lines;
    }
    std::string Cell(utility::GridId grid, int row, int column) const override {
        const auto it = cells_.find({std::string(utility::NameOf(grid)), row, column});
        return it == cells_.end() ? std::string() : it->second;
    }
    void SetCell(utility::GridId grid, int row, int column, const std::string& text) override {
        cells_[{std::string(utility::NameOf(grid)), row, column}] = text;
    }
    void SetCaption(utility::CaptionId control, const std::string& text) override {
        captions_[std::string(utility::NameOf(control))] = text;
    }
    std::string Caption(utility::CaptionId control) const { return Find(captions_, utility::NameOf(control)); }
    void SetEnabled(utility::SwitchId control, bool enabled) override {
        events_.push_back((enabled ? "Enable " : "Disable ") + std::string(utility::NameOf(control)));
    }
    void SetVisible(utility::SwitchId control, bool visible) override {
        events_.push_back((visible ? "Show " : "Hide ") + std::string(utility::NameOf(control)));
    }
    bool Checked(utility::CheckId control) const override {
        return checked_.count(std::string(utility::NameOf(control))) != 0;
    }
    void Check(utility::CheckId control) { checked_.insert(std::string(utility::NameOf(control))); }

    void SetPageVisible(int page, bool visible) override {
        visible_[static_cast<std::size_t>(page)] = visible;
        events_.push_back((visible ? "ShowPage " : "HidePage ") + std::to_string(page));
    }
    bool PageVisible(int page) const override { return visible_[static_cast<std::size_t>(page)]; }
    void SetActivePage(int page) override {
        active_ = page;
        events_.push_back("ActivePage " + std::to_string(page));
    }
    int ActivePage() const override { return active_; }
    void ShowDeviceList(const utility::DeviceListModel& list) override {
        list_ = list;
        events_.push_back("DeviceList");
    }
    void ShowSplash() override { events_.push_back("ShowSplash"); }
    void CloseSplash() override { events_.push_back("CloseSplash"); }
    void CloseMainWindow() override {
        ++closes_;
        events_.push_back("Close");
    }

    // Every text and memo line the window holds, joined; empty when the window is empty.
    std::string AllText() const {
        std::string all;
        for (const auto& [name, text] : texts_) all += text;
        for (const auto& [name, lines] : memos_)
            for (const auto& l : lines) all += l;
        return all;
    }

    const utility::DeviceListModel& List() const { return list_; }
    int Closes() const { return closes_; }

private:
    template <typename Map>
    static typename Map::mapped_type Find(const Map& map, std::string_view name) {
        const auto it = map.find(std::string(name));
        return it == map.end() ? typename Map::mapped_type() : it->second;
    }

    Events& events_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::vector<std::string>> memos_;
    std::map<std::tuple<std::string, int, int>, std::string> cells_;
    std::map<std::string, std::string> captions_;
    std::set<std::string> checked_;
    std::array<bool, utility::kPageCount> visible_{};
    int active_ = -1;
    utility::DeviceListModel list_;
    int closes_ = 0;
};

}  // namespace qx::test
