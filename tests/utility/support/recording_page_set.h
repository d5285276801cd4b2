// Page operations that record their calls (with the device they were given)
// and write known texts, so the refresh's order and its dump can be checked
// without the real pages.
#pragma once

#include <functional>
#include <string>

#include "utility/support/recording_view.h"
#include "qxlib/transport/device_slot.h"
#include "utility/page_set.h"
#include "utility/utility_view.h"

namespace qx::test {

class RecordingPageSet final : public utility::PageSet {
public:
    explicit RecordingPageSet(Events& events) : events_(events) {}

    void ParseInfo(utility::PageContext& ctx) override {
        Record("ParseInfo", ctx);
        ctx.View.SetText(utility::EditId::ModelNameEdit, "SATA model");
    }
    void ParseUSBInfo(utility::PageContext& ctx) override {
        Record("ParseUSBInfo", ctx);
        using E = utility::EditId;
        const E fields[] = {E::VendorNameEdit, E::ProductNameEdit, E::ManufacturStringEdit, E::ProductStringEdit,
                            E::VIDEdit,        E::PIDEdit,         E::SNUSBEdit};
        for (E f : fields) ctx.View.SetText(f, "<" + std::string(utility::NameOf(f)) + ">");
    }
    void ShowSSDInfo(utility::PageContext& ctx) override {
        Record("ShowSSDInfo", ctx);
        // The edits carry their own line ends, as the real page writes them.
        using E = utility::EditId;
        const E fields[] = {E::FlashmodelEdit, E::ChannelEdit,  E::CapacityEdit, E::DriverEdit,
                            E::ResPerEdit,     E::EccReadEdit,  E::EccCopyEdit,  E::WearLevelingEdit,
                            E::BankMapEdit,    E::SupportEdit1, E::SupportEdit2, E::FwEdit};
        for (E f : fields) ctx.View.SetText(f, std::string(utility::NameOf(f)) + "=\xB5;\r\n");
    }
    void ProcessBadBlockInfo(utility::PageContext& ctx) override {
        Record("ProcessBadBlockInfo", ctx);
        mapSeen_ = DeviceSlots[static_cast<std::size_t>(ctx.Device)].BadBlockMap.size();
    }
    void GetEraseCount(utility::PageContext& ctx) override {
        Record("GetEraseCount", ctx);
        ctx.View.SetLines(utility::MemoId::EraseMemo, {"erase"});
        if (afterEraseCount) afterEraseCount();
    }
    void ShowFWDebugMessage(utility::PageContext& ctx, int mode) override {
        Record("ShowFWDebugMessage " + std::to_string(mode) + " q" + std::to_string(ctx.QueryDramLayout), ctx);
        ctx.View.SetPageVisible(utility::kPageUartLog, true);
    }

    std::size_t MapSizeSeen() const { return mapSeen_; }
    // Runs right before the refresh reads the DPD/FTL block.
    std::function<void()> afterEraseCount;

private:
    void Record(const std::string& what, const utility::PageContext& ctx) {
        events_.push_back(what + " @" + std::to_string(ctx.Device));
    }
    Events& events_;
    std::size_t mapSeen_ = 0;
};

}  // namespace qx::test
