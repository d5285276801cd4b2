#include "station/settings/test_item_list.h"

#include <array>
#include <cstddef>

#include "qxlib/error_items/error_items.h"
#include "qxlib/settings/global_parameter.h"

namespace qx::station {
namespace {

constexpr std::size_t kItemRebuild = 2;

enum class Presence { Always, Rebuild, WhenEnabled };

struct ListStep {
    std::size_t Item;
    Presence When;
};

constexpr std::array<ListStep, 14> kListSteps{{
    {kItemFlashModule, Presence::Always},
    {kItemRebuild, Presence::Rebuild},
    {kItemSataTest, Presence::Always},
    {kItemFlashTest, Presence::Always},
    {kItemDramTest, Presence::Always},
    {kItemPreFormat, Presence::Always},
    {kItemDownload, Presence::Always},
    {kItemUpload, Presence::WhenEnabled},
    {kItemRWTest, Presence::Always},
    {kItemCheckTables, Presence::Always},
    {kItemPPID, Presence::WhenEnabled},
    {kItemSetMaxLBA, Presence::WhenEnabled},
    {kItemFormat, Presence::WhenEnabled},
    {kItemCheckTemperature, Presence::WhenEnabled},
}};

bool Present(const ListStep& step, const GlobalParameter& s) {
    switch (step.When) {
    case Presence::Always: return true;
    case Presence::Rebuild: return s.TestItemEnable[kItemRebuild] != 0 || s.UpdateFirmwareA2B != 0;
    case Presence::WhenEnabled: return s.TestItemEnable[step.Item] != 0;
    }
    return false;
}

struct StepPage {
    const char* Step;
    const char* Page;
};

constexpr std::array<StepPage, 7> kStepPages{{
    {"Flash Module Test", "OP_FlashModule"},
    {"Preformat", "OP_PFormat"},
    {"Download", "OP_Download"},
    {"Disk Format", "OP_Format"},
    {"Copy Image", "OP_CopyImage"},
    {"Check Temperature", "OP_CheckTemperature"},
    {"Set Max LBA", "OP_SetMaxLBA"},
}};

}  // namespace

std::vector<TestItemRow> BuildTestItemRows(const GlobalParameter& settings) {
    std::vector<TestItemRow> rows;
    for (const ListStep& step : kListSteps) {
        if (!Present(step, settings)) continue;
        TestItemRow row{std::string(ErrorItemStepName(static_cast<int>(step.Item))), false};
        for (std::size_t m = 0; m < kTestItemCount; ++m)
            if (row.Text == ErrorItemStepName(static_cast<int>(m))) row.Checked = settings.TestItemEnable[m] != 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

void TakeTestItemChecks(std::vector<TestItemRow>& rows, GlobalParameter& settings) {
    auto& enable = settings.TestItemEnable;
    for (TestItemRow& row : rows) {
        for (std::size_t m = 0; m < kTestItemCount; ++m)
            if (row.Text == ErrorItemStepName(static_cast<int>(m))) enable[m] = row.Checked ? 1 : 0;
        if (row.Text == "Download") {
            enable[kItemDownload] = row.Checked || enable[kItemPreFormat] == 1 ? 1 : 0;
            row.Checked = enable[kItemDownload] != 0;
        }
    }
}

std::string_view OptionPageOfStep(std::string_view stepText) {
    for (const StepPage& p : kStepPages)
        if (stepText == p.Step) return p.Page;
    return {};
}

const std::vector<OptionPage>& OptionPages() {
    static const std::vector<OptionPage> pages{
        {"TabSheet7", "OP_Download"},          {"TabSheet8", "OP_Format"},
        {"TabSheet9", "OP_CopyImage"},         {"TabSheet10", "OP_PFormat"},
        {"TabSheet11", "OP_FlashModule"},      {"TabSheet12", "OP_CheckIDEMACapacity"},
        {"TabSheet13", "OP_RWTestPercentage"}, {"TabSheet14", "OP_CheckTemperature"},
        {"TabSheet15", "OP_CheckLBACapacity"}, {"TabSheet21", "OP_SetMaxLBA"},
        {"TabSheet17", "OP_DownloadRDT"},      {"TabSheet19", "OP_WTestFull"},
        {"TabSheet20", "OP_CheckSN"},          {"TabSheet22", "OP_RWTestFull"},
    };
    return pages;
}

}  // namespace qx::station
