// A drive for the run engine's tests: every operation answers from a table
// (pass unless told otherwise), records "Name@port" in the order made, and
// may hang until the worker's token is cancelled, as a stuck command does.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "station/run/step_ops.h"

namespace qx::test {

class ScriptedOps : public station::StepOps {
public:
    // Result of an operation on every port, or on one port.
    void Fail(const std::string& name, int port = -1) { Set(name, port, 0); }
    void Set(const std::string& name, int port, int result) {
        std::lock_guard hold(lock_);
        results_[{name, port}] = result;
    }
    void Hang(const std::string& name, int port = -1) {
        std::lock_guard hold(lock_);
        hangs_.insert({name, port});
    }
    void ClearHangs() {
        std::lock_guard hold(lock_);
        hangs_.clear();
    }
    std::vector<std::string> Calls() const {
        std::lock_guard hold(lock_);
        return calls_;
    }
    std::vector<std::string> CallsOn(int port) const {
        std::vector<std::string> out;
        const std::string tail = "@" + std::to_string(port);
        for (const std::string& c : Calls())
            if (c.size() > tail.size() && c.compare(c.size() - tail.size(), tail.size(), tail) == 0)
                out.push_back(c.substr(0, c.size() - tail.size()));
        return out;
    }
    int Count(const std::string& name, int port) const {
        int n = 0;
        for (const std::string& c : CallsOn(port)) n += c == name;
        return n;
    }
    void ClearCalls() {
        std::lock_guard hold(lock_);
        calls_.clear();
    }
    // Back to a drive that passes everything.
    void Reset() {
        std::lock_guard hold(lock_);
        results_.clear();
        hangs_.clear();
        calls_.clear();
        hanging = 0;
        blocks.clear();
        paths.clear();
        capacity = 1'000'000;
        registerValue = 0x30;
        dramReason = 0;
        totals = {};
        failDetail.clear();
    }

    std::uint32_t capacity = 1'000'000;
    std::uint8_t registerValue = 0x30;
    std::uint8_t dramReason = 0;
    BadBlockTotals totals{};
    std::vector<std::uint8_t> identify = std::vector<std::uint8_t>(512);
    std::vector<std::uint8_t> ppidLog = std::vector<std::uint8_t>(512);
    std::vector<std::uint8_t> failDetail;   // written to scratch by a failing step

