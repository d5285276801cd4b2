// The rack as a folder: "rack.ini" plus one state file per drive, and the
// raw image export of a drive's user sectors.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/rack/drive_config_text.h"
#include "sim/model/drive_model.h"
#include "sim/rack/sim_rack.h"

#include "sim/rack/device_time.h"
#include "sim/rack/state_file.h"

namespace qx::sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRackFile = "rack.ini";

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
    std::ifstream in(fs::path(folder) / kRackFile);
    if (!in) {
        Fail(error, "cannot read " + (fs::path(folder) / kRackFile).string());
        return nullptr;
    }
    std::stringstream text;
    text << in.rdbuf();
    auto rack = std::make_unique<SimRack>();
    for (const IniSection& section : ParseIni(text.str())) {
        const std::string* path = section.Find("path");
        if (section.name == "rack") {
            DeviceTimeModel time;
            if (!DeviceTimeFromIni(section, time, error)) return nullptr;
            SetDeviceTime(time);
        }
        if (path == nullptr) {
            rack->otherSections_.push_back(section);
            continue;
        }
        DriveConfig cfg;
        if (!PlainName(section.name)) {
            Fail(error, "bad drive name [" + section.name + "]");
            return nullptr;
        }
        if (!ConfigFromIni(section, cfg, error)) return nullptr;
        const std::string drivePath = UnescapeBytes(*path);
        {
            std::lock_guard g(rack->lock_);
            rack->names_[drivePath] = section.name;
        }
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
        if (fs::exists(state) && !LoadDriveState(drive.Model(), state.string(), error)) return nullptr;
    }
    return rack;
}

bool SimRack::SaveState(const std::string& folder, std::string* error) const {
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::vector<IniSection> sections{{"rack", {{"version", "1"}}}};
    std::lock_guard g(lock_);
    for (const auto& [path, drive] : drives_) {
        const std::string& name = names_.at(path);
        IniSection s{name, {{"path", EscapeBytes(path)}}};
        auto lock = drive->Lock();
        const DriveModel& m = drive->Model();
        ConfigToIni(m.cfg, s);
        for (const FaultRule& rule : m.faults.Rules()) s.values.emplace_back("fault", FaultToText(rule));
        sections.push_back(std::move(s));
        if (!SaveDriveState(m, (fs::path(folder) / (name + ".state")).string(), error)) return false;
    }
    sections.insert(sections.end(), otherSections_.begin(), otherSections_.end());
    std::ofstream out(fs::path(folder) / kRackFile, std::ios::trunc);
    out << WriteIni(sections);
    out.close();
    return out ? true : Fail(error, "cannot write " + (fs::path(folder) / kRackFile).string());
}

bool SimRack::ExportImage(const std::string& path, const std::string& imageFile) const {
    std::shared_ptr<SimDrive> drive;
    {
        std::lock_guard g(lock_);
        const auto it = drives_.find(path);
        if (it == drives_.end()) return false;
        drive = it->second;
    }
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
