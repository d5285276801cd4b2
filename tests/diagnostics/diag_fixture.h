// The vendor fixture with what the diagnostic steps need besides: program
// images in a fresh working folder, a flash configuration that matches the
// simulated drives' NAND (4 channels, 2 CEs, 2048 blocks), the worker's
// settings and scratch buffer, and drives whose actions answer at once.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/program_header.h"
#include "qxlib/programs/program_paths.h"
#include "sim/model/drive_model.h"
#include "support/temp_dir.h"
#include "support/vendor_fixture.h"

namespace qx::test {

inline constexpr std::size_t kScratchSize = 128 * 1024;

// A program image the simulated controller accepts: its kind tag, a marker
// byte that tells one image from another, 0x66 elsewhere.
inline void WriteProgramImage(const std::string& path, const char* tag, std::uint8_t marker) {
    std::vector<std::uint8_t> image(kProgramImageSize, kProgramImageFill);
    std::copy_n(tag, 4, image.begin() + kKindTagAt);
    image[0] = marker;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
}

class DiagFixture : public VendorFixture {
protected:
    static constexpr std::uint8_t kGdpMarker = 0x47, kOldGdpMarker = 0x4F;

    void SetUp() override {
        VendorFixture::SetUp();
        dir_.emplace(true);
        WriteProgramImage(dir_->file("GDP.bin"), kDiagnosticTag, kGdpMarker);
        WriteProgramImage(dir_->file("satatest.bin"), kTestTag, 0x54);
        WriteProgramImage(dir_->file(kOldGdpImageName), kDiagnosticTag, kOldGdpMarker);
        savedGdp_ = GdpImagePath();
        savedTest_ = TestImagePath();
        SetGdpImagePath(dir_->file("GDP.bin"));
        SetTestImagePath(dir_->file("satatest.bin"));

        DescribeSimulatedChips(config_);
        settings_.CheckFlashMask = 0x1F;
        // The worker's first commands left the SATA-path drive in vendor mode.
        VendorModeOn(kSataSlot);
        for (int slot : kBothSlots) Drive(slot, [](sim::DriveModel& m) { m.cfg.busyPolls = 0; });
        ResetSlots();
    }

    void TearDown() override {
        ResetSlots();
        SetGdpImagePath(savedGdp_);
        SetTestImagePath(savedTest_);
        dir_.reset();
        VendorFixture::TearDown();
    }

    static void ResetSlots() {
        for (int slot : kBothSlots) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            s.RdtResultOk = s.EraseCountsKept = s.SmartPageKept = 0;
            s.KeptEraseCounts.Release();
            s.KeptSmartPage.Release();
            s.CodeBlockCount = 0;
        }
    }

    // Changes the simulated drive under its lock.
    template <typename F>
    void Drive(int slot, F&& change) {
        auto hold = DriveOf(slot).Lock();
        change(DriveOf(slot).Model());
    }

    StepContext Ctx() { return StepContext{config_, settings_, buffer_, 0}; }

    // The program actions the drive was asked to run.
    std::vector<sim::ProgramRun> Actions(int slot) {
        auto hold = DriveOf(slot).Lock();
        return DriveOf(slot).Model().actions;
    }

    std::optional<TempDir> dir_;
    std::string savedGdp_, savedTest_;
    GlobalParameter settings_{};
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kScratchSize);
};

}  // namespace qx::test