    bool IsLoaderDevice(int p) override { return Op("IsLoaderDevice", p, 0); }
    bool IsSataLoaderDevice(int p) override { return Op("IsSataLoaderDevice", p, 0); }
    bool EnterFirmwareMode(int p, station::WorkerContext&) override { return Op("EnterFirmwareMode", p); }
    bool IdentifyDevice(int p, std::uint8_t* b) override {
        if (!Op("IdentifyDevice", p)) return false;
        std::copy(identify.begin(), identify.end(), b);
        return true;
    }
    bool ScsiInquiry(int p, std::uint8_t* b) override {
        if (!Op("ScsiInquiry", p)) return false;
        std::memcpy(b + 8, "QX      USB SSD         ", 24);
        return true;
    }
    std::uint32_t CapacitySectors(int p) override { return Op("CapacitySectors", p) ? capacity : 0; }
    bool HasNtfsPartition(int p) override { return Op("HasNtfsPartition", p, 0); }
    bool SendBridgeCmd32(int p, std::uint8_t) override { return Op("SendBridgeCmd32", p); }
    bool CheckChip(int p, station::WorkerContext& c) override { return Step("CheckChip", p, c); }
    int CheckRdtResult(int p, station::WorkerContext&, const char*, std::uint8_t, std::string& s) override {
        s = std::string(30, 'R');
        return Op("CheckRdtResult", p);
    }
    bool FlashModuleTest(int p, station::WorkerContext& c) override { return Step("FlashModuleTest", p, c); }
    bool RebuildBadBlock(int p, station::WorkerContext& c, bool) override { return Step("RebuildBadBlock", p, c); }
    bool BusInterfaceTest(int p, station::WorkerContext& c) override { return Step("BusInterfaceTest", p, c); }
    bool FlashInterfaceTest(int p, station::WorkerContext& c, int* r, std::uint8_t* f) override {
        *r = 0x40, *f = 1;
        return Step("FlashInterfaceTest", p, c);
    }
    bool DramTest(int p, station::WorkerContext& c, std::uint8_t* reason) override {
        *reason = dramReason;
        return Step("DramTest", p, c);
    }
    bool EraseByGdp(int p, station::WorkerContext& c) override { return Step("EraseByGdp", p, c); }
    bool GetCodeBlockList(int p, station::WorkerContext& c) override { return Step("GetCodeBlockList", p, c); }
    bool PreFormat(int p, station::WorkerContext& c, bool, bool, bool) override { return Step("PreFormat", p, c); }
    bool RunGdpType1(int p, station::WorkerContext& c) override { return Step("RunGdpType1", p, c); }
    bool DownloadFirmware(int p, station::WorkerContext& c, const DriveIdentity& id) override {
        {
            std::lock_guard hold(lock_);
            downloadSerial = std::string(id.serialNumber);
        }
        return Step("DownloadFirmware", p, c);
    }
    bool UploadFirmware(int p, station::WorkerContext& c) override { return Step("UploadFirmware", p, c); }
    bool CheckCodePages(int p, station::WorkerContext& c) override { return Step("CheckCodePages", p, c); }
    void CountBadBlocks(int p, station::WorkerContext&, std::span<std::uint32_t>, BadBlockTotals& t) override {
        Op("CountBadBlocks", p);
        t = totals;
    }
    bool GetDefectTable(int p, station::WorkerContext&, const std::string& path, int) override { return Path("GetDefectTable", p, path); }
    bool PutDefectTable(int p, station::WorkerContext&, const std::string& path, int) override { return Path("PutDefectTable", p, path); }
    bool GetLaterTable(int p, station::WorkerContext&, const std::string& path, int) override { return Path("GetLaterTable", p, path); }
    bool PutLaterTable(int p, station::WorkerContext&, const std::string& path, int) override { return Path("PutLaterTable", p, path); }
    int AtaWriteLogExt(int p, std::uint8_t* b) override {
        std::copy_n(b, 512, ppidLog.begin());
        return Op("AtaWriteLogExt", p) ? 1 : 2;
    }
    int AtaReadLogExt(int p, std::uint8_t* b) override {
        std::copy(ppidLog.begin(), ppidLog.end(), b);
        return Op("AtaReadLogExt", p) ? 1 : 2;
    }
    int AtaStandby(int p) override { return Op("AtaStandby", p) ? 1 : 2; }
    int AtaFlushCache(int p) override { return Op("AtaFlushCache", p) ? 1 : 2; }
    int ReadRegister(int p, std::uint32_t, std::uint8_t* v) override {
        *v = registerValue;
        return Op("ReadRegister", p) ? 1 : 2;
    }
    int ReadSectorsScsi(const char*, std::uint8_t*, std::uint32_t, std::uint32_t) override { return 1; }
    bool ReadWriteTest(int p, station::WorkerContext& c) override { return Step("ReadWriteTest", p, c); }
    bool FillDiskWithFF(int p) override { return Op("FillDiskWithFF", p); }
    bool CheckTemperature(int p, station::WorkerContext& c, std::uint8_t, std::uint8_t* t) override {
        *t = 41;
        return Step("CheckTemperature", p, c);
    }
    bool SetMaxLba(int p, station::WorkerContext& c, std::uint32_t, std::uint32_t) override { return Step("SetMaxLba", p, c); }
    bool WritePatternBlock(int p, std::span<std::uint8_t>, std::uint32_t n, std::uint32_t) override { return Block("Write", p, n); }
    bool ReadPatternBlock(int p, std::span<std::uint8_t>, std::uint32_t n, std::uint32_t) override { return Block("Read", p, n); }
    bool ReadCompareZero(int p, std::span<std::uint8_t>, std::uint32_t n, std::uint32_t) override { return Block("Zero", p, n); }
    bool CreatePartition(const char*, int p) override { return Op("CreatePartition", p); }
    bool FindPartition(const char*, std::string* node) override {
        *node = "/dev/sdz1";
        return Op("FindPartition", -2);
    }
    bool FormatFat32(const char*, const char*, int p) override { return Op("FormatFat32", p); }
    bool ReadSystemInfo(int p, station::WorkerContext& c) override { return Step("ReadSystemInfo", p, c); }
    bool BootGdpProgram(int p, station::WorkerContext& c) override { return Step("BootGdpProgram", p, c); }
    bool CheckCodeBlocks(int p, station::WorkerContext& c) override { return Step("CheckCodeBlocks", p, c); }

    std::string downloadSerial;
    std::atomic<int> hanging{0};   // commands stuck so far
    // Requests of the block loops, by kind and port: counted, not listed.
    std::map<std::pair<std::string, int>, std::vector<std::uint32_t>> blocks;

private:
    int Result(const std::string& name, int port, int fallback) {
        std::lock_guard hold(lock_);
        if (auto it = results_.find({name, port}); it != results_.end()) return it->second;
        if (auto it = results_.find({name, -1}); it != results_.end()) return it->second;
        return fallback;
    }
    bool Hangs(const std::string& name, int port) {
        std::lock_guard hold(lock_);
        return hangs_.contains({name, port}) || hangs_.contains({name, -1});
    }
    int Op(const std::string& name, int port, int fallback = 1) {
        {
            std::lock_guard hold(lock_);
            calls_.push_back(name + "@" + std::to_string(port));
        }
        if (Hangs(name, port)) {
            ++hanging;
            // A stuck command: it gives up only when the worker is cancelled
            // (or, should a test never cancel it, after a long real while).
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!platform::CancelRequested() && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::yield();
            return 0;
        }
        return Result(name, port, fallback);
    }
    bool Step(const std::string& name, int port, station::WorkerContext& c) {
        const bool ok = Op(name, port) != 0;
        if (!ok && !failDetail.empty()) std::copy(failDetail.begin(), failDetail.end(), c.scratch.begin());
        return ok;
    }
    bool Path(const std::string& name, int port, const std::string& path) {
        {
            std::lock_guard hold(lock_);
            paths.push_back(path);
        }
        return Op(name, port) != 0;
    }
    bool Block(const std::string& kind, int port, std::uint32_t n) {
        std::lock_guard hold(lock_);
        blocks[{kind, port}].push_back(n);
        auto it = results_.find({kind, port});
        return it == results_.end() || it->second != 0;
    }

    mutable std::mutex lock_;
    std::map<std::pair<std::string, int>, int> results_;
    std::set<std::pair<std::string, int>> hangs_;
    std::vector<std::string> calls_;

public:
    std::vector<std::string> paths;
};

}  // namespace qx::test
