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
    auto pass = [](bool ok, int item) { return ok ? 0 : item; };

    Step(7, Enabled(7), kClear, [&] {
        channel_.Record([](PortRecord& r) { r.FlashTestResult = 0; });
        return pass(ops_.PreFormat(port, ctx_, c.erase, c.later, c.repairUsed), 7);
    });
    Step(8, Enabled(8), 0, [&] {
        const DriveIdentity identity{rec_.SerialNumber, rec_.Wwn, ctx_.config.RawCapacityGB > 200};
        return pass(ops_.DownloadFirmware(port, ctx_, identity), 8);
    });
    Step(12, Enabled(12), 0, [&] { return WritePpid(); });
    Step(9, Enabled(9), 0, [&] { return pass(ops_.UploadFirmware(port, ctx_), 9); });
    Step(10, Enabled(10), 0, [&] { return pass(ops_.ReadWriteTest(port, ctx_), 10); });
    Step(11, Enabled(11), kUntouched, [&] { return TableCheck(11, 0); });
    Step(13, Enabled(13), 0, [&] {
        const auto low = static_cast<std::uint32_t>(s.SetMaxLBAValue & 0xFFFFFFFFu);
        const auto high = static_cast<std::uint32_t>(s.SetMaxLBAValue >> 32);
        return pass(ops_.SetMaxLba(port, ctx_, low, high), 13);
    });
    Step(14, Enabled(14), kNoDetail, [&] { return FormatSequence(); });
    Step(15, Enabled(8) && Enabled(15), kNoDetail | kNoGauge, [&] { return CopyImage(); });
    Step(16, Enabled(16), 0, [&] {
        std::uint8_t temperature = 0;
        const bool ok = ops_.CheckTemperature(port, ctx_, s.CheckMaxTemperatureValue, &temperature);
        channel_.Record([&](PortRecord& r) { r.Temperature = static_cast<std::int8_t>(temperature); });
        return pass(ok, 16);
    });

    if (Enabled(17) || Enabled(18) || Enabled(19) || Enabled(20) || Enabled(22) || Enabled(34)) IdentityRead();
    Step(17, Enabled(17), 0, [&] {
        return pass(!BytesDiffer(model_, Padded<40>(ctx_.config.ModelNum, ' ').data(), 40), 17);
    });
    Step(18, Enabled(18), 0, [&] {
        return pass(!BytesDiffer(firmware_, Padded<8>(ctx_.config.FirmwareVer, ' ').data(), 8), 18);
    });
    Step(19, Enabled(19), 0, [&] { return pass(!BytesDiffer(vendor_, Padded<8>(s.UsbVendorName, '\0').data(), 8), 19); });
    Step(20, Enabled(20), 0, [&] {
        return pass(!BytesDiffer(product_, Padded<16>(s.UsbProductName, '\0').data(), 16), 20);
    });
    if (Enabled(21)) {
        ops_.EnterFirmwareMode(port, ctx_);
        const std::uint32_t capacity = ops_.CapacitySectors(port);
        const std::uint32_t expected = s.IdemaCapacityGB * kIdemaSectorsPerGB + kIdemaBaseSectors;
        Step(21, true, 0, [&] { return pass(capacity == expected, 21); });
    } else {
        SetStatus(21, kStepOff);
    }
    Step(22, Enabled(22), 0, [&] { return SerialCheck(); });
    if (Enabled(23)) {
        const std::uint32_t capacity = ops_.CapacitySectors(port);
        Step(23, true, 0, [&] { return pass(capacity == s.LbaCapacity, 23); });
    } else {
        SetStatus(23, kStepOff);
    }
    Step(32, Enabled(32), 0, [&] { return pass(RTestCompareWithZeroValue(100), 32); });
    Step(24, Enabled(24), 0, [&] { return pass(ops_.ReadWriteTest(port, ctx_), 24); });
    Step(25, Enabled(25), 0, [&] {
        return pass(RWTestPercentageWithProgress(s.RWTestPercentageCycles, false, s.RWTestPercentage), 25);
    });
    Step(26, Enabled(26), 0, [&] { return pass(RWTestPercentageWithProgress(s.WTestFullCycles, true, 100), 26); });
    Step(27, Enabled(27), 0, [&] { return pass(RWTestPercentageWithProgress(s.RWTestFullCycles, false, 100), 27); });
    Step(28, Enabled(28), 0, [&] { return pass(ops_.FillDiskWithFF(port), 28); });
    Step(29, Enabled(29), kUntouched, [&] { return TableCheck(29, c.qcThreshold); });
    Step(30, Enabled(30), kUntouched, [&] { return CheckSataSpeed(); });
    Step(31, Enabled(31), kUntouched, [&] { return CheckPpid(); });
    if (Enabled(39)) SysFwCheck();
}

