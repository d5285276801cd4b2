// The simulated drive rack: a backend of the platform's device I/O. Drives are
// registered by interface path; every request can be logged and made to
// fail. Tests install a SimRack with platform::SetDevices.
//
// Fifty drives run in parallel: each drive has its own lock and counts its
// own handles, and an open finds its drive without writing anything the
// other drives' requests read (see Lookup). Adding and removing drives take
// the registry's lock exclusively.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <vector>

#include "platform/device_io.h"
#include "sim/config/faults.h"
#include "sim/rack/ini_text.h"
#include "sim/rack/request_log.h"
#include "sim/rack/sim_drive.h"

namespace qx::sim {

class SimRack final : public platform::DeviceIo {
public:
    SimRack();
    ~SimRack() override;

    // Registers a drive at an interface path (Windows-shaped paths keep the
    // library's "usb"/"usbstor" text rules working, e.g.
    // "\\\\?\\usbstor#disk&ven_qx&prod_ssd#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}").
    SimDrive& AddDrive(const std::string& path, const DriveConfig& config);
    void RemoveDrive(const std::string& path);       // unplugged: opens fail
    // Off its port for a while: opens fail, the drive and its state stay.
    void SetUnplugged(const std::string& path, bool unplugged);
    SimDrive* Find(const std::string& path);
    std::string NameOf(const std::string& path) const;   // its section in rack.ini
    std::vector<std::string> Paths() const;

    platform::OpenResult Open(std::string_view path, platform::ShareMode mode) override;

    // Handles opened and not yet closed, over all drives.
    int OpenHandles() const;
    // Off until configured (see LogOptions); a folder's [rack] log key sets it.
    RequestLog& Log() const;

    // Rack folder: "rack.ini" describes the drives (one section each, named
    // for the drive, with its path, configuration and standing faults); each
    // drive keeps its persistent state in "<name>.state" beside it. Sections
    // without a path belong to others and are written back as they were read,
    // in the order they were read, so a load and a save leave the file as it
    // was. The [rack] section is the rack's own: "version=1" and
    // "log=off|all|ring N" (the request log of a rack loaded from the folder).
    // A save writes each drive's state file on a thread of its own, and only
    // for drives changed since their file was last read or written there.
    static std::unique_ptr<SimRack> LoadFolder(const std::string& folder, std::string* error = nullptr);
    bool SaveState(const std::string& folder, std::string* error = nullptr) const;
    // Sets the request log now and as the [rack] log key of the next save.
    void SetFolderLog(const LogOptions& options);

    // Writes the drive's user sectors as a raw image (sparse where unwritten).
    bool ExportImage(const std::string& path, const std::string& imageFile) const;

    // What the handles share with the rack; they may outlive it.
    struct Shared;

    // Handles of one path: an exclusive open wants the drive alone.
    struct OpenCount;

private:
    struct Entry {
        std::shared_ptr<SimDrive> drive;
        std::shared_ptr<OpenCount> opens;
    };
    std::shared_ptr<SimDrive> DriveAt(std::string_view path) const;
    Entry Lookup(std::string_view path) const;
    void Changed() { generation_.fetch_add(1, std::memory_order_release); }
    void Retire(std::shared_ptr<OpenCount> opens);

    const std::uint64_t id_;                                  // unique in the process
    // Apart from each other and from the object's head, so that a request
    // reading one does not fight over a line with another writing the other.
    alignas(64) std::atomic<std::uint64_t> generation_{0};   // moves on every change of drives_
    alignas(64) mutable std::shared_mutex lock_;
    std::map<std::string, Entry, std::less<>> drives_;
    std::vector<std::shared_ptr<OpenCount>> retired_;    // of drives gone, handles still open
    std::map<std::string, std::string> names_;           // path -> section name
    std::set<std::string, std::less<>> unplugged_;
    // The folder's sections in the order read: a drive's by its name (written
    // afresh from the drive), the others whole.
    struct FolderSection {
        IniSection text;
        bool drive = false;
    };
    std::vector<FolderSection> sections_;
    std::vector<FolderSection> SavedLayout() const;
    std::shared_ptr<Shared> shared_;
    // The folder the drives' state files were last read from or written to:
    // a save there writes only the drives changed since.
    mutable std::mutex savedFolderLock_;
    mutable std::string savedFolder_;
};

// Installs a rack as the device backend for the scope's life.
class ScopedRack {
public:
    explicit ScopedRack(SimRack& rack);
    ~ScopedRack();
    ScopedRack(const ScopedRack&) = delete;
    ScopedRack& operator=(const ScopedRack&) = delete;
};

}  // namespace qx::sim
