// The settings pages offscreen: page layout and grabs, the flash page, the
// check list, the firmware files, and what the edits do while typed into.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <map>

#include "station/settings/flash_selection.h"
#include "station/settings/settings_load.h"
#include "station_forms/settings/settings_area_fixture.h"
#include "station/settings/firmware_file_builder.h"

namespace qx::test {
namespace {

class SettingsPages : public SettingsAreaTest {
protected:
    void Activate(const char* combo, int index) {
        auto* box = C<QComboBox>(combo);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QListWidgetItem* Item(const char* text) {
        auto items = C<QListWidget>("FunCheckListBox")->findItems(text, Qt::MatchExactly);
        EXPECT_EQ(items.size(), 1) << text;
        return items.empty() ? nullptr : items[0];
    }
    std::vector<std::string> VisibleTabs(const char* pageControl) {
        auto* tabs = C<QTabWidget>(pageControl);
        std::vector<std::string> visible;
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->isTabVisible(i)) visible.push_back(tabs->tabText(i).toStdString());
        return visible;
    }
};

TEST_F(SettingsPages, PagesCaptionsAndGrabs) {
    Load("");
    auto* pages = C<QTabWidget>("PageControl1");
    std::vector<std::string> captions;
    for (int i = 0; i < pages->count(); ++i) captions.push_back(pages->tabText(i).toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"Test Items", "Flash Setting", "Dram Setting", "Device Setting",
                                                  "F/W Setting", "Identify Setting", "RD", "RDT F/W Setting",
                                                  "Batch Mode"}));
    EXPECT_EQ(VisibleTabs("PageControl1"), (std::vector<std::string>{"Test Items", "Flash Setting", "Device Setting",
                                                                     "F/W Setting", "Identify Setting"}));
    for (int i = 0; i < pages->count(); ++i) {
        const bool wasVisible = pages->isTabVisible(i);
        pages->setTabVisible(i, true);
        pages->setCurrentIndex(i);
        SaveGrab(*area_, "settings_page_" + std::to_string(i) + "_" + pages->widget(i)->objectName().toStdString());
        pages->setTabVisible(i, wasVisible);
    }
    pages->setCurrentIndex(0);
    auto* options = C<QTabWidget>("PageControl2");
    for (int i = 0; i < options->count(); ++i) {
        options->setTabVisible(i, true);
        options->setCurrentIndex(i);
        SaveGrab(*area_, "settings_option_" + options->tabText(i).toStdString());
    }
}

TEST_F(SettingsPages, RdAndBatchTabsFollowTheirSwitches) {
    Load("[RDSetting]\nEnableGetPutTable=1\nEnBatchMode=1\n");
    EXPECT_TRUE(C<QTabWidget>("PageControl1")->isTabVisible(6));
    EXPECT_TRUE(C<QTabWidget>("PageControl1")->isTabVisible(8));
    C<QRadioButton>("RadioGroupIgnoreErrorItem1")->setChecked(true);
    area_->FormToGlobalParameter();
    EXPECT_EQ(state_.IgnoreErrorChoice, 1);
}

