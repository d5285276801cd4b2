// A settings record with every key at its default and a part to apply, for
// the flash configuration tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_name_code.h"
#include "qxlib/settings/flash_part_record.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/ini_engine.h"
#include "qxlib/settings/settings_file.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/base/switches.h"

namespace qx::test {

class FlashConfigFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedTransfer_ = TransferMode.load();
        savedBusMode_ = SataBusMode.load();
        savedDebugToFile_ = DebugToFile.load();
        savedDump_ = DumpDebugFile.load();
        savedMask_ = FlashIdCheckMask.load();
        ReadSettingsText(IniText(), settings_, config_);
    }
    void TearDown() override {
        TransferMode.store(savedTransfer_);
        SataBusMode.store(savedBusMode_);
        DebugToFile.store(savedDebugToFile_);
        DumpDebugFile.store(savedDump_);
        FlashIdCheckMask.store(savedMask_);
    }

    static FlashPartRecord Part(std::uint16_t typeWord, std::uint8_t flashInterface, const char* partNumber = "QN0000") {
        FlashPartRecord part{};
        std::strncpy(part.PartName, "TEST", sizeof part.PartName - 1);
        std::strncpy(part.PartNumber, partNumber, sizeof part.PartNumber - 1);
        part.FlashTypeWord = typeWord;
        part.FlashInterface = flashInterface;
        part.CeCount = 2;
        part.EccMode = 3;
        return part;
    }

    void Apply(const FlashPartRecord& part, std::uint8_t channels, std::uint8_t banks) {
        settings_.Channel = channels;
        settings_.Bank = banks;
        ApplyGlobalParameter(config_, part, settings_);
    }

    std::string FirmwareName() const {
        char name[] = "SYS_####.bin";
        BuildFlashNameCode(config_, name);
        return name;
    }

    GlobalParameter settings_{};
    FlashConfig config_{};

private:
    std::uint8_t savedTransfer_ = 0;
    std::uint8_t savedBusMode_ = 0;
    bool savedDebugToFile_ = false;
    bool savedDump_ = false;
    std::uint8_t savedMask_ = 0;
};

}  // namespace qx::test
