// A main window made of plain texts: it keeps what the logic writes and
// records, in one event list shared with the recording page set, the calls
// whose order matters.
#pragma once

#include <array>
#include <map>
#include <set>
#include <string>
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
    std::string Text(std::string_view control) const override {
        const auto it = texts_.find(std::string(control));
        return it == texts_.end() ? std::string() : it->second;
    }
    void SetText(std::string_view control, const std::string& text) override { texts_[std::string(control)] = text; }
    std::vector<std::string> Lines(std::string_view memo) const override {
        const auto it = memos_.find(std::string(memo));
        return it == memos_.end() ? std::vector<std::string>() : it->second;
    }
    void SetLines(std::string_view memo, const std::vector<std::string>& lines) override {
        memos_[std::string(memo)] = lines;
    }
    std::string Cell(std::string_view grid, int row, int column) const override {
        const auto it = cells_.find({std::string(grid), row, column});
        return it == cells_.end() ? std::string() : it->second;
    }
    void SetCell(std::string_view grid, int row, int column, const std::string& text) override {
        cells_[{std::string(grid), row, column}] = text;
    }
    void SetCaption(std::string_view control, const std::string& text) override {
        captions_[std::string(control)] = text;
    }
    std::string Caption(std::string_view control) const {
        const auto it = captions_.find(std::string(control));
        return it == captions_.end() ? std::string() : it->second;
    }
    void SetEnabled(std::string_view control, bool enabled) override {
        events_.push_back((enabled ? "Enable " : "Disable ") + std::string(control));
    }
    void SetVisible(std::string_view control, bool visible) override {
        events_.push_back((visible ? "Show " : "Hide ") + std::string(control));
    }
    bool Checked(std::string_view control) const override { return checked_.count(std::string(control)) != 0; }
    void Check(const std::string& control) { checked_.insert(control); }

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