TEST_F(SettingsPages, FlashPageWithTheShippedList) {
    QSignalSpy status(area_.get(), &station::SettingsArea::statusTextChanged);
    Load("[FlashSetting]\nFlashUniName=KT128A\nChannel=4\nBank=2\n");
    auto* vendors = C<QComboBox>("FlashVendorCmbx");
    ASSERT_EQ(vendors->count(), 4);
    EXPECT_EQ(vendors->itemText(0), "Norvale");
    EXPECT_EQ(vendors->currentText(), "Kestrin");
    auto* parts = C<QComboBox>("FlashCodeCmBx");
    ASSERT_EQ(parts->count(), 3);
    EXPECT_EQ(parts->itemText(0), "KT128A  /  KT9U128T2A (4CE)");
    EXPECT_EQ(parts->itemText(2), "KT256D  /  KT9U256D5A (4CE)");
    EXPECT_EQ(state_.StatusPanels[0], "Flash: KT128A(0x2A52), Channel: 4, Bank: 2");
    bool seen = false;
    for (const auto& args : status)
        seen = seen || (args[0].toInt() == 0 && args[1].toString() == "Flash: KT128A(0x2A52), Channel: 4, Bank: 2");
    EXPECT_TRUE(seen);
    EXPECT_EQ(C<QPlainTextEdit>("FlashDetailMemo")->toPlainText(),
              "Type: MLC, Die: 2\nTotalBlock: 4096, BlockPage: 256\nPerPageSize: 8192 DieOffset: 0\nFlashInterface: 4");
    // Capacity, computed here from the configuration the choice made.
    const double bytes = static_cast<double>(CalcDiskCapacity(config_)) * 512;
    EXPECT_EQ(Edit("CapacityEdit").toStdString(), station::FormatFixed2(bytes / 1e9));
    EXPECT_EQ(Edit("CapacityEdit2").toStdString(), station::FormatFixed2(bytes / 1073741824.0));
    EXPECT_EQ(state_.LargeCapacityFlag, bytes / 1073741824.0 > 200);
    EXPECT_EQ(C<QLineEdit>("CapacityEdit")->toolTip(), "");

    // The operator picks another vendor: its first part is chosen at once.
    Activate("FlashVendorCmbx", 2);
    EXPECT_STREQ(settings_.FlashUniName, "AM32T");
    EXPECT_EQ(state_.StatusPanels[0], "Flash: AM32T(0x3849), Channel: 4, Bank: 2");
    Activate("FlashCodeCmBx", 1);
    EXPECT_STREQ(settings_.FlashUniName, "AM16P");
    Activate("FlashChanCmBx", 1);
    EXPECT_EQ(settings_.Channel, 2);
    EXPECT_EQ(state_.StatusPanels[0], "Flash: AM16P(0x0849), Channel: 2, Bank: 2");
}

TEST_F(SettingsPages, LowPageModeHalvesTheCapacityAndItsHintGoesWithIt) {
    Load("[FlashSetting]\nFlashUniName=WBG\nChannel=4\nBank=8\n[FwSetting]\nEnLowPage=1\n");
    const double gb = static_cast<double>(CalcDiskCapacity(config_)) * 512 / 1e9;
    EXPECT_EQ(Edit("CapacityEdit").toStdString(), std::to_string(static_cast<int>(gb / 2)) + ".00");
    EXPECT_EQ(C<QLineEdit>("CapacityEdit")->toolTip(), "SLC mode enabled");
    EXPECT_EQ(C<QLineEdit>("CapacityEdit2")->toolTip(), "SLC mode enabled");
    settings_.EnLowPage = 0;
    area_->FlashInfoChange();
    EXPECT_EQ(C<QLineEdit>("CapacityEdit")->toolTip(), "");
    EXPECT_EQ(C<QLineEdit>("CapacityEdit2")->toolTip(), "");
}

TEST_F(SettingsPages, IdemaButtonsAndMessages) {
    Load("[FlashSetting]\nFlashUniName=WBG\nChannel=2\nBank=1\n");
    const auto set = [this](const char* text) {
        C<QLineEdit>("IDEMAEdit")->setText(text);
        C<QPushButton>("CalcIDEMAToRatioBn")->click();
    };
    set("5");
    EXPECT_EQ(prompter_.Texts().back(), "Please input a correct IDEMA capacity(less than or equal to 4)");
    set("");
    EXPECT_EQ(prompter_.Texts().back(), "Please input a IDEMA capacity");
    set("0");
    EXPECT_EQ(prompter_.Texts().back(), "Please input a correct IDEMA capacity(not equal to 0)");
    set("x");
    EXPECT_EQ(prompter_.Texts().back(), "'x' is not a valid integer value");
    EXPECT_EQ(prompter_.Records().back().caption, "Error");
    const std::size_t boxes = prompter_.Texts().size();
    set("4");
    EXPECT_EQ(prompter_.Texts().size(), boxes);
    EXPECT_EQ(Edit("IDEMARatio"), "65");
    EXPECT_EQ(settings_.ResPercentage, 65);
    EXPECT_EQ(Edit("ResBlkRatioEdit"), "65");
    C<QPushButton>("RestoreReservedRatio")->click();
    EXPECT_EQ(Edit("IDEMAEdit"), "");
    EXPECT_EQ(Edit("IDEMARatio"), "");
    EXPECT_EQ(settings_.ResPercentage, 68);
    EXPECT_EQ(Edit("ResBlkRatioEdit"), "68");
}

