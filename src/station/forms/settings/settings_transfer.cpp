// The two transfers between the settings record and the pages, walked over
// one table of rows in the order the station has always used.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <array>

#include "qxlib/base/debug_print.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/settings_switches.h"
#include "station/flash_part_list.h"
#include "station/forms/settings/control_rows.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/flash_selection.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr std::array<int, 4> kChannelValues{1, 2, 3, 4};
constexpr std::array<int, 8> kBankValues{1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<int, 8> kDriveCurrentValues{0, 1, 2, 3, 4, 5, 6, 7};
constexpr int kRdPage = 6;
constexpr int kBatchPage = 8;

// A value shown as its position in a list; no selection leaves the field.
ControlRow ListRow(QWidget& area, GlobalParameter& s, const char* control, const char* key,
                   std::uint8_t GlobalParameter::*field, std::span<const int> values) {
    return {control, key,
            [&area, &s, control, field, values] {
                Control<QComboBox>(area, control)->setCurrentIndex(FindValueIndex(values, s.*field));
            },
            [&area, &s, control, field, values] {
                const int index = Control<QComboBox>(area, control)->currentIndex();
                if (index >= 0 && static_cast<std::size_t>(index) < values.size())
                    s.*field = static_cast<std::uint8_t>(values[static_cast<std::size_t>(index)]);
            }};
}

// A step enable shown by a check box or a group's visibility.
ControlRow EnableCheckRow(QWidget& area, GlobalParameter& s, const char* control, const char* key, std::size_t item) {
    return {control, key, [&area, &s, control, item] { Control<QCheckBox>(area, control)->setChecked(s.TestItemEnable[item] != 0); },
            [&area, &s, control, item] { s.TestItemEnable[item] = Control<QCheckBox>(area, control)->isChecked() ? 1 : 0; }};
}

}  // namespace

