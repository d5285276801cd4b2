// The rack as a folder: "rack.ini" plus one state file per drive, and the
// raw image export of a drive's user sectors.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "platform/file_bytes.h"
#include "sim/rack/drive_config_text.h"
#include "sim/rack/log_options_text.h"
#include "sim/model/drive_model.h"
#include "sim/rack/sim_rack.h"

#include "sim/rack/device_time.h"
#include "sim/rack/rack_places.h"
#include "sim/rack/state_file.h"

namespace qx::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRackFile = "rack.ini";
constexpr const char* kRackSection = "rack";

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// The section name becomes a file name: keep it to a plain word.
bool PlainName(const std::string& name) {
    if (name.empty() || name == "rack") return false;
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
    return true;
}

}  // namespace

std::unique_ptr<SimRack> SimRack::LoadFolder(const std::string& folder, std::string* error) {
    const auto text = platform::ReadFileBytes(fs::path(folder) / kRackFile);
    if (!text) {
        Fail(error, "cannot read " + (fs::path(folder) / kRackFile).string());
        return nullptr;
    }
    auto rack = std::make_unique<SimRack>();
    // The device time is the process's: set only once the whole rack loaded.
    std::optional<DeviceTimeModel> time;
    std::map<std::string, std::string> sectionOf;   // drive path -> section
    const std::vector<IniSection> sections = ParseIni(*text);
    if (!CheckRackPlaces(sections, error)) return nullptr;
    for (const IniSection& section : sections) {
        const std::string* path = section.Find("path");
        if (section.name == "rack") {
            time.emplace();
            if (!DeviceTimeFromIni(section, *time, error)) return nullptr;
        }
        if (path == nullptr) {
            if (section.name == kRackSection) {
                const std::string* log = section.Find("log");
                const auto options = log ? LogOptionsFromText(*log) : std::optional<LogOptions>(LogOptions{});
                if (!options) {
                    Fail(error, "[rack] bad log \"" + *log + "\"");
                    return nullptr;
                }
                rack->Log().Configure(*options);
            }
            rack->sections_.push_back({section, false});
            continue;
        }
        DriveConfig cfg;
        if (!PlainName(section.name)) {
            Fail(error, "bad drive name [" + section.name + "]");
            return nullptr;
        }
        if (!ConfigFromIni(section, cfg, error)) return nullptr;
        const std::string drivePath = UnescapeBytes(*path);
        // One section per drive: a second with its name would share its
        // state file, a second with its path would be the same drive twice.
        for (const auto& [otherPath, other] : sectionOf)
            if (other == section.name) {
                Fail(error, "[" + section.name + "] is described twice");
                return nullptr;
            }
        if (const auto it = sectionOf.find(drivePath); it != sectionOf.end()) {
            Fail(error, "[" + section.name + "] path=" + *path + ": the drive of [" + it->second + "] already has it");
            return nullptr;
        }
        sectionOf[drivePath] = section.name;
        {
            std::unique_lock g(rack->lock_);
            rack->names_[drivePath] = section.name;
        }
        rack->sections_.push_back({{section.name, {}}, true});
        SimDrive& drive = rack->AddDrive(drivePath, cfg);
        for (const std::string& line : section.All("fault")) {
            const auto rule = FaultFromText(line);
            if (!rule) {
                Fail(error, "[" + section.name + "] bad fault \"" + line + "\"");
                return nullptr;
            }
            drive.AddFault(*rule);
        }
        const fs::path state = fs::path(folder) / (section.name + ".state");
        auto lock = drive.Lock();
        std::error_code ec;
        // Anything under the state's name but nothing at all is read (and
        // refused there when it is no state file).
        if (fs::symlink_status(state, ec).type() != fs::file_type::not_found) {
            std::string why;
            if (!LoadDriveState(drive.Model(), state.string(), &why)) {
                Fail(error, "[" + section.name + "] " + why);
                return nullptr;
            }
            drive.MarkSaved(drive.Changes());
        }
    }
    if (time) SetDeviceTime(*time);
    std::lock_guard g(rack->savedFolderLock_);
    rack->savedFolder_ = folder;
    return rack;
}

void SimRack::SetFolderLog(const LogOptions& options) {
    Log().Configure(options);
    std::unique_lock g(lock_);
    for (FolderSection& s : sections_) {
        if (s.drive || s.text.name != kRackSection) continue;
        for (auto& [key, value] : s.text.values)
            if (key == "log") {
                value = LogOptionsToText(options);
                return;
            }
        s.text.values.emplace_back("log", LogOptionsToText(options));
        return;
    }
    sections_.insert(sections_.begin(), {{kRackSection, {{"version", "1"}, {"log", LogOptionsToText(options)}}}, false});
}