int ProductionWorker::TableCheck(int item, std::uint32_t limit) {
    const int port = setup_.port;
    if (ops_.CheckCodePages(port, ctx_)) {
        BadBlockCounters counters{};
        BadBlockTotals totals{};
        ops_.EnterFirmwareMode(port, ctx_);
        ops_.CountBadBlocks(port, ctx_, counters, totals);
        const std::uint32_t later = totals[1] + totals[2] + totals[3] + totals[4];
        const bool ok = item == 11 ? (totals[1] | totals[2] | totals[3] | totals[4]) == 0 : later <= limit;
        if (ok) return 0;
        ctx_.scratch[0] = kBadBlockOverMark;
        for (std::size_t k = 0; k < 5; ++k)
            for (std::size_t b = 0; b < 4; ++b)
                ctx_.scratch[1 + k * 4 + b] = static_cast<std::uint8_t>(totals[k] >> (8 * b));
    }
    return ctx_.scratch[0] == kBadBlockOverMark ? 44 : item;
}

int ProductionWorker::FormatSequence() {
    const int port = setup_.port;
    auto failed = [&] {
        channel_.Record([](PortRecord& r) { r.Formatted = 0; });
        return 14;
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
    if (!ops_.EnterFirmwareMode(port, ctx_)) return kItemCopyImage;
    if (!hooks_.flushImage || !hooks_.flushImage(rec_.DiskPath, ctx_.settings.CopyImagePath)) return kItemCopyImage;
    const bool usb = DeviceSlots[static_cast<std::size_t>(port)].UsbPath != 0;
    for (int i = 0; i < 2; ++i) {
        if (usb) ops_.ReadSectorsScsi(rec_.DiskPath, ctx_.scratch.data(), 500, 65536);
        else ops_.AtaFlushCache(port);
    }
    if (!hooks_.checkImagePattern || !hooks_.checkImagePattern(rec_.DiskPath)) return kItemCopyImage;
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
        if (s.SnCheckMask[p] == '#' && (p >= sizeof serial_ || serial_[p] != expected[p])) return 22;
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
    if (ops_.AtaWriteLogExt(port, block.data()) != 1) return 12;
    // The builders answer 2 for a failed standby, so only 1 counts.
    return ops_.AtaStandby(port) == 1 ? 0 : 12;
}

int ProductionWorker::CheckPpid() {
    const int port = setup_.port;
    if (DeviceSlots[static_cast<std::size_t>(port)].UsbPath) return 31;
    if (ops_.IsLoaderDevice(port)) ops_.EnterFirmwareMode(port, ctx_);
    std::array<std::uint8_t, 512> block{};
    const bool read = ops_.AtaReadLogExt(port, block.data()) == 1;
    if (read && std::memcmp(block.data(), rec_.Ppid, kPpidBytes) == 0) {
        DebugPrint("######### - PPID success");
        return 0;
    }
    DebugPrint("######### - PPID fail");
    DebugPrint("######### - %s", rec_.Ppid);
    return 31;
}

int ProductionWorker::CheckSataSpeed() {
    std::uint8_t value = 0;
    if (ops_.ReadRegister(setup_.port, kSataSpeedRegister, &value) != 1) return 30;
    const int speed = value >> 4;
    return speed != 1 && speed != 2 ? 0 : 30;
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
    SetStatus(39, kStepRunning);
    bool ok = false;
    if (!failed_) {
        channel_.Caption(std::string(ErrorItemStepName(39)), kYellow);
        if (ops_.IsLoaderDevice(port)) ops_.EnterFirmwareMode(port, ctx_);
        ops_.ReadSystemInfo(port, ctx_);
        ops_.BootGdpProgram(port, ctx_);
        ok = ops_.CheckCodeBlocks(port, ctx_);
    }
    if (ok) {
        DebugPrint("######### - SYSFW success");
        SetStatus(39, kStepPassed);
        TouchFile("Pass.txt", "######### - A - %s");
    } else {
        DebugPrint("######### - SYSFW fail");
        Fail(39, true);
        SetStatus(39, kStepFailed);
        TouchFile("Fail.txt", "######### - B - %s");
    }
    GaugeStep();
}

}  // namespace qx::station