void SettingsArea::BuildControlRows() {
    QWidget& a = *this;
    GlobalParameter& s = stores_.Settings;
    auto& r = rows_;
    r.push_back({"ProdModalPanel", "ProductModel", [this] { ShowProductModel(); }, {}});
    r.push_back({"ConnectionChkCmbox", "ConnectDevNum",
                 [&a, &s] {
                     Control<QComboBox>(a, "ConnectionChkCmbox")->setCurrentIndex(s.ConnectDevNum);
                     Control<QCheckBox>(a, "UpdateFirmwareChk")->hide();
                 },
                 [&a, &s] {
                     const int index = Control<QComboBox>(a, "ConnectionChkCmbox")->currentIndex();
                     if (index >= 0) s.ConnectDevNum = static_cast<std::uint8_t>(index);
                 }});
    r.push_back({"FunCheckListBox", nullptr, [this] { RebuildTestItemList(); }, [this] { FunCheckListBoxClickCheck(); }});
    r.push_back({"CheckID1", "CheckFlashMask",
                 [&a, &s] {
                     for (int k = 0; k < 5; ++k)
                         Control<QCheckBox>(a, ("CheckID" + std::to_string(k + 1)).c_str())
                             ->setChecked((s.CheckFlashMask >> k) & 1);
                 },
                 [&a, &s] {
                     std::uint8_t mask = 0;
                     for (int k = 0; k < 5; ++k)
                         if (Control<QCheckBox>(a, ("CheckID" + std::to_string(k + 1)).c_str())->isChecked())
                             mask = static_cast<std::uint8_t>(mask | (1u << k));
                     s.CheckFlashMask = mask;
                     FlashIdCheckMask.store(mask);
                 }});
    r.push_back({"SataBinChk", "DownloadType",
                 [&a, &s] {
                     Control<QCheckBox>(a, "UsbBinChk")->hide();
                     Control<QCheckBox>(a, "SataBinChk")->setChecked(s.DownloadType & 1);
                 },
                 [&a, &s] {
                     s.DownloadType = static_cast<std::uint8_t>(2 * Control<QCheckBox>(a, "UsbBinChk")->isChecked() +
                                                                Control<QCheckBox>(a, "SataBinChk")->isChecked());
                 }});
    r.push_back(ComboIndexRow(a, s, "FmtTypeComboBox", "DiskFormat", &GlobalParameter::DiskFormat));
    r.push_back({"FormatGroupBox", "EnFormat",
                 [&a, &s] { Control<QWidget>(a, "FormatGroupBox")->setVisible(s.TestItemEnable[kItemFormat] != 0); }, {}});
    r.push_back(TextRow(a, s, "VolumeLabeledEdit", "DiskLabel", &GlobalParameter::DiskLabel));
    r.push_back(EnableCheckRow(a, s, "CopyImageCheckBox", "EnCopyImage", kItemCopyImage));
    r.push_back(TextRow(a, s, "ImagePathEdit", "CopyImagePath", &GlobalParameter::CopyImagePath));
    r.push_back(VisibleRow(a, s, "GenImageBn", "EnGenImage", &GlobalParameter::EnGenImage));
    r.push_back(NumberRow(a, s, "CheckMaxTemperatureValue", "CheckMaxTemperatureValue",
                          &GlobalParameter::CheckMaxTemperatureValue));
    r.push_back(NumberRow(a, s, "MaxLBAValue", "SetMaxLBAValue", &GlobalParameter::SetMaxLBAValue));
    r.push_back(TextRow(a, s, "ModelNumEdit", "ModelNum", &GlobalParameter::ModelNum));
    r.push_back(TextRow(a, s, "FirmwareVerEdit", "FirmwareVer", &GlobalParameter::FirmwareVer));
    r.push_back(TextRow(a, s, "SerialNumEdit", "SerialNum", &GlobalParameter::SerialNum));
    r.push_back(CheckRow(a, s, "SNIncChk", "SNAutoInc", &GlobalParameter::SNAutoInc));
    r.push_back(RadioRow(a, s, "SNDecimal", "SNHexadecimal", "SNDecimal", &GlobalParameter::SNDecimal));
    r.push_back(SpinRow(a, s, "SNMinLengthSpin", "SNMinLength", &GlobalParameter::SNMinLength));
    // The USB IDs are taken while they are typed.
    r.push_back({"VendorIDEdit", nullptr, [&a, &s] { Control<QLineEdit>(a, "VendorIDEdit")->setText(Q(std::string(FixedTextView(s.UsbVid)))); }, {}});
    r.push_back({"ProductIDEdit", nullptr, [&a, &s] { Control<QLineEdit>(a, "ProductIDEdit")->setText(Q(std::string(FixedTextView(s.UsbPid)))); }, {}});
    r.push_back(TextRow(a, s, "VendorNameEdit", nullptr, &GlobalParameter::UsbVendorName));
    r.push_back(TextRow(a, s, "ProductNameEdit", nullptr, &GlobalParameter::UsbProductName));
    r.push_back(TextRow(a, s, "ManufStrEdit", nullptr, &GlobalParameter::UsbManufacturerString));
    r.push_back(TextRow(a, s, "ProdStrEdit", nullptr, &GlobalParameter::UsbProductString));
    r.push_back(TextRow(a, s, "LeEncryption", "EncryptionString", &GlobalParameter::EncryptionString));
    r.push_back({"GroupBox7", "EncryptionEnable",
                 [&a, &s] {
                     // Shown once the string is in use; never hidden again.
                     if (!s.EncryptionEnable) return;
                     for (const char* name : {"GroupBox7", "BnKeyFile", "LeEncryption", "LeEncryptionLabel"})
                         Control<QWidget>(a, name)->show();
                 },
                 {}});
    r.push_back(TextRow(a, s, "OUILEdit", "OUI", &GlobalParameter::OUI));
    r.push_back(TextRow(a, s, "UIDLEdit", "UID", &GlobalParameter::UID));
    r.push_back(CheckRow(a, s, "UIDIncChk", "UIDAutoInc", &GlobalParameter::UIDAutoInc));
    r.push_back(RadioRow(a, s, "UIDDecimal", "UIDHexadecimal", "UIDDecimal", &GlobalParameter::UIDDecimal));
    r.push_back({"IdentifyListView", "IdentiyData%3.3d", [this] { ShowIdentifyList(); }, [this] { TakeIdentifyList(); }});
    r.push_back({"FlashCodeCmBx", "FlashUniName", [this] { ShowFlashChoice(); }, [this] { TakeFlashPartName(); }});
    r.push_back(ListRow(a, s, "FlashChanCmBx", "Channel", &GlobalParameter::Channel, kChannelValues));
    r.push_back(ListRow(a, s, "FlashBankCmBx", "Bank", &GlobalParameter::Bank,
                        std::span<const int>(kBankValues).first(static_cast<std::size_t>(Find<QComboBox>("FlashBankCmBx")->count()))));
    r.push_back(ListRow(a, s, "DrvCurrentCmBx", "DrvCurrent", &GlobalParameter::DrvCurrent, kDriveCurrentValues));
    r.push_back(ComboIndexRow(a, s, "CapacityCmBx", "Capacity", &GlobalParameter::Capacity));
    r.push_back(NumberRow(a, s, "DefBlkRatioEdit", "DefPercentage", &GlobalParameter::DefPercentage, false));
    r.push_back(NumberRow(a, s, "ResBlkRatioEdit", "ResPercentage", &GlobalParameter::ResPercentage, false));
    r.push_back(NumberRow(a, s, "Bch16RdErrThldEdit", "Bch16ReadErrorThreshold", &GlobalParameter::Bch16ReadErrorThreshold));
    r.push_back(NumberRow(a, s, "Bch24RdErrThldEdit", "Bch24ReadErrorThreshold", &GlobalParameter::Bch24ReadErrorThreshold));
    r.push_back(NumberRow(a, s, "Bch40RdErrThldEdit", "Bch40ReadErrorThreshold", &GlobalParameter::Bch40ReadErrorThreshold));
    r.push_back(NumberRow(a, s, "Bch16EccErrCpyThldEdit", "Bch16EccErrorCopyThreshold", &GlobalParameter::Bch16EccErrorCopyThreshold));
    r.push_back(NumberRow(a, s, "Bch24EccErrCpyThldEdit", "Bch24EccErrorCopyThreshold", &GlobalParameter::Bch24EccErrorCopyThreshold));
    r.push_back(NumberRow(a, s, "Bch40EccErrCpyThldEdit", "Bch40EccErrorCopyThreshold", &GlobalParameter::Bch40EccErrorCopyThreshold));
    ControlRow wear = NumberRow(a, s, "WearLevFreqEdit", "WearLevelFrequency", &GlobalParameter::WearLevelFrequency);
    wear.ToRecord = [&a, &s] {
        const QString text = Control<QLineEdit>(a, "WearLevFreqEdit")->text();
        if (!text.isEmpty()) s.WearLevelFrequency = static_cast<std::uint8_t>(StrToInt(S(text)));
    };
    r.push_back(wear);
    r.push_back({"SMARTChk", nullptr,
                 [&a] {
                     for (const char* name : {"SMARTChk", "SecurityChk", "SlumberChk", "InterleaveChk", "ParalMemChk", "SecurityEraseChk"})
                         Control<QCheckBox>(a, name)->setChecked(false);
                 },
                 {}});
    r.push_back(CheckRow(a, s, "ScrambleChk", "ScrambleEnable", &GlobalParameter::ScrambleEnable));
    r.push_back(CheckRow(a, s, "RemapChk", "RemapEnable", &GlobalParameter::RemapEnable));
    r.push_back(CheckRow(a, s, "OneDramChk", "EnOneDram", &GlobalParameter::EnOneDram));
    r.push_back({"SkipEraseGoodChkBox", "EnSkipEraseGood",
                 [&a, &s] {
                     auto* box = Control<QCheckBox>(a, "SkipEraseGoodChkBox");
                     box->setChecked(s.EnSkipEraseGood != 0);
                     box->setVisible(s.EnSkipEraseGood != 0);
                 },
                 {}});
    r.push_back(CheckRow(a, s, "LaterChk", nullptr, &GlobalParameter::EnLaterBad));
    r.push_back(CheckRow(a, s, "EarlyChk", "EnEarlyBad", &GlobalParameter::EnEarlyBad));
    r.push_back(CheckRow(a, s, "EraseChk", "EnEraseReBuildBad", &GlobalParameter::EnEraseReBuildBad));
    r.push_back(CheckRow(a, s, "InheritChk", "EnCheckRDT", &GlobalParameter::EnCheckRDT));
    r.push_back(CheckRow(a, s, "KeepPreviousEraseCountChk", "EnKeepEraseCount", &GlobalParameter::EnKeepEraseCount));
    r.push_back(TextRow(a, s, "TableInEdit", "TableIn", &GlobalParameter::TableIn));
    r.push_back(TextRow(a, s, "TableOutEdit", "TableOut", &GlobalParameter::TableOut));
    r.push_back(TextRow(a, s, "LaterTableInEdit", "LaterTableIn", &GlobalParameter::LaterTableIn));
    r.push_back(TextRow(a, s, "LaterTableOutEdit", "LaterTableOut", &GlobalParameter::LaterTableOut));
    r.push_back({"TabSheet5", "EnableGetPutTable", [this, &s] { pages_->setTabVisible(kRdPage, s.EnableGetPutTable != 0); }, {}});
    r.push_back({"TabSheet23", "EnBatchMode", [this] { pages_->setTabVisible(kBatchPage, EnBatchMode.load() != 0); }, {}});
    r.push_back({"RadioGroupIgnoreError", nullptr, {},
                 [this] {
                     // No item chosen leaves the choice as it was.
                     if (Find<QRadioButton>("RadioGroupIgnoreErrorItem0")->isChecked())
                         stores_.Window.IgnoreErrorChoice = 0;
                     else if (Find<QRadioButton>("RadioGroupIgnoreErrorItem1")->isChecked())
                         stores_.Window.IgnoreErrorChoice = 1;
                 }});
    r.push_back(NumberRow(a, s, "RWTestPercentageValue", nullptr, &GlobalParameter::RWTestPercentage));
    r.push_back(NumberRow(a, s, "LBA_Capacity", nullptr, &GlobalParameter::LbaCapacity));
    r.push_back(NumberRow(a, s, "RWTestPercentageCycle", nullptr, &GlobalParameter::RWTestPercentageCycles));
    r.push_back(NumberRow(a, s, "WTestFullCycle", nullptr, &GlobalParameter::WTestFullCycles));
    r.push_back(NumberRow(a, s, "RWTestFullCycle", nullptr, &GlobalParameter::RWTestFullCycles));
    r.push_back(NumberRow(a, s, "IDEMACapacityEdit", nullptr, &GlobalParameter::IdemaCapacityGB));
    r.push_back(RadioRow(a, s, "SnCheckPatternRB", "SnCheckBarcodeRB", nullptr, &GlobalParameter::SnCheckUsePattern));
    r.push_back(TextRow(a, s, "SnCheckValueLd", nullptr, &GlobalParameter::SnCheckPattern));
    r.push_back(TextRow(a, s, "SnCheckMaskLd", nullptr, &GlobalParameter::SnCheckMask));
}

