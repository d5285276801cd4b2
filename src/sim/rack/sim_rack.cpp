#include "sim/rack/sim_rack.h"

#include <cerrno>

#include "platform/clock.h"
#include "sim/rack/path_case.h"

namespace qx::sim {

using namespace platform;

struct SimRack::Shared {
    RequestLog log;
};

// Each path counts its own handles, on a line of its own, so opening one
// drive touches nothing another drive's requests touch.
struct alignas(64) SimRack::OpenCount {
    explicit OpenCount(std::shared_ptr<Shared> s) : shared(std::move(s)), segment(shared->log.NewSegment()) {}
    std::shared_ptr<Shared> shared;
    std::shared_ptr<RequestLog::Segment> segment;   // the drive's requests in the log
    std::mutex lock;
    int exclusive = 0;
    int held = 0;   // shared opens
    int Total() {
        std::lock_guard g(lock);
        return exclusive + held;
    }
};

namespace {

// One open of a drive's path; every request is logged (when the log is on)
// before the drive sees it.
class SimHandle final : public DeviceHandle {
public:
    SimHandle(std::shared_ptr<SimRack::OpenCount> opens, std::weak_ptr<SimDrive> drive, std::string_view path,
              ShareMode mode)
        : opens_(std::move(opens)), log_(opens_->shared->log), drive_(std::move(drive)), path_(path), mode_(mode) {}

    ~SimHandle() override {
        std::lock_guard g(opens_->lock);
        (mode_ == ShareMode::Exclusive ? opens_->exclusive : opens_->held) -= 1;
    }

    ScsiResult Scsi(const ScsiCommand& cmd) override {
        if (log_.Enabled()) {
            LoggedRequest e = Entry(Route::Scsi, cmd.dir, cmd.data, cmd.timeout);
            e.cdb.assign(cmd.cdb.begin(), cmd.cdb.end());
            log_.Add(*opens_->segment, std::move(e));
        }
        return ToDrive<ScsiResult>([&](SimDrive& d) { return d.Scsi(cmd); });
    }

    AtaResult Ata(const AtaCommand& cmd) override {
        if (log_.Enabled()) {
            LoggedRequest e = Entry(Route::Ata, cmd.dir, cmd.data, cmd.timeout);
            e.current = cmd.current;
            e.previous = cmd.previous;
            e.ext48 = cmd.ext48;
            e.dma = cmd.dma;
            log_.Add(*opens_->segment, std::move(e));
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
            if (log_.KeepsWholeData(data.size())) e.dataOut.assign(data.begin(), data.end());
        }
        e.timeMs = TickMs();
        return e;
    }

    std::shared_ptr<SimRack::OpenCount> opens_;   // keeps the log alive too
    RequestLog& log_;
    std::weak_ptr<SimDrive> drive_;
    std::string path_;
    ShareMode mode_;
};

std::atomic<std::uint64_t> g_nextRackId{1};

}  // namespace

SimRack::SimRack() : id_(g_nextRackId.fetch_add(1)), shared_(std::make_shared<Shared>()) {}
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
    if (entry.opens) Retire(std::move(entry.opens));
    entry.drive = std::move(drive);
    entry.opens = std::make_shared<OpenCount>(shared_);
    Changed();
    return *entry.drive;
}

void SimRack::RemoveDrive(const std::string& path) {
    std::unique_lock g(lock_);
    const auto it = drives_.find(path);
    if (it != drives_.end()) {
        Retire(std::move(it->second.opens));
        drives_.erase(it);
        Changed();
    }
    names_.erase(path);
}

void SimRack::SetUnplugged(const std::string& path, bool unplugged) {
    std::unique_lock g(lock_);
    if (unplugged)
        unplugged_.insert(path);
    else
        unplugged_.erase(path);
    Changed();
}

// Handles may stay open on a drive that is gone; they still count.
void SimRack::Retire(std::shared_ptr<OpenCount> opens) {
    std::erase_if(retired_, [](const std::shared_ptr<OpenCount>& o) { return o->Total() == 0; });
    if (opens->Total() != 0) retired_.push_back(std::move(opens));
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

int SimRack::OpenHandles() const {
    std::shared_lock g(lock_);
    int total = 0;
    for (const auto& [path, entry] : drives_) total += entry.opens->Total();
    for (const auto& opens : retired_) total += opens->Total();
    return total;
}

// A worker sends every request to its one drive: the thread remembers the
// drive it found last, and as long as the registry has not changed since,
// finds it again by reading the generation alone. Taking even a shared lock
// would write to one line for all drives on every open.
SimRack::Entry SimRack::Lookup(std::string_view path) const {
    struct Remembered {
        std::uint64_t rack = 0;
        std::uint64_t generation = 0;
        std::string path;
        std::weak_ptr<SimDrive> drive;   // weak: a drive removed is not kept
        std::weak_ptr<OpenCount> opens;
    };
    thread_local Remembered last;
    const std::uint64_t generation = generation_.load(std::memory_order_acquire);
    if (last.rack == id_ && last.generation == generation && last.path == path) {
        Entry entry{last.drive.lock(), last.opens.lock()};
        if (entry.drive && entry.opens) return entry;
    }
    Entry entry;
    {
        std::shared_lock g(lock_);
        const auto it = drives_.find(path);
        if (it != drives_.end() && !unplugged_.contains(path)) entry = it->second;
        // Interface paths name devices without regard to letter case (the
        // utility's scan lower-cases them).
        for (const auto& [p, e] : drives_)
            if (!entry.drive && !unplugged_.contains(p) && SamePathNoCase(p, path)) entry = e;
        if (!entry.drive) return entry;
    }
    last.rack = id_;
    last.generation = generation;
    last.path.assign(path);
    last.drive = entry.drive;
    last.opens = entry.opens;
    return entry;
}

OpenResult SimRack::Open(std::string_view path, ShareMode mode) {
    OpenResult r;
    Entry entry = Lookup(path);
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
        if (o.exclusive > 0 || (mode == ShareMode::Exclusive && o.held > 0)) {
            r.error = EBUSY;
            return r;
        }
        (mode == ShareMode::Exclusive ? o.exclusive : o.held) += 1;
    }
    r.handle = std::make_unique<SimHandle>(std::move(entry.opens), entry.drive, path, mode);
    return r;
}

ScopedRack::ScopedRack(SimRack& rack) { SetDevices(&rack); }
ScopedRack::~ScopedRack() { SetDevices(nullptr); }

}  // namespace qx::sim