// The sections to write, in the order read; the caller holds the lock.
std::vector<SimRack::FolderSection> SimRack::SavedLayout() const {
    // A rack that was not read from a folder starts its file with its own section.
    std::vector<FolderSection> layout = sections_;
    if (layout.empty()) layout.push_back({{kRackSection, {{"version", "1"}}}, false});
    // Drives plugged since the load follow the last drive read.
    std::set<std::string> listed;
    auto newAt = layout.end();
    for (auto it = layout.begin(); it != layout.end(); ++it) {
        if (!it->drive) continue;
        listed.insert(it->text.name);
        newAt = it + 1;
    }
    std::vector<FolderSection> added;
    for (const auto& [path, entry] : drives_) {
        const std::string& name = names_.at(path);
        if (!listed.contains(name)) added.push_back({{name, {}}, true});
    }
    layout.insert(newAt, added.begin(), added.end());
    return layout;
}

bool SimRack::SaveState(const std::string& folder, std::string* error) const {
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::shared_lock g(lock_);
    const bool sameFolder = [&] {
        std::lock_guard s(savedFolderLock_);
        return savedFolder_ == folder;
    }();
    const std::vector<FolderSection> layout = SavedLayout();
    std::map<std::string, std::string> pathOf;   // name -> path of the drives plugged now
    for (const auto& [path, entry] : drives_) pathOf[names_.at(path)] = path;
    std::vector<IniSection> sections;
    struct Job {
        SimDrive* drive;
        std::string file;
        std::string error;
        bool ok = true;
    };
    std::vector<Job> jobs;
    for (const FolderSection& s : layout) {
        if (!s.drive) {
            sections.push_back(s.text);
            continue;
        }
        const auto at = pathOf.find(s.text.name);
        if (at == pathOf.end()) continue;   // removed since the load
        IniSection out{s.text.name, {{"path", EscapeBytes(at->second)}}};
        SimDrive& drive = *drives_.find(at->second)->second.drive;
        const std::string file = (fs::path(folder) / (s.text.name + ".state")).string();
        {
            auto lock = drive.Lock();
            const DriveModel& m = std::as_const(drive).Model();
            ConfigToIni(m.cfg, out);
            for (const FaultRule& rule : m.faults.Rules()) out.values.emplace_back("fault", FaultToText(rule));
        }
        sections.push_back(std::move(out));
        if (!sameFolder || drive.SavedChanges() != drive.Changes() || !fs::exists(file, ec))
            jobs.push_back({&drive, file, {}});
    }
    // Each drive on its own thread: its bytes taken under its own lock, then
    // written with no lock held. The rack's registry stays read-locked, so
    // no drive goes away meanwhile.
    {
        std::vector<std::jthread> threads;
        threads.reserve(jobs.size());
        for (Job& job : jobs)
            threads.emplace_back([&job] {
                std::vector<std::uint8_t> bytes;
                std::uint64_t changes = 0;
                {
                    auto lock = job.drive->Lock();
                    changes = job.drive->Changes();
                    bytes = DriveStateBytes(std::as_const(*job.drive).Model());
                }
                job.ok = WriteDriveState(bytes, job.file, &job.error);
                if (job.ok) job.drive->MarkSaved(changes);
            });
    }
    for (const Job& job : jobs)
        if (!job.ok) return Fail(error, job.error);
    {
        std::lock_guard s(savedFolderLock_);
        savedFolder_ = folder;
    }
    std::ofstream out(fs::path(folder) / kRackFile, std::ios::trunc);
    out << WriteIni(sections);
    out.close();
    return out ? true : Fail(error, "cannot write " + (fs::path(folder) / kRackFile).string());
}

bool SimRack::ExportImage(const std::string& path, const std::string& imageFile) const {
    const std::shared_ptr<SimDrive> drive = DriveAt(path);
    if (!drive) return false;
    const int fd = ::open(imageFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    auto lock = drive->Lock();
    const DriveModel& m = drive->Model();
    // The file gets the drive's size first, so unwritten sectors stay holes.
    bool ok = ::ftruncate(fd, static_cast<off_t>(m.AccessibleSectors() * kSectorSize)) == 0;
    for (const auto& [lba, sector] : m.sectors.Stored()) {
        if (!ok || lba >= m.AccessibleSectors()) break;
        ok = ::pwrite(fd, sector.data(), kSectorSize, static_cast<off_t>(lba * kSectorSize)) ==
             static_cast<ssize_t>(kSectorSize);
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace qx::sim
