// The station window on a simulated rack: a program folder with the part
// list, the program images and a settings file enabling the diagnostic
// steps; a rack of drives on one root hub; the window started as the
// program starts it, with a scripted prompter.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "qxlib/discovery/port_record.h"
#include "sim/rack/sim_machine.h"
#include "sim/rack/sim_rack.h"
#include "station/forms/main/main_form.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::test {

inline std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = programDir_.path().string() + "/";
        SetUpProgramFolder();
    }

    // The folder as installed: part list, program images, settings file.
    void SetUpProgramFolder() {
        for (const auto& entry : std::filesystem::directory_iterator(programDir_.path()))
            std::filesystem::remove_all(entry.path());
        for (const char* name : {"Flash.ini", "GDP.bin", "satatest.bin"})
            std::filesystem::copy_file(std::string(QX_BIN_DIR) + "/" + name, programDir_.path() / name);
        WriteSettings("");
    }

    void TearDown() override {
        form_.reset();
        if (machine_) machine_->Uninstall();
        ClearPortTable(ActivePortTable);
        PortCount = 0;
    }

    // The settings file the station starts with; each extra goes into its
    // section.
    void WriteSettings(const std::string& extraSetting, const std::string& extraTestItems = "",
                       const std::string& extraFlash = "", const std::string& file = "QXMPTOOL.ini") {
        std::ofstream(programDir_.path() / file)
            << "[Setting]\nTimeOut=5\n" << extraSetting
            << "[FlashSetting]\nFlashUniName=WBG\nChannel=4\nBank=2\n" << extraFlash
            << "[TestItems]\nEnFlashModule=1\nEnSataTest=1\nEnFlashTest=1\nEnDramTest=1\n" << extraTestItems;
    }

    static sim::DriveConfig Drive(bool usb) {
        sim::DriveConfig c;
        c.frontEnd = usb ? sim::FrontEnd::NativeUsb : sim::FrontEnd::Bridge;
        c.chipTag = usb ? "q814" : "q461";
        c.state = sim::ControllerState::Loader;
        c.vendorMode = true;
        c.busyPolls = 0;
        return c;
    }

    static std::string DrivePath(int n) {
        char path[128];
        std::snprintf(path, sizeof path, "\\\\?\\usbstor#disk&ven_qx&prod_ssd#%04d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
                      n);
        return path;
    }

    // Drives on ports 1.. of a root hub of rootPorts ports.
    void LoadRack(const std::vector<sim::DriveConfig>& drives, int rootPorts) {
        {
            sim::SimRack rack;
            for (std::size_t i = 0; i < drives.size(); ++i) rack.AddDrive(DrivePath(static_cast<int>(i) + 1), drives[i]);
            ASSERT_TRUE(rack.SaveState(rackDir_.path().string()));
        }
        std::ofstream ini(rackDir_.path() / "rack.ini", std::ios::app);
        ini << "[usb]\nroot=" << rootPorts << "\n";
        for (std::size_t i = 0; i < drives.size(); ++i) ini << "port=0." << i + 1 << " drive" << (i < 9 ? "0" : "") << i + 1 << "\n";
        ini.close();
        std::string error;
        machine_ = sim::SimMachine::LoadFolder(rackDir_.path().string(), &error);
        ASSERT_TRUE(machine_) << error;
        machine_->Install();
    }

    station::StartOutcome Start(const std::string& commandLine = "fablane") {
        form_.reset();
        station::MainFormEnv env;
        env.programFolder = folder_;
        // The words after the program, as the process would receive them.
        std::istringstream words(commandLine);
        for (std::string word; words >> word;) env.arguments.push_back(word);
        if (!env.arguments.empty()) env.arguments.erase(env.arguments.begin());
        env.hooks = hooks_;
        env.unattended = unattended_;
        form_ = std::make_unique<station::TMainForm>(env, prompter_);
        return form_->StartUp();
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(programDir_.path() / name); }

    TempDir programDir_;
    TempDir rackDir_;
    std::string folder_;
    std::unique_ptr<sim::SimMachine> machine_;
    ui::ScriptedPrompter prompter_;
    station::MainFormHooks hooks_;   // what the program would give the window
    bool unattended_ = false;        // no display: nobody answers a prompt
    std::unique_ptr<station::TMainForm> form_;
};

}  // namespace qx::test