TEST_F(SettingsPages, UnknownPartAndValuesSelectTheFirstItems) {
    Load("[FlashSetting]\nFlashUniName=NOPART\nChannel=9\n");
    EXPECT_EQ(C<QComboBox>("FlashVendorCmbx")->currentIndex(), 0);
    EXPECT_EQ(C<QComboBox>("FlashCodeCmBx")->currentIndex(), 0);
    EXPECT_EQ(C<QComboBox>("FlashChanCmBx")->currentIndex(), 0);
    EXPECT_STREQ(settings_.FlashUniName, "WBG") << "the choice shown is taken back";
}

TEST_F(SettingsPages, NoSelectionLeavesFieldsAsTheyWere) {
    Load("[FlashSetting]\nFlashUniName=KT64H\nChannel=3\nBank=2\nDrvCurrent=4\n");
    for (const char* name : {"FlashChanCmBx", "FlashBankCmBx", "DrvCurrentCmBx", "CapacityCmBx", "FlashCodeCmBx", "ConnectionChkCmbox"})
        C<QComboBox>(name)->setCurrentIndex(-1);
    area_->FormToGlobalParameter();
    EXPECT_EQ(settings_.Channel, 3);
    EXPECT_EQ(settings_.Bank, 2);
    EXPECT_EQ(settings_.DrvCurrent, 4);
    EXPECT_STREQ(settings_.FlashUniName, "KT64H");
    const std::string before = state_.StatusPanels[0];
    area_->FlashInfoChange();   // nothing to configure: no part-dependent step runs
    EXPECT_EQ(state_.StatusPanels[0], before);
    C<QComboBox>("FlashVendorCmbx")->setCurrentIndex(-1);
    area_->UpdateFlashList(false);
    EXPECT_EQ(prompter_.Texts().back(), "Please select a valid Flash Vendor!");
    EXPECT_EQ(C<QComboBox>("FlashCodeCmBx")->count(), 0);
}

TEST_F(SettingsPages, APartNameTooLongForTheSettingsIsNotChosen) {
    WriteFile("Long.ini", "[Vendor]\nName00=V\n[V]\nName000=SHORT PN 0x1811 2 3 1 2 3 4 5 0 0 0 0 0 1 0\n"
                          "Name001=TENLETTERS PN 0x1811 2 3 1 2 3 4 5 0 0 0 0 0 1 0\n");
    Load("[FlashSetting]\nExtFlashFile=Long.ini\nFlashUniName=SHORT\n");
    Activate("FlashCodeCmBx", 1);
    EXPECT_STREQ(settings_.FlashUniName, "SHORT");
    EXPECT_EQ(prompter_.Texts().front(),
              "The flash part name TENLETTERS is longer than 9 characters and cannot be chosen.");
    EXPECT_EQ(C<QComboBox>("FlashCodeCmBx")->currentIndex(), 0) << "the previous part is shown again";
}

TEST_F(SettingsPages, CheckListRowsMarksAndCoupling) {
    Load("");
    auto* list = C<QListWidget>("FunCheckListBox");
    ASSERT_EQ(list->count(), 8);
    EXPECT_EQ(Item("Flash Module Test")->checkState(), Qt::Checked);
    EXPECT_EQ(Item("Download")->checkState(), Qt::Unchecked);
    Item("Preformat")->setCheckState(Qt::Checked);   // as the operator clicks it
    EXPECT_EQ(Item("Download")->checkState(), Qt::Checked);
    EXPECT_EQ(settings_.TestItemEnable[kItemDownload], 1);
    Item("Download")->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Item("Download")->checkState(), Qt::Checked);
    Item("Preformat")->setCheckState(Qt::Unchecked);
    Item("Download")->setCheckState(Qt::Unchecked);
    EXPECT_EQ(settings_.TestItemEnable[kItemDownload], 0);

    list->setCurrentItem(Item("Download"));
    EXPECT_EQ(VisibleTabs("PageControl2"), std::vector<std::string>{"OP_Download"});
    list->setCurrentItem(Item("R/W Test"));
    EXPECT_TRUE(VisibleTabs("PageControl2").empty());
    list->setCurrentItem(Item("Flash Module Test"));
    EXPECT_EQ(VisibleTabs("PageControl2"), std::vector<std::string>{"OP_FlashModule"});
}

