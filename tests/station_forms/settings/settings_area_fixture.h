// A settings area over its own stores, in a temporary program folder that
// holds the shipped part list and two program images; the prompter is
// scripted, the pc.ini file lives in the folder too.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "station_forms/form_test_support.h"
#include "qxlib/programs/program_paths.h"
#include "settings/flash_config_fixture.h"
#include "station/flash_part_list.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/settings_window_state.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::test {

class SettingsAreaTest : public FlashConfigFixture {
protected:
    void SetUp() override {
        FlashConfigFixture::SetUp();
        std::memset(static_cast<void*>(&settings_), 0, sizeof settings_);
        savedPcIni_ = PcIniPath();
        SetPcIniPath(dir_.file("pc.ini"));
        savedBatch_ = EnBatchMode.load();
        savedGdp_ = GdpImagePath();
        savedTest_ = TestImagePath();
        state_.ProgramFolder = dir_.path().string() + "/";
        state_.IniPath = state_.ProgramFolder + station::kSettingsFileName;
        std::filesystem::copy_file(QX_SOURCE_DIR "/data/Flash.ini", dir_.file("Flash.ini"));
        area_ = std::make_unique<station::SettingsArea>(stores_, prompter_);
        area_->resize(1025, 185);
    }
    void TearDown() override {
        area_.reset();
        SetPcIniPath(savedPcIni_);
        EnBatchMode.store(savedBatch_);
        SetGdpImagePath(savedGdp_);
        SetTestImagePath(savedTest_);
        FlashConfigFixture::TearDown();
    }

    std::string WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(dir_.file(name), std::ios::binary) << text;
        return dir_.file(name);
    }
    std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Loads a settings text the way start-up does, then the flash choice.
    void Load(const std::string& text) {
        ASSERT_EQ(area_->LoadIniFile(WriteFile("QXMPTOOL.ini", text)), 1);
        area_->FlashInfoChange();
    }

    template <class T>
    T* C(const char* name) {
        return Child<T>(*area_, name);
    }
    QString Edit(const char* name) { return C<QLineEdit>(name)->text(); }

    TempDir dir_;
    FlashPartList parts_;
    station::SettingsWindowState state_;
    station::SettingsStores stores_{settings_, config_, parts_, state_};
    ui::ScriptedPrompter prompter_;
    std::unique_ptr<station::SettingsArea> area_;
    std::filesystem::path savedPcIni_;
    std::uint8_t savedBatch_ = 0;
    std::string savedGdp_, savedTest_;
};

}  // namespace qx::test
