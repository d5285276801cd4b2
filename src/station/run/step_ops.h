// Every drive operation the production run makes, one virtual each, so the
// worker's step protocol and the START checks can be driven in tests by a
// scripted drive as well as by the library on the simulated rack.
// LibraryStepOps is the one the station uses: each call goes straight to the
// library function of the same name.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "qxlib/firmware/bin_file_pages.h"
#include "qxlib/tables/bad_block_counters.h"
#include "station/run/worker_context.h"

namespace qx::station {

class StepOps {
public:
    virtual ~StepOps() = default;

    // Drive state and identity.
    virtual bool IsLoaderDevice(int port) = 0;
    virtual bool IsSataLoaderDevice(int port) = 0;
    virtual bool EnterFirmwareMode(int port, WorkerContext& ctx) = 0;
    virtual bool IdentifyDevice(int port, std::uint8_t* buffer) = 0;   // 512 bytes
    virtual bool ScsiInquiry(int port, std::uint8_t* buffer) = 0;      // 36 bytes at least
    virtual std::uint32_t CapacitySectors(int port) = 0;
    virtual bool HasNtfsPartition(int port) = 0;
    virtual bool SendBridgeCmd32(int port, std::uint8_t value) = 0;

    // Pre-checks.
    virtual bool CheckChip(int port, WorkerContext& ctx) = 0;
    virtual int CheckRdtResult(int port, WorkerContext& ctx, const char* serial, std::uint8_t mode,
                               std::string& rdtSerial) = 0;

    // Diagnostic program steps.
    virtual bool FlashModuleTest(int port, WorkerContext& ctx) = 0;
    virtual bool RebuildBadBlock(int port, WorkerContext& ctx, bool useOldProgram) = 0;
    virtual bool BusInterfaceTest(int port, WorkerContext& ctx) = 0;
    virtual bool FlashInterfaceTest(int port, WorkerContext& ctx, int* result, std::uint8_t* flag) = 0;
    virtual bool DramTest(int port, WorkerContext& ctx, std::uint8_t* reason) = 0;
    virtual bool EraseByGdp(int port, WorkerContext& ctx) = 0;
    virtual bool GetCodeBlockList(int port, WorkerContext& ctx) = 0;
    virtual bool PreFormat(int port, WorkerContext& ctx, bool erase, bool later, bool repairUsed) = 0;
    virtual bool RunGdpType1(int port, WorkerContext& ctx) = 0;

    // Firmware and tables.
    virtual bool DownloadFirmware(int port, WorkerContext& ctx, const DriveIdentity& identity) = 0;
    virtual bool UploadFirmware(int port, WorkerContext& ctx) = 0;
    virtual bool CheckCodePages(int port, WorkerContext& ctx) = 0;
    virtual void CountBadBlocks(int port, WorkerContext& ctx, std::span<std::uint32_t> counters,
                                BadBlockTotals& totals) = 0;
    virtual bool GetDefectTable(int port, WorkerContext& ctx, const std::string& path, int variant) = 0;
    virtual bool PutDefectTable(int port, WorkerContext& ctx, const std::string& path, int variant) = 0;
    virtual bool GetLaterTable(int port, WorkerContext& ctx, const std::string& path, int variant) = 0;
    virtual bool PutLaterTable(int port, WorkerContext& ctx, const std::string& path, int variant) = 0;

    // ATA and SCSI requests (results as the library's transport gives them).
    virtual int AtaWriteLogExt(int port, std::uint8_t* block) = 0;   // one sector, log 0x9A
    virtual int AtaReadLogExt(int port, std::uint8_t* block) = 0;
    virtual int AtaStandby(int port) = 0;
    virtual int AtaFlushCache(int port) = 0;
    virtual int ReadRegister(int port, std::uint32_t address, std::uint8_t* value) = 0;
    virtual int ReadSectorsScsi(const char* path, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t bytes) = 0;

    // Read/write steps.
    virtual bool ReadWriteTest(int port, WorkerContext& ctx) = 0;
    virtual bool FillDiskWithFF(int port) = 0;
    virtual bool CheckTemperature(int port, WorkerContext& ctx, std::uint8_t limit, std::uint8_t* temperature) = 0;
    virtual bool SetMaxLba(int port, WorkerContext& ctx, std::uint32_t low, std::uint32_t high) = 0;
    virtual bool WritePatternBlock(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) = 0;
    virtual bool ReadPatternBlock(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) = 0;
    virtual bool ReadCompareZero(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) = 0;

