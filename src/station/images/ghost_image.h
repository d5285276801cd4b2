// Drive images: the capture of a reference drive into a raw image file and
// the restore of an image file onto a drive, sector by sector through
// READ(10)/WRITE(10) on the drive's disk path, and the boot-sector check
// after a restore. Two image forms are restored:
//   raw    the drive's sectors from LBA 0, 512 bytes each
//   NTFS   16,392-byte records: 32 sectors of data at 0, their LBA (32-bit
//          little-endian) at 16,384, "NT" at 16,390 of the first record
// Every routine streams (one 64 KiB chunk or one record in memory) and opens
// the image file for itself, so many workers restore one image at once.
#pragma once

#include <cstdint>

namespace qx::station {

inline constexpr std::uint32_t kImageChunkBytes = 65536;
inline constexpr std::uint32_t kImageChunkSectors = kImageChunkBytes / 512;
inline constexpr std::uint32_t kNtfsRecordData = 16384;
inline constexpr std::uint32_t kNtfsRecordBytes = 16392;

// Captures sizeMB MiB from LBA 0 into a new file (an existing one is
// truncated). False for 0 MiB, a file that cannot be written, or a read that
// fails (the file then holds the chunks read before it).
bool ReadGhostImg(const char* diskPath, const char* filePath, std::uint32_t sizeMB);

// Restores an image file: NTFS form when the first record carries "NT",
// else raw from LBA 0 in 64 KiB chunks (the last one padded with zeros).
// Refuses, writing nothing, an image that does not fit the disk or a disk
// whose size cannot be read.
bool FlushGhostImg(const char* diskPath, const char* filePath);
// The NTFS form: each record's 32 sectors at its LBA, with the disk's volume
// locked while they are written; any failed write fails the restore.
bool FlushGhostNTFSImg(const char* diskPath, const char* filePath);

// Reads the boot sector (LBA 0, or 63 when LBA 0 does not start with a jump)
// and answers whether that read succeeded; any readable sector passes, so an
// NTFS image passes too.
bool CheckImgPattern(const char* diskPath);

}  // namespace qx::station
