// Both simulated drives running their firmware, the worker's scratch buffer
// and flash configuration, and helpers that shape the drive: its capacity,
// its failing or stuck sectors, and what it was sent.
#pragma once

#include <set>
#include <vector>

#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/rw/rw_error_record.h"
#include "sim/model/drive_model.h"
#include "support/vendor_fixture.h"

namespace qx::test {

class RwFixture : public VendorFixture {
protected:
    static constexpr std::size_t kScratch = 128 * 1024;
    static constexpr std::uint32_t kGiB = 2'097'152;   // sectors

    void SetUp() override {
        VendorFixture::SetUp();
        FirmwareDrives({kSataSlot, kUsbSlot}, false);
    }

    template <typename F>
    void Drive(int slot, F&& change) {
        auto hold = DriveOf(slot).Lock();
        change(DriveOf(slot).Model());
    }

    void Capacity(int slot, std::uint64_t sectors) {
        Drive(slot, [sectors](sim::DriveModel& m) {
            m.cfg.capacitySectors = sectors;
            m.maxLba = sectors - 1;
        });
    }

    void Media(int slot, const sim::MediaFault& f) {
        Drive(slot, [&f](sim::DriveModel& m) { m.media.Add(f); });
    }

    StepContext Ctx() { return StepContext{config_, settings_, buffer_, 0}; }
    RWErrorRecord Record() const { return GetRWErrorRecord(buffer_); }

    // First LBA and sector count of every READ(10) or WRITE(10) sent.
    struct Transfer {
        bool write;
        std::uint32_t lba;
        std::uint32_t count;
    };
    std::vector<Transfer> Transfers(int slot) const {
        std::vector<Transfer> out;
        for (const sim::LoggedRequest& r : Requests(slot)) {
            const auto& c = r.cdb;
            if (c.size() < 10 || (c[0] != 0x28 && c[0] != 0x2A)) continue;
            out.push_back({c[0] == 0x2A, get_be32(&c[2]), static_cast<std::uint32_t>(c[7] << 8 | c[8])});
        }
        return out;
    }

    GlobalParameter settings_{};
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kScratch);
};

}  // namespace qx::test
