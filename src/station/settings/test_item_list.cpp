#include "station/settings/test_item_list.h"

#include <array>
#include <cstddef>

#include "qxlib/error_items/error_items.h"
#include "qxlib/error_items/item_numbers.h"
#include "qxlib/settings/global_parameter.h"

namespace qx::station {
namespace {

enum class Presence { Always, Rebuild, WhenEnabled };

struct ListStep {
    item::Number Item;
    Presence When;
};

constexpr std::array<ListStep, 14> kListSteps{{
    {item::kFlashModuleTest, Presence::Always},
    {item::kRebuildBadBlock, Presence::Rebuild},
    {item::kBusInterfaceTest, Presence::Always},
    {item::kFlashInterfaceTest, Presence::Always},
    {item::kDramTest, Presence::Always},
    {item::kPreformat, Presence::Always},
    {item::kDownload, Presence::Always},
    {item::kUpload, Presence::WhenEnabled},
    {item::kRWTest, Presence::Always},
    {item::kCheckTables, Presence::Always},
    {item::kWritePpid, Presence::WhenEnabled},
    {item::kSetMaxLba, Presence::WhenEnabled},
    {item::kDiskFormat, Presence::WhenEnabled},
    {item::kCheckTemperature, Presence::WhenEnabled},
}};

bool Present(const ListStep& step, const GlobalParameter& s) {
    switch (step.When) {
    case Presence::Always: return true;
    case Presence::Rebuild: return s.TestItemEnable[item::kRebuildBadBlock] != 0 || s.UpdateFirmwareA2B != 0;
    case Presence::WhenEnabled: return s.TestItemEnable[static_cast<std::size_t>(step.Item)] != 0;
    }
    return false;
}

struct StepPage {
    item::Number Step;
    const char* Page;
};

constexpr std::array<StepPage, 7> kStepPages{{
    {item::kFlashModuleTest, "OP_FlashModule"},
    {item::kPreformat, "OP_PFormat"},
    {item::kDownload, "OP_Download"},
    {item::kDiskFormat, "OP_Format"},
    {item::kCopyImage, "OP_CopyImage"},
    {item::kCheckTemperature, "OP_CheckTemperature"},
    {item::kSetMaxLba, "OP_SetMaxLBA"},
}};

}  // namespace

std::vector<TestItemRow> BuildTestItemRows(const GlobalParameter& settings) {
    std::vector<TestItemRow> rows;
    for (const ListStep& step : kListSteps) {
        if (!Present(step, settings)) continue;
        TestItemRow row{std::string(ErrorItemStepName(step.Item)), false};
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
        if (row.Text == ErrorItemStepName(item::kDownload)) {
            enable[item::kDownload] = row.Checked || enable[item::kPreformat] == 1 ? 1 : 0;
            row.Checked = enable[item::kDownload] != 0;
        }
    }
}

std::string_view OptionPageOfStep(std::string_view stepText) {
    for (const StepPage& p : kStepPages)
        if (stepText == ErrorItemStepName(p.Step)) return p.Page;
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
