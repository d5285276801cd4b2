// The station window's settings area: the page control "PageControl1" with
// its nine setting pages (and the fourteen option pages of the "Test Items"
// page), and the settings-file row "Panel7". The main window embeds it, owns
// the stores it shows, and reads the status texts it emits. Every control
// carries the name the station's settings code finds it by.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "station/settings/settings_load.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace qx::ui {
class Prompter;
}

namespace qx::station {

struct ControlRow;
struct WriteFailures;

class SettingsArea final : public QWidget {
    Q_OBJECT
public:
    SettingsArea(SettingsStores stores, ui::Prompter& prompter, QWidget* parent = nullptr);
    ~SettingsArea() override;

    // Record to controls, and controls to record. The second throws
    // InvalidInteger at the first numeric edit that does not convert; the
    // fields before it are taken, the ones after it keep their values.
    void GlobalParameterToForm();
    void FormToGlobalParameter();
    // The same, reporting a conversion error (trace line and "Error" box)
    // instead of throwing; false then. For the shut-down save.
    bool TryFormToGlobalParameter();

    // 1 when the settings and the flash part list were loaded, else 0 with
    // nothing changed. Throws CannotCreateLogDirectory.
    int LoadIniFile(const std::string& path);
    // False, after the "Error" box, when the file was not saved whole (the
    // old one is kept); noted as a settings failure when one is given.
    bool SaveIniFile(const std::string& path);
    // The same box and note after a save of the file that failed elsewhere
    // (the flash auto-detect writes its [FlashSetting] keys itself).
    void TellIniNotSaved(const std::string& path);
    void ReportFailuresTo(WriteFailures& failures) { failures_ = &failures; }

    // Start-up check of the two program images (clears StartAllowed).
    void CheckProgramImages();

    // The flash choice: the part list of the chosen vendor, the change of the
    // choice, and FlashConfig made to match FlashUniName.
    void UpdateFlashList(bool fromVendorBox);
    void FlashInfoChange();
    void ChangeGlobalParameter();

    void FunCheckListBoxClickCheck();
    void SubPageControl();
    void BinFileChkClick();

    void INILoadBtnClick();
    void INISaveBtnClick();
    void CalcIDEMAToRatioBnClick();
    void RestoreReservedRatioClick();
    void DecodeNameBnClick();
    // Handlers of the hidden DRAM page; they do nothing.
    void UpdateDramList() {}
    void DramInfoChange() {}
    void RDTPatternBnClick() {}

    // "Don't Care" and "1" .. portCount, then the record's ConnectDevNum.
    void SetPortCount(int portCount);
    // The setting pages and "Save INI" follow SettingsUnlocked.
    void ApplySettingsLock();

    // Runs a handler; a conversion error or a failed folder is shown in the
    // "Error" box instead of leaving the event loop.
    void Guarded(const std::function<void()>& handler);

    SettingsStores& Stores() { return stores_; }
    // Each transfer row's control and the settings key it shows (nullptr for
    // keyless fields), in transfer order.
    std::vector<std::pair<const char*, const char*>> ControlKeys() const;

signals:
    // Status bar panel 0 (flash choice), 1 (firmware files), 2 (versions).
    void statusTextChanged(int panel, const QString& text);
    // The firmware choice changed; the main window renews its caption.
    void captionRenewRequested();
    // A load asks the main window to apply the settings lock of its hidden modes.
    void settingsLockRequested();

private:
    void BuildPanel7();
    void BuildTestItemsPage(QWidget* page);
    void BuildOptionPages(QTabWidget* pages);
    void BuildFlashPage(QWidget* page);
    void BuildDramPage(QWidget* page);
    void BuildDevicePage(QWidget* page);
    void BuildFirmwarePage(QWidget* page);
    void BuildIdentifyPage(QWidget* page);
    void BuildRdPages(QWidget* rd, QWidget* rdtFirmware, QWidget* batch);
    void WireHandlers();
    void BuildControlRows();

    void RebuildTestItemList();
    void ShowFlashChoice();
    void TakeFlashPartName();
    void ShowIdentifyList();
    void TakeIdentifyList();
    void ShowProductModel();
    void ShowCapacity();
    void SetStatus(int panel, const std::string& text);
    void AfterLoadFromButton();

    template <class T>
    T* Find(const char* name) const;
    QWidget* Page(int index) const;

    SettingsStores stores_;
    ui::Prompter& prompter_;
    std::vector<ControlRow> rows_;
    QTabWidget* pages_ = nullptr;
    QListWidget* testItems_ = nullptr;
    bool buildingList_ = false;
    std::string openFolder_;
    std::string saveFolder_;
    WriteFailures* failures_ = nullptr;
};

template <class T>
T* SettingsArea::Find(const char* name) const {
    return findChild<T*>(QString::fromLatin1(name));
}

}  // namespace qx::station
