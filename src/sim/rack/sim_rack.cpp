#include "sim/rack/sim_rack.h"

#include <cerrno>

#include "platform/clock.h"
#include "sim/rack/path_case.h"

namespace qx::sim {

using namespace platform;

struct SimRack::OpenCount {
    std::mutex lock;
    int exclusive = 0;
    int shared = 0;
};

struct SimRack::Shared {
    RequestLog log;
    std::atomic<int> total{0};
};

namespace {

// One open of a drive's path; every request is logged (when the log is on)
// before the drive sees it.
class SimHandle final : public DeviceHandle {
public:
    SimHandle(std::shared_ptr<SimRack::Shared> shared, std::shared_ptr<SimRack::OpenCount> opens,
              std::weak_ptr<SimDrive> drive, std::string_view path, ShareMode mode)
        : shared_(std::move(shared)), opens_(std::move(opens)), drive_(std::move(drive)), path_(path), mode_(mode) {}

    ~SimHandle() override {
        {
            std::lock_guard g(opens_->lock);
            (mode_ == ShareMode::Exclusive ? opens_->exclusive : opens_->shared) -= 1;
        }
        shared_->total.fetch_sub(1, std::memory_order_relaxed);
    }

    ScsiResult Scsi(const ScsiCommand& cmd) override {
        if (shared_->log.Enabled()) {
            LoggedRequest e = Entry(Route::Scsi, cmd.dir, cmd.data, cmd.timeout);
            e.cdb.assign(cmd.cdb.begin(), cmd.cdb.end());
            shared_->log.Add(std::move(e));
        }
        return ToDrive<ScsiResult>([&](SimDrive& d) { return d.Scsi(cmd); });
    }

    AtaResult Ata(const AtaCommand& cmd) override {
        if (shared_->log.Enabled()) {
            LoggedRequest e = Entry(Route::Ata, cmd.dir, cmd.data, cmd.timeout);
            e.current = cmd.current;
            e.previous = cmd.previous;
            e.ext48 = cmd.ext48;
            e.dma = cmd.dma;
            shared_->log.Add(std::move(e));
        }
        return ToDrive<AtaResult>([&](SimDrive& d) { return d.Ata(cmd); });
    }

private:
    // A drive unplugged under an open handle fails every request.
    template <typename Result, typename Call>
    Result ToDrive(Call call) {
        const auto drive = drive_.lock();
        if (drive) return call(*drive);
        Result r;
        r.error = ENODEV;
        return r;
    }

    LoggedRequest Entry(Route route, Direction dir, std::span<std::uint8_t> data, std::chrono::seconds timeout) const {
        LoggedRequest e;
        e.path = path_;
        e.route = route;
        e.dir = data.empty() ? Direction::None : dir;
        e.wireLength = static_cast<std::uint32_t>(e.dir == Direction::None ? 0 : data.size());
        e.timeout = timeout;
        if (e.dir == Direction::Out) {
            e.dataOutDigest = DataDigest(data);
            if (shared_->log.KeepsWholeData(data.size())) e.dataOut.assign(data.begin(), data.end());
        }
        e.timeMs = TickMs();
        return e;
    }

    std::shared_ptr<SimRack::Shared> shared_;
    std::shared_ptr<SimRack::OpenCount> opens_;
    std::weak_ptr<SimDrive> drive_;
    std::string path_;
    ShareMode mode_;
};

}  // namespace

SimRack::SimRack() : shared_(std::make_shared<Shared>()) {}
SimRack::~SimRack() = default;

SimDrive& SimRack::AddDrive(const std::string& path, const DriveConfig& config) {
    auto drive = std::make_shared<SimDrive>(config);
    std::unique_lock g(lock_);
    if (!names_.contains(path)) {
        int n = static_cast<int>(names_.size()) + 1;
        auto taken = [this](const std::string& name) {
            for (const auto& [p, used] : names_)
                if (used == name) return true;
            return false;
        };
        std::string name;
        do {
            name = (n < 10 ? "drive0" : "drive") + std::to_string(n);
            ++n;
        } while (taken(name));
        names_[path] = name;
    }
    // A drive plugged in again at a path is a new device: handles of the old
    // one neither block nor reach it.
    Entry& entry = drives_[path];
    entry.drive = std::move(drive);
    entry.opens = std::make_shared<OpenCount>();
    return *entry.drive;
}

void SimRack::RemoveDrive(const std::string& path) {
    std::unique_lock g(lock_);
    const auto it = drives_.find(path);
    if (it != drives_.end()) drives_.erase(it);
    names_.erase(path);
}

void SimRack::SetUnplugged(const std::string& path, bool unplugged) {
    std::unique_lock g(lock_);
    if (unplugged)
        unplugged_.insert(path);
    else
        unplugged_.erase(path);
}

std::string SimRack::NameOf(const std::string& path) const {
    std::shared_lock g(lock_);
    const auto it = names_.find(path);
    return it == names_.end() ? std::string() : it->second;
}

std::shared_ptr<SimDrive> SimRack::DriveAt(std::string_view path) const {
    std::shared_lock g(lock_);
    const auto it = drives_.find(path);
    return it == drives_.end() ? nullptr : it->second.drive;
}

SimDrive* SimRack::Find(const std::string& path) { return DriveAt(path).get(); }

std::vector<std::string> SimRack::Paths() const {
    std::shared_lock g(lock_);
    std::vector<std::string> out;
    for (const auto& [path, entry] : drives_) out.push_back(path);
    return out;
}

RequestLog& SimRack::Log() const { return shared_->log; }

int SimRack::OpenHandles() const { return shared_->total.load(); }

OpenResult SimRack::Open(std::string_view path, ShareMode mode) {
    OpenResult r;
    Entry entry;
    {
        std::shared_lock g(lock_);
        const auto it = drives_.find(path);
        if (it != drives_.end() && !unplugged_.contains(path)) entry = it->second;
        // Interface paths name devices without regard to letter case (the
        // utility's scan lower-cases them).
        for (const auto& [p, e] : drives_)
            if (!entry.drive && !unplugged_.contains(p) && SamePathNoCase(p, path)) entry = e;
    }
    if (!entry.drive) {
        r.error = ENOENT;
        return r;
    }
    if (const int err = entry.drive->OpenError()) {
        r.error = err;
        return r;
    }
    {
        OpenCount& o = *entry.opens;
        std::lock_guard g(o.lock);
        // An exclusive open wants the drive alone; a shared one refuses only
        // an exclusive holder.
        if (o.exclusive > 0 || (mode == ShareMode::Exclusive && o.shared > 0)) {
            r.error = EBUSY;
            return r;
        }
        (mode == ShareMode::Exclusive ? o.exclusive : o.shared) += 1;
    }
    shared_->total.fetch_add(1, std::memory_order_relaxed);
    r.handle = std::make_unique<SimHandle>(shared_, std::move(entry.opens), entry.drive, path, mode);
    return r;
}

ScopedRack::ScopedRack(SimRack& rack) { SetDevices(&rack); }
ScopedRack::~ScopedRack() { SetDevices(nullptr); }

}  // namespace qx::sim
