#include "utility/main_form_logic.h"

#include <cstring>

#include "qxlib/base/debug_print.h"
#include "qxlib/base/switches.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/vendor_builders.h"
#include "qxlib/rw/rw_steps.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "ui/prompter.h"
#include "utility/dpd_ftl_dump.h"
#include "utility/page_index.h"
#include "utility/pages/saved_page_text.h"
#include "utility/ssd_info_dump.h"
#include "utility/utility_view.h"

namespace qx::utility {
namespace {

constexpr std::uint8_t kMemorySpace = 3;
constexpr int kDpdFtlSectors = 8;
constexpr std::size_t kHeaderModelAt = 36;
constexpr std::size_t kHeaderVersionAt = 6;

bool IsDramLayoutModel(const SystemInfo& info) {
    return std::memcmp(info.SystemHeaderCopy.data() + kHeaderModelAt, "849", 3) == 0 &&
           info.SystemHeaderCopy[kHeaderVersionAt] == '3';
}

bool HasFixedLogAddresses(const SystemInfo& info) {
    for (const char* v : {"42", "43", "44"})
        if (std::strncmp(info.HeaderVariant, v, 2) == 0) return true;
    return false;
}

}  // namespace

MainFormLogic::MainFormLogic(UtilityEnvironment env, UtilityView& view, ui::Prompter& prompter, PageSet& pages)
    : env_(std::move(env)),
      view_(view),
      prompter_(prompter),
      pages_(pages),
      settings_(LoadUtilitySettings(env_.ProgramFolder)),
      workBuffer_(kWorkBufferSize),
      config_(std::make_unique<FlashConfig>()),
      binFiles_(std::make_unique<BinFileList>()),
      info_(std::make_unique<SystemInfo>()),
      library_(std::make_unique<GlobalParameter>()),
      saveDialog_(std::make_unique<SaveDialogState>()) {
    view_.SetPageVisible(kPageRandomRw, false);
    view_.SetPageVisible(kPageDebugTool, false);
    view_.SetPageVisible(kPageUartLog, false);
    view_.SetPageVisible(kPageDiagnose, false);
}

MainFormLogic::~MainFormLogic() {
    // The slots name this window's drives: none is addressed after it.
    for (int i = 0; i < kMaxDevices; ++i) {
        DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(i)];
        if (s.InterfacePath == entries_[static_cast<std::size_t>(i)].Path.data()) s.InterfacePath.clear();
    }
}