std::vector<std::pair<const char*, const char*>> SettingsArea::ControlKeys() const {
    std::vector<std::pair<const char*, const char*>> keys;
    for (const ControlRow& row : rows_) keys.emplace_back(row.Control, row.Key);
    return keys;
}

void SettingsArea::GlobalParameterToForm() {
    for (const ControlRow& row : rows_)
        if (row.ToForm) row.ToForm();
}

void SettingsArea::FormToGlobalParameter() {
    for (const ControlRow& row : rows_)
        if (row.ToRecord) row.ToRecord();
}

bool SettingsArea::TryFormToGlobalParameter() {
    try {
        FormToGlobalParameter();
        return true;
    } catch (const InvalidInteger& e) {
        DebugPrint("FormToGlobalParameter: %s\n", e.what());
        prompter_.Error(e.what());
        return false;
    }
}

void SettingsArea::ShowProductModel() {
    auto* panel = Find<QLabel>("ProdModalPanel");
    const std::string model(FixedTextView(stores_.Settings.ProductModel));
    if (model == "QX") {
        panel->hide();
        return;
    }
    panel->setText(stores_.Window.HotKeyState == 7 ? QString("God Mode") : Q(model));
    panel->show();
}

void SettingsArea::ShowFlashChoice() {
    auto* vendors = Find<QComboBox>("FlashVendorCmbx");
    const FlashPartList& list = stores_.Parts;
    vendors->clear();
    for (const std::string& name : list.FlashVendorNames) vendors->addItem(Q(name));
    const int part = FindFlashPartIndex(list.FlashPartTable, FixedTextView(stores_.Settings.FlashUniName));
    const int vendor = VendorOfPart(list, part);
    vendors->setCurrentIndex(vendor);
    UpdateFlashList(false);
    if (vendor >= 0) Find<QComboBox>("FlashCodeCmBx")->setCurrentIndex(part - list.FlashVendorStart[static_cast<std::size_t>(vendor)]);
}