TEST_F(SettingsPages, RebuildBadBlockAppearsWithTheUpdateSwitch) {
    Load("[Setting]\nUpdateFirmwareA2B=1\n");
    ASSERT_EQ(C<QListWidget>("FunCheckListBox")->item(1)->text(), "Rebuild Bad Block");
    EXPECT_EQ(Item("Rebuild Bad Block")->checkState(), Qt::Unchecked);
    Item("Rebuild Bad Block")->setCheckState(Qt::Checked);
    EXPECT_EQ(settings_.TestItemEnable[2], 1);
}

TEST_F(SettingsPages, FlashModuleMask) {
    Load("");
    for (int k = 1; k <= 5; ++k) C<QCheckBox>(("CheckID" + std::to_string(k)).c_str())->setChecked(k == 1 || k == 3);
    area_->FormToGlobalParameter();
    EXPECT_EQ(settings_.CheckFlashMask, 5);
    EXPECT_EQ(FlashIdCheckMask.load(), 5);
}

TEST_F(SettingsPages, FirmwareChoiceFillsPanelsAndGroups) {
    WriteBytes(dir_.file("GDP.bin"), ImageBytes({.programVersion = "203107"}));
    WriteBytes(dir_.file("satatest.bin"), ImageBytes({.programVersion = "100001"}));
    area_->CheckProgramImages();
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_EQ(state_.StartAllowed, 1);
    WriteBytes(dir_.file("SYS_TSCI.bin"), ImageBytes({.firmwareVersion = "104021", .info = "INFO", .header = "BAHGDCFE"}));
    QSignalSpy caption(area_.get(), &station::SettingsArea::captionRenewRequested);
    Load("[FlashSetting]\nFlashUniName=WBG\nChannel=2\nBank=1\n[TestItems]\nDownloadType=1\n");
    EXPECT_EQ(state_.StatusPanels[1], "SYS_TSCI.bin (ABGHCDEF)");
    EXPECT_EQ(state_.StatusPanels[2], "GDP.bin(2.03.107), SYS(1.04.021) INFO");
    EXPECT_GT(caption.count(), 0);
    EXPECT_FALSE(C<QWidget>("SATAGroupBox")->isHidden());
    EXPECT_TRUE(C<QWidget>("USBGroupBox")->isHidden());
    EXPECT_EQ(C<QLabel>("SerialNumEditLabel")->text(), "Serial Number (20) ");

    C<QSpinBox>("SNMinLengthSpin")->setValue(5);
    C<QCheckBox>("UsbBinChk")->click();
    EXPECT_EQ(C<QSpinBox>("SNMinLengthSpin")->minimum(), 12);
    EXPECT_EQ(C<QSpinBox>("SNMinLengthSpin")->value(), 12);
    EXPECT_EQ(C<QLabel>("SerialNumEditLabel")->text(), "Serial Number (12-20) ");
    EXPECT_EQ(state_.StatusPanels[1], "SYS_TSCI.bin (ABGHCDEF) / SYS_USCI.bin") << "a missing file: bare name";
    EXPECT_FALSE(C<QWidget>("USBGroupBox")->isHidden());
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SettingsPages, DecodeName) {
    Load("");
    C<QPushButton>("DecodeNameBn")->click();
    EXPECT_EQ(prompter_.Texts().back().substr(0, 16), "Block Unit:1024\n");
    C<QLineEdit>("DecodeNameEdit")->clear();
    const std::size_t boxes = prompter_.Texts().size();
    C<QPushButton>("DecodeNameBn")->click();
    EXPECT_EQ(prompter_.Texts().size(), boxes) << "an empty name decodes nothing";
}

TEST_F(SettingsPages, TypingIntoTheEdits) {
    Load("");
    area_->show();
    auto* vid = C<QLineEdit>("VendorIDEdit");
    QTest::keyClicks(vid, "1a2g b3");
    EXPECT_EQ(vid->text(), "1A2B");
    EXPECT_STREQ(settings_.UsbVid, "1A2B");
    QTest::keyClicks(C<QLineEdit>("ProductIDEdit"), "ffff");
    EXPECT_STREQ(settings_.UsbPid, "FFFF");

    auto* model = C<QLineEdit>("ModelNumEdit");
    model->setText(QString(41, 'M'));
    QCoreApplication::processEvents();
    EXPECT_EQ(model->text().size(), 40);
    EXPECT_EQ(model->cursorPosition(), 39);
    model->clear();
    QTest::keyClicks(model, "A\\B");
    EXPECT_EQ(model->text(), "AB");

    auto* serial = C<QLineEdit>("SerialNumEdit");
    serial->clear();
    settings_.SNDecimal = 1;
    QTest::keyClicks(serial, "12ab");
    EXPECT_EQ(serial->text(), "12");
    settings_.SNDecimal = 0;
    QTest::keyClicks(serial, "ab");
    EXPECT_EQ(serial->text(), "12AB");

    C<QLineEdit>("IDEMACapacityEdit")->clear();
    QTest::keyClicks(C<QLineEdit>("IDEMACapacityEdit"), "1x2");
    EXPECT_EQ(Edit("IDEMACapacityEdit"), "12");
    C<QLineEdit>("CheckMaxTemperatureValue")->clear();
    QTest::keyClicks(C<QLineEdit>("CheckMaxTemperatureValue"), "7z0");
    EXPECT_EQ(Edit("CheckMaxTemperatureValue"), "70");
}

