// Whether the station runs from a folder on another machine. A production
// station must not: its settings, logs and results would live on a share
// that can vanish in the middle of a run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qx::station {

// The file system's type as statfs reports it (f_type), and for FUSE the
// subtype its mount names ("sshfs" of "fuse.sshfs"): true for the file
// systems served over a network (NFS, SMB/CIFS, 9p, AFS, Coda, Ceph, ...,
// and the FUSE ones such as sshfs). A FUSE file system of an unknown subtype
// counts as local.
bool IsNetworkFileSystem(std::uint32_t magic, std::string_view fuseSubtype);

// The type a /proc/self/mountinfo text gives the mount of device
// major:minor ("ext4", "fuse.sshfs"); empty when no line names the device.
std::string MountTypeOfDevice(std::string_view mountinfo, unsigned major, unsigned minor);

// statfs of folder, and its mount's type for FUSE; false when either cannot
// be read (nothing refuses a station that cannot tell).
bool OnNetworkFileSystem(const std::string& folder);

}  // namespace qx::station
