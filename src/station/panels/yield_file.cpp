#include "station/panels/yield_file.h"

#include <cstdio>

#include "qxlib/settings/global_parameter.h"
#include "ui/profile_ini.h"
#include "ui/profile_ini_editor.h"

namespace qx::station {
namespace {

constexpr char kSection[] = "TestRecord";

}  // namespace

std::string YieldFilePath(const std::string& logDir) { return logDir + kYieldFileName; }

void LoadYield(const std::string& logDir, GlobalParameter& settings) {
    const ProfileIni ini = ProfileIni::Load(YieldFilePath(logDir));
    settings.TotalTestCount = static_cast<std::uint32_t>(ini.ReadInteger(kSection, "TotalTestCount", 0));
    settings.NumberOfPass = static_cast<std::uint32_t>(ini.ReadInteger(kSection, "NumberOfPass", 0));
}

bool SaveYield(const std::string& logDir, const GlobalParameter& settings) {
    ProfileIniEditor ini = ProfileIniEditor::Load(YieldFilePath(logDir));
    ini.WriteInteger(kSection, "TotalTestCount", static_cast<std::int32_t>(settings.TotalTestCount));
    ini.WriteInteger(kSection, "NumberOfPass", static_cast<std::int32_t>(settings.NumberOfPass));
    return ini.Save(YieldFilePath(logDir));
}

bool ResetYield(const std::string& logDir, GlobalParameter& settings) {
    settings.TotalTestCount = 0;
    settings.NumberOfPass = 0;
    return SaveYield(logDir, settings);
}

std::string YieldText(const GlobalParameter& settings) {
    char text[48];
    std::snprintf(text, sizeof text, "%d / %d", static_cast<int>(settings.NumberOfPass),
                  static_cast<int>(settings.TotalTestCount));
    return text;
}

}  // namespace qx::station