    // Partition and file system.
    virtual bool CreatePartition(const char* diskPath, int port) = 0;
    virtual bool FindPartition(const char* diskPath, std::string* node) = 0;
    virtual bool FormatFat32(const char* diskPath, const char* label, int port) = 0;

    // The SYS FW check.
    virtual bool ReadSystemInfo(int port, WorkerContext& ctx) = 0;
    virtual bool BootGdpProgram(int port, WorkerContext& ctx) = 0;
    virtual bool CheckCodeBlocks(int port, WorkerContext& ctx) = 0;
};

class LibraryStepOps : public StepOps {
public:
    bool IsLoaderDevice(int port) override;
    bool IsSataLoaderDevice(int port) override;
    bool EnterFirmwareMode(int port, WorkerContext& ctx) override;
    bool IdentifyDevice(int port, std::uint8_t* buffer) override;
    bool ScsiInquiry(int port, std::uint8_t* buffer) override;
    std::uint32_t CapacitySectors(int port) override;
    bool HasNtfsPartition(int port) override;
    bool SendBridgeCmd32(int port, std::uint8_t value) override;
    bool CheckChip(int port, WorkerContext& ctx) override;
    int CheckRdtResult(int port, WorkerContext& ctx, const char* serial, std::uint8_t mode,
                       std::string& rdtSerial) override;
    bool FlashModuleTest(int port, WorkerContext& ctx) override;
    bool RebuildBadBlock(int port, WorkerContext& ctx, bool useOldProgram) override;
    bool BusInterfaceTest(int port, WorkerContext& ctx) override;
    bool FlashInterfaceTest(int port, WorkerContext& ctx, int* result, std::uint8_t* flag) override;
    bool DramTest(int port, WorkerContext& ctx, std::uint8_t* reason) override;
    bool EraseByGdp(int port, WorkerContext& ctx) override;
    bool GetCodeBlockList(int port, WorkerContext& ctx) override;
    bool PreFormat(int port, WorkerContext& ctx, bool erase, bool later, bool repairUsed) override;
    bool RunGdpType1(int port, WorkerContext& ctx) override;
    bool DownloadFirmware(int port, WorkerContext& ctx, const DriveIdentity& identity) override;
    bool UploadFirmware(int port, WorkerContext& ctx) override;
    bool CheckCodePages(int port, WorkerContext& ctx) override;
    void CountBadBlocks(int port, WorkerContext& ctx, std::span<std::uint32_t> counters,
                        BadBlockTotals& totals) override;
    bool GetDefectTable(int port, WorkerContext& ctx, const std::string& path, int variant) override;
    bool PutDefectTable(int port, WorkerContext& ctx, const std::string& path, int variant) override;
    bool GetLaterTable(int port, WorkerContext& ctx, const std::string& path, int variant) override;
    bool PutLaterTable(int port, WorkerContext& ctx, const std::string& path, int variant) override;
    int AtaWriteLogExt(int port, std::uint8_t* block) override;
    int AtaReadLogExt(int port, std::uint8_t* block) override;
    int AtaStandby(int port) override;
    int AtaFlushCache(int port) override;
    int ReadRegister(int port, std::uint32_t address, std::uint8_t* value) override;
    int ReadSectorsScsi(const char* path, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t bytes) override;
    bool ReadWriteTest(int port, WorkerContext& ctx) override;
    bool FillDiskWithFF(int port) override;
    bool CheckTemperature(int port, WorkerContext& ctx, std::uint8_t limit, std::uint8_t* temperature) override;
    bool SetMaxLba(int port, WorkerContext& ctx, std::uint32_t low, std::uint32_t high) override;
    bool WritePatternBlock(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) override;
    bool ReadPatternBlock(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) override;
    bool ReadCompareZero(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) override;
    bool CreatePartition(const char* diskPath, int port) override;
    bool FindPartition(const char* diskPath, std::string* node) override;
    bool FormatFat32(const char* diskPath, const char* label, int port) override;
    bool ReadSystemInfo(int port, WorkerContext& ctx) override;
    bool BootGdpProgram(int port, WorkerContext& ctx) override;
    bool CheckCodeBlocks(int port, WorkerContext& ctx) override;
};

}  // namespace qx::station