void SettingsArea::TakeFlashPartName() {
    const auto part = PartOfItem(stores_.Parts, Find<QComboBox>("FlashVendorCmbx")->currentIndex(),
                                 Find<QComboBox>("FlashCodeCmBx")->currentIndex());
    if (!part) return;
    const std::string_view name = FixedTextView(stores_.Parts.FlashPartTable[static_cast<std::size_t>(*part)].PartName);
    if (name.size() >= sizeof stores_.Settings.FlashUniName) {
        // A name the settings file cannot hold would come back as another part.
        prompter_.Error("The flash part name " + std::string(name) + " is longer than " +
                        std::to_string(sizeof stores_.Settings.FlashUniName - 1) + " characters and cannot be chosen.");
        return;
    }
    CopyFixedText(stores_.Settings.FlashUniName, name);
}

void SettingsArea::ShowIdentifyList() {
    if (!stores_.Settings.EnCustomizeIdentify) return;
    auto* list = Find<QTreeWidget>("IdentifyListView");
    list->show();
    list->clear();
    for (std::size_t i = 0; i < kIdentifyOverrideCount; ++i) {
        const auto& entry = stores_.Config.IdentifyOverrides[i];
        auto* item = new QTreeWidgetItem(list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
        item->setText(0, Q(std::string(FixedTextView(std::span<const char>(entry).subspan(1)))));
        item->setText(1, QString::asprintf("%3.3d", static_cast<int>(i)));
        item->setCheckState(0, entry[0] == 'Z' ? Qt::Checked : Qt::Unchecked);
    }
}

void SettingsArea::TakeIdentifyList() {
    if (!stores_.Settings.EnCustomizeIdentify) return;
    auto* list = Find<QTreeWidget>("IdentifyListView");
    for (int i = 0; i < list->topLevelItemCount() && static_cast<std::size_t>(i) < kIdentifyOverrideCount; ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        auto& entry = stores_.Config.IdentifyOverrides[static_cast<std::size_t>(i)];
        entry[0] = item->checkState(0) == Qt::Checked ? 'Z' : 'X';
        CopyFixedText(std::span<char>(entry).subspan(1), S(item->text(0)).substr(0, 4));
    }
}

}  // namespace qx::station
