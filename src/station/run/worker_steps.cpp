// The worker's steps from "Preformat" on, and the checks that are more than
// one call.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/error_items/error_items.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/vendor_command.h"
#include "station/run/production_worker.h"

namespace qx::station {

namespace {

constexpr int kFormatPartitionTries = 101;
constexpr std::uint32_t kIdemaSectorsPerGB = 1'953'504;
constexpr std::uint32_t kIdemaBaseSectors = 21'168;
constexpr std::uint32_t kSataSpeedRegister = 0xB0005040;
constexpr std::size_t kPpidBytes = 23;
constexpr std::uint8_t kBadBlockOverMark = 0xBB;

// A fixed-width field of text, padded.
template <std::size_t N>
std::array<char, N> Padded(const char* text, char pad) {
    std::array<char, N> out;
    out.fill(pad);
    const std::size_t n = std::min(std::strlen(text), N);
    std::memcpy(out.data(), text, n);
    return out;
}

}  // namespace

void ProductionWorker::SecondHalf() {
    const GlobalParameter& s = ctx_.settings;
    const RoundControls& c = ctx_.controls;
    const int port = setup_.port;
    using namespace item;

    StepOk(kPreformat, kClear, [&] {
        channel_.Record([](PortRecord& r) { r.FlashTestResult = 0; });
        return ops_.PreFormat(port, ctx_, c.erase, c.later, c.repairUsed);
    });
    StepOk(kDownload, 0, [&] {
        const DriveIdentity identity{rec_.SerialNumber, rec_.Wwn, ctx_.config.RawCapacityGB > 200};
        return ops_.DownloadFirmware(port, ctx_, identity);
    });
    Step(kWritePpid, 0, [&] { return WritePpid(); });
    StepOk(kUpload, 0, [&] { return ops_.UploadFirmware(port, ctx_); });
    StepOk(kRWTest, 0, [&] { return ops_.ReadWriteTest(port, ctx_); });
    Step(kCheckTables, kUntouched, [&] { return TableCheck(kCheckTables, 0); });
    StepOk(kSetMaxLba, 0, [&] {
        const auto low = static_cast<std::uint32_t>(s.SetMaxLBAValue & 0xFFFFFFFFu);
        const auto high = static_cast<std::uint32_t>(s.SetMaxLBAValue >> 32);
        return ops_.SetMaxLba(port, ctx_, low, high);
    });
    Step(kDiskFormat, kNoDetail, [&] { return FormatSequence(); });
    StepWhen(kCopyImage, Enabled(kDownload) && Enabled(kCopyImage), kNoDetail | kNoGauge, [&] { return CopyImage(); });
    StepOk(kCheckTemperature, 0, [&] {
        std::uint8_t temperature = 0;
        const bool ok = ops_.CheckTemperature(port, ctx_, s.CheckMaxTemperatureValue, &temperature);
        channel_.Record([&](PortRecord& r) { r.Temperature = static_cast<std::int8_t>(temperature); });
        return ok;
    });

    if (Enabled(kModelNumber) || Enabled(kFirmwareVersion) || Enabled(kVendorName) || Enabled(kProductName) ||
        Enabled(kSerialNumberCheck) || Enabled(kCheckSsdId))
        IdentityRead();
    StepOk(kModelNumber, 0, [&] { return !BytesDiffer(model_, Padded<40>(ctx_.config.ModelNum, ' ').data(), 40); });
    StepOk(kFirmwareVersion, 0,
           [&] { return !BytesDiffer(firmware_, Padded<8>(ctx_.config.FirmwareVer, ' ').data(), 8); });
    StepOk(kVendorName, 0, [&] { return !BytesDiffer(vendor_, Padded<8>(s.UsbVendorName, '\0').data(), 8); });
    StepOk(kProductName, 0, [&] { return !BytesDiffer(product_, Padded<16>(s.UsbProductName, '\0').data(), 16); });
    if (Enabled(kIdemaCapacity)) {
        ops_.EnterFirmwareMode(port, ctx_);
        const std::uint32_t capacity = ops_.CapacitySectors(port);
        const std::uint32_t expected = s.IdemaCapacityGB * kIdemaSectorsPerGB + kIdemaBaseSectors;
        StepOk(kIdemaCapacity, 0, [&] { return capacity == expected; });
    } else {
        SetStatus(kIdemaCapacity, kStepOff);
    }
    Step(kSerialNumberCheck, 0, [&] { return SerialCheck(); });
    if (Enabled(kLbaCapacity)) {
        const std::uint32_t capacity = ops_.CapacitySectors(port);
        StepOk(kLbaCapacity, 0, [&] { return capacity == s.LbaCapacity; });
    } else {
        SetStatus(kLbaCapacity, kStepOff);
    }
    StepOk(kCheckZeroValue, 0, [&] { return RTestCompareWithZeroValue(100); });
    StepOk(kPartialRWTest, 0, [&] { return ops_.ReadWriteTest(port, ctx_); });
    StepOk(kPercentageRWTest, 0,
           [&] { return RWTestPercentageWithProgress(s.RWTestPercentageCycles, false, s.RWTestPercentage); });
    StepOk(kFullWriteTest, 0, [&] { return RWTestPercentageWithProgress(s.WTestFullCycles, true, 100); });
    StepOk(kFullRWTest, 0, [&] { return RWTestPercentageWithProgress(s.RWTestFullCycles, false, 100); });
    StepOk(kEraseAllData, 0, [&] { return ops_.FillDiskWithFF(port); });
    Step(kQcCheckTables, kUntouched, [&] { return TableCheck(kQcCheckTables, c.qcThreshold); });
    Step(kCheckSata3Speed, kUntouched, [&] { return CheckSataSpeed(); });
    Step(kCheckPpid, kUntouched, [&] { return CheckPpid(); });
    if (Enabled(kCheckSysFw)) SysFwCheck();
}

int ProductionWorker::TableCheck(item::Number item, std::uint32_t limit) {
    const int port = setup_.port;
    if (ops_.CheckCodePages(port, ctx_)) {
        BadBlockCounters counters{};
        BadBlockTotals totals{};
        ops_.EnterFirmwareMode(port, ctx_);
        ops_.CountBadBlocks(port, ctx_, counters, totals);
        const std::uint32_t later = totals[1] + totals[2] + totals[3] + totals[4];
        const bool ok = item == item::kCheckTables ? (totals[1] | totals[2] | totals[3] | totals[4]) == 0 : later <= limit;
        if (ok) return 0;
        ctx_.scratch[0] = kBadBlockOverMark;
        for (std::size_t k = 0; k < 5; ++k)
            for (std::size_t b = 0; b < 4; ++b)
                ctx_.scratch[1 + k * 4 + b] = static_cast<std::uint8_t>(totals[k] >> (8 * b));
    }
    return ctx_.scratch[0] == kBadBlockOverMark ? item::kBadBlockOver : item;
}

int ProductionWorker::FormatSequence() {
    const int port = setup_.port;
    auto failed = [&] {
        channel_.Record([](PortRecord& r) { r.Formatted = 0; });
        return item::kDiskFormat;
    };
    if (!ops_.EnterFirmwareMode(port, ctx_)) return failed();
    if (!ops_.CreatePartition(rec_.DiskPath, port)) return failed();
    // The system needs a moment to show the new partition.
    std::string node;
    bool found = false;
    for (int i = 0; i < kFormatPartitionTries && !found; ++i) {
        if (!platform::SleepMs(1000)) return failed();
        found = ops_.FindPartition(rec_.DiskPath, &node);
    }
    if (!found) return failed();
    if (!ops_.FormatFat32(rec_.DiskPath, ctx_.settings.DiskLabel, port)) return failed();
    channel_.Record([](PortRecord& r) { r.Formatted = 1; });
    return 0;
}

int ProductionWorker::CopyImage() {
    const int port = setup_.port;
    if (!ops_.EnterFirmwareMode(port, ctx_)) return item::kCopyImage;
    if (!hooks_.flushImage || !hooks_.flushImage(rec_.DiskPath, ctx_.settings.CopyImagePath)) return item::kCopyImage;
    const bool usb = DeviceSlots[static_cast<std::size_t>(port)].UsbPath != 0;
    for (int i = 0; i < 2; ++i) {
        if (usb) ops_.ReadSectorsScsi(rec_.DiskPath, ctx_.scratch.data(), 500, 65536);
        else ops_.AtaFlushCache(port);
    }
    if (!hooks_.checkImagePattern || !hooks_.checkImagePattern(rec_.DiskPath)) return item::kCopyImage;
    return 0;
}

void ProductionWorker::IdentityRead() {
    const int port = setup_.port;
    std::uint8_t* data = ctx_.scratch.data();
    if (DeviceSlots[static_cast<std::size_t>(port)].UsbPath) {
        std::array<std::uint8_t, 96> inquiry{};
        if (ops_.ScsiInquiry(port, inquiry.data())) std::memcpy(model_, inquiry.data() + 8, 24);
    } else if (ops_.IdentifyDevice(port, data)) {
        SwapBytePairs(data, 512);
        // Each text ends at its first zero byte; nothing after it counts.
        auto cut = [&](char* out, std::size_t at, std::size_t n) {
            std::memcpy(out, data + at, n);
            out[n] = '\0';
            const std::size_t len = std::strlen(out);
            std::fill(out + len, out + n, '\0');
        };
        cut(model_, 54, 40);
        cut(firmware_, 46, 8);
        cut(serial_, 20, 20);
    }
    // The record keeps its serial number when it begins with the drive's
    // (the firmware may hold a shorter form); otherwise the drive's is taken.
    const std::size_t n = std::strlen(serial_);
    if (std::strncmp(rec_.SerialNumber, serial_, n) != 0) {
        CopyPortText(rec_.SerialNumber, serial_);
        channel_.Record([&](PortRecord& r) { CopyPortText(r.SerialNumber, serial_); });
    }
}

int ProductionWorker::SerialCheck() const {
    const GlobalParameter& s = ctx_.settings;
    const std::string expected = s.SnCheckUsePattern ? std::string(s.SnCheckPattern) : [&] {
        std::string e = setup_.barcodeSerial;
        e.resize(std::max<std::size_t>(e.size(), 20), ' ');
        return e;
    }();
    const std::size_t length = s.SnCheckUsePattern ? expected.size() : 20;
    const std::size_t maskLength = std::strlen(s.SnCheckMask);
    for (std::size_t p = 0; p < length && p < maskLength; ++p)
        if (s.SnCheckMask[p] == '#' && (p >= sizeof serial_ || serial_[p] != expected[p])) return item::kSerialNumberCheck;
    return 0;
}

int ProductionWorker::WritePpid() {
    const int port = setup_.port;
    // On the controller's own USB interface there is no ATA route: the log
    // write and the standby send nothing and answer 1, so the step passes
    // there as its two commands do.
    if (ops_.IsLoaderDevice(port) || ops_.IsSataLoaderDevice(port)) ops_.EnterFirmwareMode(port, ctx_);
    std::array<std::uint8_t, 512> block;
    block.fill(0x20);
    std::memcpy(block.data(), rec_.Ppid, kPpidBytes);
    if (ops_.AtaWriteLogExt(port, block.data()) != 1) return item::kWritePpid;
    // The builders answer 2 for a failed standby, so only 1 counts.
    return ops_.AtaStandby(port) == 1 ? 0 : item::kWritePpid;
}

int ProductionWorker::CheckPpid() {
    const int port = setup_.port;
    if (DeviceSlots[static_cast<std::size_t>(port)].UsbPath) return item::kCheckPpid;
    if (ops_.IsLoaderDevice(port)) ops_.EnterFirmwareMode(port, ctx_);
    std::array<std::uint8_t, 512> block{};
    const bool read = ops_.AtaReadLogExt(port, block.data()) == 1;
    if (read && std::memcmp(block.data(), rec_.Ppid, kPpidBytes) == 0) {
        DebugPrint("######### - PPID success");
        return 0;
    }
    DebugPrint("######### - PPID fail");
    DebugPrint("######### - %s", rec_.Ppid);
    return item::kCheckPpid;
}

int ProductionWorker::CheckSataSpeed() {
    std::uint8_t value = 0;
    if (ops_.ReadRegister(setup_.port, kSataSpeedRegister, &value) != 1) return item::kCheckSata3Speed;
    const int speed = value >> 4;
    return speed != 1 && speed != 2 ? 0 : item::kCheckSata3Speed;
}

void ProductionWorker::TouchFile(const char* name, const char* traceFormat) {
    const std::string path = setup_.programFolder + name;
    DebugPrint(traceFormat, path.c_str());
    // Opened or created, never truncated: the marker's presence is what counts.
    if (std::FILE* f = std::fopen(path.c_str(), "ab")) std::fclose(f);
}

void ProductionWorker::SysFwCheck() {
    const int port = setup_.port;
    DebugPrint("######### - %s", (setup_.programFolder + "GDP.bin").c_str());
    SetStatus(item::kCheckSysFw, kStepRunning);
    bool ok = false;
    if (!failed_) {
        channel_.Caption(std::string(ErrorItemStepName(item::kCheckSysFw)), kYellow);
        if (ops_.IsLoaderDevice(port)) ops_.EnterFirmwareMode(port, ctx_);
        ops_.ReadSystemInfo(port, ctx_);
        ops_.BootGdpProgram(port, ctx_);
        ok = ops_.CheckCodeBlocks(port, ctx_);
    }
    if (ok) {
        DebugPrint("######### - SYSFW success");
        SetStatus(item::kCheckSysFw, kStepPassed);
        TouchFile("Pass.txt", "######### - A - %s");
    } else {
        DebugPrint("######### - SYSFW fail");
        Fail(item::kCheckSysFw, true);
        SetStatus(item::kCheckSysFw, kStepFailed);
        TouchFile("Fail.txt", "######### - B - %s");
    }
    GaugeStep();
}

}  // namespace qx::station