TEST_F(SettingsPages, VolumeLabelUnderFat32) {
    Load("");
    C<QLineEdit>("VolumeLabeledEdit")->setText("TWELVE_CHARS");
    EXPECT_EQ(Edit("VolumeLabeledEdit"), "TWELVE_CHAR");
    ASSERT_EQ(prompter_.Records().size(), 1u);
    EXPECT_EQ(prompter_.Records()[0].caption, "Message");
    EXPECT_EQ(prompter_.Texts()[0], "FAT32 only support Volume label 11 characters!");
    C<QComboBox>("FmtTypeComboBox")->setCurrentIndex(-1);
    C<QLineEdit>("VolumeLabeledEdit")->setText("TWELVE_CHARS");
    EXPECT_EQ(Edit("VolumeLabeledEdit"), "TWELVE_CHARS") << "no format type: nothing happens";
}

TEST_F(SettingsPages, AConversionErrorStopsTheTransferAtItsControl) {
    Load("");
    C<QLineEdit>("ModelNumEdit")->setText("BEFORE");
    C<QLineEdit>("Bch24RdErrThldEdit")->setText("abc");
    C<QLineEdit>("RWTestFullCycle")->setText("9");
    EXPECT_FALSE(area_->TryFormToGlobalParameter());
    EXPECT_EQ(prompter_.Texts().back(), "'abc' is not a valid integer value");
    EXPECT_EQ(prompter_.Records().back().caption, "Error");
    EXPECT_STREQ(settings_.ModelNum, "BEFORE");
    EXPECT_EQ(settings_.RWTestFullCycles, 0) << "fields after the bad control keep their values";
}

TEST_F(SettingsPages, ProductModelPanel) {
    Load("[Setting]\nProductModel=QX\n");
    EXPECT_TRUE(C<QLabel>("ProdModalPanel")->isHidden());
    Load("[Setting]\nProductModel=QX-LINE2\n");
    EXPECT_FALSE(C<QLabel>("ProdModalPanel")->isHidden());
    EXPECT_EQ(C<QLabel>("ProdModalPanel")->text(), "QX-LINE2");
    state_.HotKeyState = 7;
    area_->GlobalParameterToForm();
    EXPECT_EQ(C<QLabel>("ProdModalPanel")->text(), "God Mode");
}

TEST_F(SettingsPages, IdentifyOverrides) {
    Load("[Setting]\nEnCustomizeIdentify=1\n[DeviceSetting]\nIdentiyData005=Z1234\nIdentiyData006=XABCD\n");
    auto* list = C<QTreeWidget>("IdentifyListView");
    ASSERT_EQ(list->topLevelItemCount(), 256);
    EXPECT_FALSE(list->isHidden());
    EXPECT_EQ(list->topLevelItem(5)->text(0), "1234");
    EXPECT_EQ(list->topLevelItem(5)->text(1), "005");
    EXPECT_EQ(list->topLevelItem(5)->checkState(0), Qt::Checked);
    EXPECT_EQ(list->topLevelItem(6)->checkState(0), Qt::Unchecked);
    list->topLevelItem(5)->setCheckState(0, Qt::Unchecked);
    list->topLevelItem(6)->setCheckState(0, Qt::Checked);
    list->topLevelItem(6)->setText(0, "BEEF99");
    area_->FormToGlobalParameter();
    EXPECT_STREQ(config_.IdentifyOverrides[5].data(), "X1234");
    EXPECT_STREQ(config_.IdentifyOverrides[6].data(), "ZBEEF");
}

}  // namespace
}  // namespace qx::test
