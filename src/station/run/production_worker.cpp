#include "station/run/production_worker.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/discovery/bridge_type.h"
#include "qxlib/error_items/error_items.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/transport/device_slot.h"

namespace qx::station {

ProductionWorker::ProductionWorker(const WorkerSetup& setup, WorkerContext context, StepOps& ops,
                                   PortChannel& channel, const WorkerHooks& hooks, BatchFlags& batch)
    : setup_(setup), ctx_(std::move(context)), ops_(ops), channel_(channel), hooks_(hooks), batch_(batch) {}

void ProductionWorker::Run() {
    platform::CancelScope scope(channel_.Token());
    Start();
    if (PreChecks()) Steps();
    End();
}

bool ProductionWorker::Enabled(item::Number item) const {
    return item >= 0 && static_cast<std::size_t>(item) < ctx_.settings.TestItemEnable.size() &&
           ctx_.settings.TestItemEnable[static_cast<std::size_t>(item)] != 0;
}

void ProductionWorker::SetStatus(item::Number item, StepStatus status) {
    channel_.Record([&](PortRecord& r) { r.StepStatus[static_cast<std::size_t>(item)] = status; });
}

void ProductionWorker::Fail(int item, bool detail) {
    if (!failed_) {
        channel_.Record([&](PortRecord& r) { r.ErrorCode = r.DisplayCode = item; });
        if (detail) channel_.Detail(item, ctx_.scratch);
    }
    failed_ = true;
}

void ProductionWorker::GaugeStep() {
    if (ctx_.controls.checkedCount <= 0) return;
    gauge_ += 100 / ctx_.controls.checkedCount;
    channel_.Gauge(kStepGauge, gauge_);
}

bool ProductionWorker::StepWhen(item::Number item, bool enabled, unsigned flags, const std::function<int()>& call) {
    if (!enabled) {
        if (!(flags & kUntouched)) SetStatus(item, kStepOff);
        return false;
    }
    SetStatus(item, kStepRunning);
    bool passed = false;
    if (failed_) {
        SetStatus(item, kStepFailed);
    } else {
        channel_.Caption(std::string(ErrorItemStepName(item)), kYellow);
        if (flags & kClear) std::fill_n(ctx_.scratch.begin(), kClearedScratchBytes, std::uint8_t{0});
        const int failure = call();
        passed = failure == 0;
        if (!passed) Fail(failure, !(flags & kNoDetail));
        SetStatus(item, passed ? kStepPassed : kStepFailed);
    }
    if (!(flags & kNoGauge) && (passed || !(flags & kEndOnFail))) GaugeStep();
    return passed;
}

void ProductionWorker::Start() {
    // The run controller reset the record's results before the start; the
    // worker reads the rest of it (identity, path, bridge) from this copy.
    channel_.Record([&](PortRecord& r) { rec_ = r; });
    channel_.Caption("Start", kYellow);
    channel_.Gauge(kStepGauge, 0);
    channel_.Gauge(kRwGauge, 0);
    if (rec_.BridgeType == kBridgeQ455) ops_.SendBridgeCmd32(setup_.port, 1);
    channel_.ArmWatchdog(setup_.watchdogMs);
    channel_.SerialText(rec_.SerialNumber);
    channel_.WwnText(rec_.Wwn);
}

bool ProductionWorker::PreChecks() {
    const GlobalParameter& s = ctx_.settings;
    const DeviceSlot& slot = DeviceSlots[static_cast<std::size_t>(setup_.port)];
    auto refuse = [&](int item) {
        Fail(item, false);
        return false;
    };
    if (s.EnKeepEraseCount && !slot.EraseCountsKept) return refuse(item::kCheckEraseCount);
    if (s.EnKeepSmartInfo && !slot.SmartPageKept) return refuse(item::kGetSmartInfo);
    if (s.EnReadRDTLog && !(hooks_.dumpRdtResult && hooks_.dumpRdtResult(setup_.port, ctx_))) return refuse(item::kRdtLogDump);
    if (s.EnCheckRDT) {
        std::string rdtSerial;
        const int r = ops_.CheckRdtResult(setup_.port, ctx_, rec_.SerialNumber, s.CheckRDTMode, rdtSerial);
        DebugPrint("RDT Serial number = %.21s", rdtSerial.c_str());
        if (r != 1) return refuse(r);
    }
    if (s.EnCheckSnLength && std::strlen(rec_.SerialNumber) != s.CheckSnLengthValue) return refuse(item::kCheckSnLength);
    if (s.EnPPID && std::strlen(rec_.Ppid) != s.CheckPPIDLengthValue) return refuse(item::kCheckPpidLength);
    if (!setup_.specialMode && !ops_.CheckChip(setup_.port, ctx_)) return refuse(item::kCheckChip);
    return true;
}

void ProductionWorker::End() {
    const bool batch = EnBatchMode.load() != 0;
    channel_.Record([&](PortRecord& r) {
        r.OverallResult = failed_ ? kResultFail : kResultPass;
        r.PendingYield = failed_ ? -1 : 1;
    });
    if (failed_ && batch) {
        batch_.AllPass = false;
        if (ctx_.controls.ignoreErrorDisabled) batch_.Continue = false;
    }
    channel_.Gauge(kStepGauge, 100);
    channel_.KillWatchdog();
}

void ProductionWorker::Steps() {
    const GlobalParameter& s = ctx_.settings;
    const int port = setup_.port;

    StepOk(item::kFlashModuleTest, kClear | kEndOnFail, [&] { return ops_.FlashModuleTest(port, ctx_); });
    if (failed_) return;
    StepWhen(item::kRebuildBadBlock, Enabled(item::kRebuildBadBlock) || s.UpdateFirmwareA2B, kClear | kEndOnFail, [&] {
        return ops_.RebuildBadBlock(port, ctx_, s.UpdateFirmwareA2B != 0) ? 0 : item::kRebuildBadBlock;
    });
    if (failed_) return;
    if (setup_.rebuildOnly) {
        // A failed rebuild is a failed drive whatever the close check box
        // says; the close after the run follows only a pass.
        if (!ops_.RebuildBadBlock(port, ctx_, false)) Fail(item::kRebuildBadBlock, false);
        return;
    }

    StepOk(item::kBusInterfaceTest, kClear, [&] { return ops_.BusInterfaceTest(port, ctx_); });
    StepOk(item::kFlashInterfaceTest, kClear, [&] {
        int result = 0;
        std::uint8_t flag = 0;
        channel_.Record([](PortRecord& r) { r.FlashTestResult = 0, r.FlashTestFlag = 0; });
        const bool ok = ops_.FlashInterfaceTest(port, ctx_, &result, &flag);
        channel_.Record([&](PortRecord& r) { r.FlashTestResult = result, r.FlashTestFlag = flag; });
        return ok;
    });
    Step(item::kDramTest, kClear, [&] { return DramTest(); });

    if (Enabled(item::kPreformat) || Enabled(item::kDownload) || Enabled(item::kUpload) ||
        Enabled(item::kCheckTables)) {
        if ((Enabled(item::kPreformat) && ctx_.controls.erase) || Enabled(item::kEraseBlocks)) ops_.EraseByGdp(port, ctx_);
        if (!failed_ && !ops_.GetCodeBlockList(port, ctx_)) Fail(item::kCheckLoaderBlock, true);
        if (failed_) return;
    }
    SecondHalf();
}

int ProductionWorker::DramTest() {
    // The reasons the DRAM test gives for its one-chip, other-chip and
    // both-chips failures, refined into their own items.
    struct Refined {
        std::uint8_t reason;
        item::Number item;
    };
    static constexpr Refined kRefined[] = {
        {25, item::kDram1Test}, {26, item::kDram2Test}, {27, item::kDramBothTest}};
    std::uint8_t reason = 0;
    if (ops_.DramTest(setup_.port, ctx_, &reason)) return 0;
    if (ctx_.settings.EnOneDram) return item::kDramTest;
    for (const Refined& r : kRefined) {
        if (r.reason != reason) continue;
        // The refined item replaces the DRAM test's; both keep the detail.
        channel_.Detail(item::kDramTest, ctx_.scratch);
        return r.item;
    }
    return item::kDramTest;
}

}  // namespace qx::station
