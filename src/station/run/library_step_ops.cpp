#include <array>

#include "qxlib/diagnostics/code_block_list.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/firmware/defect_table_drive.h"
#include "qxlib/firmware/firmware_download.h"
#include "qxlib/firmware/firmware_upload.h"
#include "qxlib/firmware/later_table_drive.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/format/fat32_format.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/rw/lba_steps.h"
#include "qxlib/rw/rw_blocks.h"
#include "qxlib/rw/rw_steps.h"
#include "qxlib/tables/code_page_check.h"
#include "qxlib/tables/rdt_check.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/pass_through.h"
#include "qxlib/transport/vendor_builders.h"
#include "qxlib/transport/vendor_command.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/vendor_access/va_code_blocks.h"
#include "station/run/step_ops.h"

namespace qx::station {

namespace {
constexpr std::uint8_t kPpidLog = 0x9A;
}

bool LibraryStepOps::IsLoaderDevice(int port) { return qx::IsLoaderDevice(port); }
bool LibraryStepOps::IsSataLoaderDevice(int port) { return qx::IsSataLoaderDevice(port); }
bool LibraryStepOps::EnterFirmwareMode(int port, WorkerContext& ctx) {
    return qx::EnterFirmwareMode(port, ctx.config, ctx.scratch) == 1;
}
bool LibraryStepOps::IdentifyDevice(int port, std::uint8_t* buffer) { return qx::IdentifyDevice(port, buffer, 1); }
bool LibraryStepOps::ScsiInquiry(int port, std::uint8_t* buffer) { return SCSI_Inquiry(port, buffer) == 1; }
std::uint32_t LibraryStepOps::CapacitySectors(int port) { return GetCapacitySectors(port); }
bool LibraryStepOps::HasNtfsPartition(int port) { return qx::HasNtfsPartition(port); }
bool LibraryStepOps::SendBridgeCmd32(int port, std::uint8_t value) { return qx::SendBridgeCmd32(port, value); }

bool LibraryStepOps::CheckChip(int port, WorkerContext& ctx) { return qx::CheckChip(port, ctx.Step()); }
int LibraryStepOps::CheckRdtResult(int port, WorkerContext& ctx, const char* serial, std::uint8_t mode,
                                   std::string& rdtSerial) {
    return qx::CheckRdtResult(port, ctx.Step(), serial, mode, rdtSerial);
}

bool LibraryStepOps::FlashModuleTest(int port, WorkerContext& ctx) { return qx::FlashModuleTest(port, ctx.Step()); }
bool LibraryStepOps::RebuildBadBlock(int port, WorkerContext& ctx, bool useOldProgram) {
    return qx::RebuildBadBlock(port, ctx.Step(), useOldProgram);
}
bool LibraryStepOps::BusInterfaceTest(int port, WorkerContext& ctx) { return qx::BusInterfaceTest(port, ctx.Step()); }
bool LibraryStepOps::FlashInterfaceTest(int port, WorkerContext& ctx, int* result, std::uint8_t* flag) {
    return qx::FlashInterfaceTest(port, ctx.Step(), result, flag);
}
bool LibraryStepOps::DramTest(int port, WorkerContext& ctx, std::uint8_t* reason) {
    return qx::DramTest(port, ctx.Step(), reason);
}
bool LibraryStepOps::EraseByGdp(int port, WorkerContext& ctx) { return qx::EraseByGdp(port, ctx.Step()); }
bool LibraryStepOps::GetCodeBlockList(int port, WorkerContext& ctx) { return qx::GetCodeBlockList(port, ctx.Step()); }
bool LibraryStepOps::PreFormat(int port, WorkerContext& ctx, bool erase, bool later, bool repairUsed) {
    return qx::PreFormat(port, ctx.Step(), erase, later, repairUsed);
}
bool LibraryStepOps::RunGdpType1(int port, WorkerContext& ctx) { return qx::RunGdpType1(port, ctx.Step(), 0); }

bool LibraryStepOps::DownloadFirmware(int port, WorkerContext& ctx, const DriveIdentity& identity) {
    return qx::DownloadFirmware(port, ctx.Step(), ctx.binFiles, identity);
}
bool LibraryStepOps::UploadFirmware(int port, WorkerContext& ctx) {
    return qx::UploadFirmware(port, ctx.Step(), ctx.binFiles);
}
bool LibraryStepOps::CheckCodePages(int port, WorkerContext& ctx) {
    TableContext tables = ctx.Tables();
    return qx::CheckCodePages(port, tables);
}
void LibraryStepOps::CountBadBlocks(int port, WorkerContext& ctx, std::span<std::uint32_t> counters,
                                    BadBlockTotals& totals) {
    TableContext tables = ctx.Tables();
    CountBadBlocksByType(port, tables, counters, totals, nullptr);
}
bool LibraryStepOps::GetDefectTable(int port, WorkerContext& ctx, const std::string& path, int variant) {
    return qx::GetDefectTable(port, ctx.Step(), path.c_str(), variant);
}
bool LibraryStepOps::PutDefectTable(int port, WorkerContext& ctx, const std::string& path, int variant) {
    return qx::PutDefectTable(port, ctx.Step(), ctx.binFiles, path.c_str(), variant);
}
bool LibraryStepOps::GetLaterTable(int port, WorkerContext& ctx, const std::string& path, int variant) {
    return qx::GetLaterTable(port, ctx.Step(), path.c_str(), variant);
}
bool LibraryStepOps::PutLaterTable(int port, WorkerContext& ctx, const std::string& path, int variant) {
    return qx::PutLaterTable(port, ctx.Step(), path.c_str(), variant);
}

int LibraryStepOps::AtaWriteLogExt(int port, std::uint8_t* block) { return ATA_WriteLogExt(port, block, 1, kPpidLog, 0, false); }
int LibraryStepOps::AtaReadLogExt(int port, std::uint8_t* block) { return ATA_ReadLogExt(port, block, 1, kPpidLog, 0, false); }
int LibraryStepOps::AtaStandby(int port) { return ATA_Standby(port); }
int LibraryStepOps::AtaFlushCache(int port) { return ATA_FlushCache(port); }
int LibraryStepOps::ReadRegister(int port, std::uint32_t address, std::uint8_t* value) {
    return VC_ReadRegister(port, address, value);
}
int LibraryStepOps::ReadSectorsScsi(const char* path, std::uint8_t* buffer, std::uint32_t lba, std::uint32_t bytes) {
    return ReadSectorsSCSI(path, buffer, lba, bytes);
}

bool LibraryStepOps::ReadWriteTest(int port, WorkerContext& ctx) { return qx::ReadWriteTest(port, ctx.Step()); }
bool LibraryStepOps::FillDiskWithFF(int port) { return qx::FillDiskWithFF(port); }
bool LibraryStepOps::CheckTemperature(int port, WorkerContext& ctx, std::uint8_t limit, std::uint8_t* temperature) {
    return qx::CheckTemperature(port, ctx.Step(), limit, temperature);
}
bool LibraryStepOps::SetMaxLba(int port, WorkerContext& ctx, std::uint32_t low, std::uint32_t high) {
    return qx::SetMaxLba(port, ctx.Step(), low, high);
}
bool LibraryStepOps::WritePatternBlock(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) {
    return qx::WritePatternBlock(port, buffer, sectors, lba);
}
bool LibraryStepOps::ReadPatternBlock(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) {
    return qx::ReadPatternBlock(port, buffer, sectors, lba);
}
bool LibraryStepOps::ReadCompareZero(int port, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) {
    return ReadCompareConstant(port, buffer, sectors, lba, 0);
}

bool LibraryStepOps::CreatePartition(const char* diskPath, int port) {
    return IsWindows2000() ? WriteMbrAndPartition(diskPath) : CreateSinglePartitionEx(diskPath, port);
}
bool LibraryStepOps::FindPartition(const char* diskPath, std::string* node) {
    return FindDriveLetterOfDisk(diskPath, node);
}
bool LibraryStepOps::FormatFat32(const char* diskPath, const char* label, int port) {
    return FormatDiskFAT32(diskPath, label, port);
}

bool LibraryStepOps::ReadSystemInfo(int port, WorkerContext& ctx) {
    return qx::ReadSystemInfo(port, ctx.config, ctx.binFiles, ctx.info, ctx.scratch);
}
bool LibraryStepOps::BootGdpProgram(int port, WorkerContext& ctx) {
    std::uint8_t flags = 0;
    return qx::BootGdpProgram(port, ctx.config, ctx.settings, ctx.scratch, &flags, 0);
}
bool LibraryStepOps::CheckCodeBlocks(int port, WorkerContext& ctx) {
    return VA_CheckCodeBlocks(port, ctx.config, ctx.scratch);
}

}  // namespace qx::station