std::string MainFormLogic::FolderText() const {
    std::string folder = env_.ProgramFolder.string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

void MainFormLogic::FormShow() {
    list_ = ScanDevices(entries_, env_.Scan);
    view_.ShowDeviceList(list_);
    view_.SetActivePage(kPageSsdInfo);
    if (!list_.Lines.empty()) {
        UpdateInfo(0);
        view_.SetActivePage(kPageSsdInfo);
    }
}

void MainFormLogic::ScanBnClick() {
    RescanDeviceTree(env_.Rescan);
    prompter_.Message(kScanFinishedMessage);
    FormShow();
}

void MainFormLogic::ListView1SelectItem(int row, bool selected) {
    if (row < 0 || static_cast<std::size_t>(row) >= list_.Rows.size()) return;
    current_ = static_cast<std::uint8_t>(list_.Rows[static_cast<std::size_t>(row)].Entry);
    UpdateInfo(selected ? 1 : 0);
}

PageContext MainFormLogic::Context(std::uint8_t device) {
    return PageContext{device,           workBuffer_,  *config_, *binFiles_, *info_,        settings_, *library_,
                       queryDramLayout_, FolderText(), view_,    prompter_,  *saveDialog_};
}

PageContext MainFormLogic::CurrentDrive() {
    const std::uint8_t device = current_;
    SetSlotTransferMode(device, entries_[device].TransferMode);
    return Context(device);
}

void MainFormLogic::UpdateInfo(std::uint8_t value) {
    const std::uint8_t device = current_;
    view_.ClearFields();
    smart_.StringGrid1 = {};   // the grid's rows, emptied with the window's
    if (value == 0) return;
    ReadDrive(device);
}

void MainFormLogic::ReadDrive(std::uint8_t device) {
    // This device's tunnel, whatever the slot was used for since the scan.
    SetSlotTransferMode(device, entries_[device].TransferMode);
    SetVendorFeature(device, true);
    if (!AllocDeviceSlotBuffers()) {
        prompter_.Message(kNoBufferMessage);
        return;
    }
    PageContext ctx = Context(device);
    const bool loader = IsLoaderDevice(device);
    if (loader && !specialMode_) {
        prompter_.Message(kLoaderMessage);
    } else if (loader) {
        LoaderRoute(ctx);
    } else {
        ReadSystemPages(device, ctx);
    }
    FreeDeviceSlotBuffers();
}

void MainFormLogic::LoaderRoute(PageContext& ctx) {
    const std::string gdp = FolderText() + kGdpFileName;
    SetGdpImagePath(gdp);
    std::error_code ec;
    if (std::filesystem::is_regular_file(gdp, ec)) {
        pages_.ShowFWDebugMessage(ctx, kLogsThroughGdp);
        view_.SetActivePage(kPageUartLog);
    } else {
        prompter_.Message(kMissingFileMessage + gdp);
    }
}

void MainFormLogic::ReadSystemPages(std::uint8_t device, PageContext& ctx) {
    DeviceSlot& slot = DeviceSlots[device];
    if (slot.UsbPath == 1)
        pages_.ParseUSBInfo(ctx);
    else
        pages_.ParseInfo(ctx);
    if (!ReadSystemInfo(device, *config_, *binFiles_, *info_, workBuffer_)) {
        prompter_.Message(kNoCodeBlockMessage);
        return;
    }
    pages_.ShowSSDInfo(ctx);
    view_.ShowSplash();
    PaserCmdLine();

    if (!slot.BadBlockMap.Allocate(kBadBlockMapSize)) {
        view_.CloseSplash();
        prompter_.Message(kNoBufferMessage);
        return;
    }
    pages_.ProcessBadBlockInfo(ctx);
    pages_.GetEraseCount(ctx);
    slot.BadBlockMap.Release();

    if (VC_ReadMemory(device, kMemorySpace, 0, workBuffer_.data(), kDpdFtlSectors) == 1)
        view_.SetLines(MemoId::DpdFTLMemo, DpdFTLDump(workBuffer_));

    view_.SetPageVisible(kPageUartLog, false);
    if (IsDramLayoutModel(*info_)) {
        queryDramLayout_ = HasFixedLogAddresses(*info_) ? 0 : 1;
        ctx.QueryDramLayout = queryDramLayout_;
        pages_.ShowFWDebugMessage(ctx, kLogsFromMemory);
    }
    view_.CloseSplash();
    view_.SetPageVisible(kPageDiagnose, false);
    view_.SetActivePage(kPageSsdInfo);
}

void MainFormLogic::PaserCmdLine() {
    outcome_.ReachedCommandLine = true;
    if (env_.Words.Has(kWordRwTest)) {
        RwTestBnClick();
        view_.CloseMainWindow();
    }
    if (env_.Words.Has(kWordDumpSsdInfo)) {
        outcome_.DumpRan = true;
        outcome_.DumpWritten =
            DumpSSDInfo(view_, env_.ProgramFolder, env_.Words.SecondArgument(), &outcome_.DumpPath);
        view_.CloseMainWindow();
    }
    if (env_.Words.Has(kWordDumpSsdRaw)) DumpDebugFile = true;
}

void MainFormLogic::RwTestBnClick() {
    const int device = CurrentDrive().Device;
    const StepContext ctx{*config_, *library_, workBuffer_, 0};
    const bool passed = ReadWriteTest(device, ctx);
    outcome_.RwTestRan = true;
    outcome_.RwTestPassed = passed;
    prompter_.Message(passed ? kRwTestPassMessage : kRwTestFailMessage);
}

void MainFormLogic::DpdFTLSaveBnClick() {
    SavePageText(prompter_, *saveDialog_, FolderText(), kDpdFtlFileName, view_.Lines(MemoId::DpdFTLMemo));
}

void MainFormLogic::SpecialTipShapeMouseDown(bool ctrlDown) {
    if (!ctrlDown) return;
    DumpDebugFile = true;
    view_.SetPageVisible(kPageUartLog, true);
    DebugToFile = true;
    specialMode_ = true;
    prompter_.Message(kSpecialModeMessage);
}

}  // namespace qx::utility
