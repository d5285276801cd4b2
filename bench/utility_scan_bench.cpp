// Figures of the utility: the device scan of a full rack (12 produced drives
// on the direct ATA route) and the resident memory after 1 and after 20
// refreshes of one drive, which must not grow.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "resident_memory.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"
#include "ui/scripted_prompter.h"
#include "utility/device_scan.h"
#include "utility/main_form_logic.h"
#include "utility/utility_view.h"

namespace {

using namespace qx;

using qx::bench::ResidentKb;

// A window that keeps nothing.
class NullView final : public utility::UtilityView {
public:
    void ClearFields() override {}
    std::string Text(utility::EditId) const override { return {}; }
    void SetText(utility::EditId, const std::string&) override {}
    std::vector<std::string> Lines(utility::MemoId) const override { return {}; }
    void SetLines(utility::MemoId, const std::vector<std::string>&) override {}
    std::string Cell(utility::GridId, int, int) const override { return {}; }
    void SetCell(utility::GridId, int, int, const std::string&) override {}
    void SetCaption(utility::CaptionId, const std::string&) override {}
    void SetEnabled(utility::SwitchId, bool) override {}
    void SetVisible(utility::SwitchId, bool) override {}
    bool Checked(utility::CheckId) const override { return false; }
    void SetPageVisible(int, bool) override {}
    bool PageVisible(int) const override { return false; }
    void SetActivePage(int) override {}
    int ActivePage() const override { return 0; }
    void ShowDeviceList(const utility::DeviceListModel&) override {}
    void ShowSplash() override {}
    void CloseSplash() override {}
    void CloseMainWindow() override {}
};

}  // namespace

int main() {
    sim::SimRack rack;
    sim::SimDeviceTree tree;
    for (int i = 0; i < kSlotCount; ++i) {
        sim::DriveConfig cfg;
        cfg.state = sim::ControllerState::Firmware;
        cfg.serial = "BENCH" + std::to_string(i);
        cfg.systemModel = "843";
        const std::string path = "\\\\?\\ide#diskqx_bench#" + std::to_string(i) + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
        rack.AddDrive(path, cfg);
        tree.AddDisk(path);
    }
    sim::ScopedRack use(rack);
    platform::SetDeviceTree(&tree);

    constexpr int kRounds = 20;
    std::vector<double> ms;
    std::size_t listed = 0;
    for (int r = 0; r < kRounds; ++r) {
        utility::DeviceTable entries{};
        const auto start = std::chrono::steady_clock::now();
        listed = utility::ScanDevices(entries, {}).Rows.size();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        rack.Log().SetEnabled(false);   // counted on the first scan only
    }
    const std::size_t requests = rack.Log().Size();
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    std::printf("scan of a %d-drive rack: %zu listed, median %.2f ms, best %.2f ms (%d scans, first %.2f ms), %zu requests a scan\n", kSlotCount, listed,
                ms[ms.size() / 2], ms.front(), kRounds, first, requests);

    NullView view;
    ui::ScriptedPrompter prompter;
    utility::EmptyPageSet pages;
    utility::UtilityEnvironment env;
    env.ProgramFolder = "/nonexistent";
    utility::MainFormLogic logic(env, view, prompter, pages);
    logic.FormShow();
    logic.ListView1SelectItem(0, true);
    const long afterOne = ResidentKb();
    for (int i = 1; i < 20; ++i) {
        logic.ListView1SelectItem(0, false);
        logic.ListView1SelectItem(0, true);
    }
    const long afterTwenty = ResidentKb();
    std::printf("resident memory: %ld KB after 1 refresh, %ld KB after 20 (growth %ld KB)\n", afterOne, afterTwenty,
                afterTwenty - afterOne);
    platform::SetDeviceTree(nullptr);
    return 0;
}
