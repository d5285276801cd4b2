// The controls of the settings pages, page by page, with their captions.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qxlib/base/build_variant.h"
#include "station/forms/settings/page_builder.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/test_item_list.h"

namespace qx::station {
namespace {

// A text edit whose typing handler cuts it to a width chosen by its Tag.
void SetTag(QWidget* w, int tag) { w->setProperty("Tag", tag); }

// The engineers' 15 x 15 corner square: no border, the panel's own colour.
QWidget* InvisibleSquare(QWidget* parent, const char* name) {
    auto* square = new QWidget(parent);
    square->setObjectName(name);
    square->setFixedSize(15, 15);
    return square;
}

QStringList Numbers(std::initializer_list<int> values) {
    QStringList items;
    for (int v : values) items << QString::number(v);
    return items;
}

QStringList CapacityItems() {
    QStringList items{"Don't Care"};
    for (int gb = 2; gb <= 1024; gb *= 2) items << QString("%1 G").arg(gb);
    return items;
}

QStringList DriveCurrentItems() {
    QStringList items;
    for (int v = 0; v < 8; ++v) items << QString(" %1 mA").arg(2 * v + 2);
    return items;
}

}  // namespace

void SettingsArea::BuildPanel7() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel7");
    panel->setFixedWidth(288);
    PageBuilder b(panel, 8);
    b.Button("INILoadBtn", "Load INI");
    b.Button("INISaveBtn", "Save INI");
    auto* file = new QLineEdit(panel);
    file->setObjectName("INIFileEdit");
    file->setReadOnly(true);
    b.Place(file);
    b.Place(b.Label("CRC32Label", "CRC32"));
    QLabel* model = b.Label("ProdModalPanel", "");
    model->setStyleSheet("color: red; font-weight: bold;");
    model->hide();
    b.Place(model);
    // The engineers' firmware-name decoder, shown in special mode.
    auto* decodeEdit = new QLineEdit("SYS_SIAA.bin", panel);
    decodeEdit->setObjectName("DecodeNameEdit");
    decodeEdit->hide();
    b.Place(decodeEdit);
    b.Button("DecodeNameBn", "DecodeName")->hide();
    layout()->addWidget(panel);
}

void SettingsArea::BuildTestItemsPage(QWidget* page) {
    PageBuilder b(page, 8);
    b.Combo("ConnectionChkCmbox", "Connection", {"Don't Care"});
    testItems_ = new QListWidget(page);
    testItems_->setObjectName("FunCheckListBox");
    b.Place(testItems_, 7);
    b.NextColumn();
    auto* options = new QTabWidget(page);
    options->setObjectName("PageControl2");
    b.Place(options, 8);
    BuildOptionPages(options);
}

void SettingsArea::BuildOptionPages(QTabWidget* options) {
    for (const OptionPage& p : OptionPages()) {
        auto* page = new QWidget(options);
        page->setObjectName(p.Name);
        options->addTab(page, p.Caption);
    }
    const auto page = [options](const char* name) { return options->findChild<QWidget*>(name); };

    // The two groups side by side, each two rows high, fit the option page.
    PageBuilder download(page("TabSheet7"), 1);
    PageBuilder bin = download.Group("BinFileGroupBox", "  Bin File  ", 2);
    bin.Check("UsbBinChk", "USB");
    bin.Check("SataBinChk", "SATA");
    PageBuilder sn = download.Group("SNLengthGroupBox", "SN length", 2);
    sn.Spin("SNMinLengthSpin", "", 1, 20);
    sn.Radio("SNDecimal", "Decimal");
    sn.Radio("SNHexadecimal", "Hexadecimal");

    PageBuilder format(page("TabSheet8"));
    PageBuilder formatGroup = format.Group("FormatGroupBox", "Format");
    formatGroup.Combo("FmtTypeComboBox", "Type", {"FAT32"});
    formatGroup.Edit("VolumeLabeledEdit", "Volume Label ", 39);

    PageBuilder copy(page("TabSheet9"));
    copy.Check("CopyImageCheckBox", "Copy Image");
    copy.Edit("ImagePathEdit", "Image Path", 259);
    copy.Button("GenImageBn", "GenImage");

    PageBuilder preformat(page("TabSheet10"), 3);
    preformat.Check("EarlyChk", "Factory Default BB");
    preformat.Check("LaterChk", "Factory + New BB");
    preformat.Check("EraseChk", "Erase Search");
    preformat.Check("InheritChk", "Inherit BB + EC");
    preformat.Check("KeepPreviousEraseCountChk", "Keep Erase Count")->hide();
    preformat.Check("SkipEraseGoodChkBox", "Skip Erase Good Block");

    PageBuilder module(page("TabSheet11"), 3);
    for (int k = 1; k <= 5; ++k) {
        const QByteArray name = "CheckID" + QByteArray::number(k);
        const QByteArray caption = "Check Flash ID" + QByteArray::number(k);
        module.Check(name.constData(), caption.constData());
    }

    PageBuilder(page("TabSheet12")).Edit("IDEMACapacityEdit", "IDEMA Capacity(GB)", 3);
    PageBuilder percentage(page("TabSheet13"));
    percentage.Edit("RWTestPercentageValue", "Percentage (1-100)");
    percentage.Edit("RWTestPercentageCycle", "Cycles (1-100)");
    PageBuilder(page("TabSheet14")).Edit("CheckMaxTemperatureValue", "Max temperature value");
    PageBuilder(page("TabSheet15")).Edit("LBA_Capacity", "LBA Capacity");
    PageBuilder(page("TabSheet21")).Edit("MaxLBAValue", "Max LBA value");
    PageBuilder(page("TabSheet17")).Button("RDTPatternBn", "Pattern Seq.");
    PageBuilder(page("TabSheet19")).Edit("WTestFullCycle", "Cycles (1-100)");
    PageBuilder checkSn(page("TabSheet20"));
    checkSn.Radio("SnCheckPatternRB", "Pattern");
    checkSn.Radio("SnCheckBarcodeRB", "Barcode");
    checkSn.Edit("SnCheckValueLd", "SN pattern", 20);
    checkSn.Edit("SnCheckMaskLd", "SN mask", 20)->setToolTip("#:compare   ?:skip");
    PageBuilder(page("TabSheet22")).Edit("RWTestFullCycle", "Cycles (1-100)");
}

void SettingsArea::BuildFlashPage(QWidget* page) {
    PageBuilder b(page, 6);
    b.Combo("FlashVendorCmbx", "Vendor ");
    b.Combo("FlashCodeCmBx", "Type ");
    b.Combo("FlashChanCmBx", "Channel", Numbers({1, 2, 3, 4}));
    b.Combo("FlashBankCmBx", "Bank", kSingleBankBuild ? Numbers({1}) : Numbers({1, 2, 3, 4, 5, 6, 7, 8}));
    b.Combo("DrvCurrentCmBx", "Drive Current", DriveCurrentItems());
    b.Combo("CapacityCmBx", "Capacity", CapacityItems())->hide();
    Find<QLabel>("CapacityCmBxLabel")->hide();
    b.NextColumn();
    // The memo shows its longest line, the geometry's, whole.
    QPlainTextEdit* memo = b.Memo("FlashDetailMemo", 4);
    memo->setMinimumWidth(memo->fontMetrics().horizontalAdvance("PerPageSize: 16384 DieOffset: 65535") +
                          2 * memo->frameWidth() + 16);
    QLineEdit* decimal = b.Edit("CapacityEdit", "Max Capacity(GB)");
    decimal->setReadOnly(true);
    PageBuilder::ShowCharacters(decimal, 8);
    b.Beside(b.Label("CapacityEditNote", "(1K=1000)"));
    QLineEdit* binary = b.Edit("CapacityEdit2", "(1K=1024)");
    binary->setReadOnly(true);
    PageBuilder::ShowCharacters(binary, 8);
    b.NextColumn();
    b.Button("FlashAutoDetectBtn", "Auto Detect");
    b.Check("LPMCheckBox", "Low Page Mode");
    // Each edit with its button on one row: the group stays two rows high
    // and takes the rows the other columns' controls leave beside it.
    PageBuilder idema = b.Group("IDEMAGroupBox", "IDEMA Capacity To Reserved Ratio", 2, 4);
    PageBuilder::ShowCharacters(idema.Edit("IDEMAEdit", "IDEMA Capacity(GB)(Integer)"), 5);
    idema.ButtonBeside("CalcIDEMAToRatioBn", "Set");
    QLineEdit* ratio = idema.Edit("IDEMARatio", "Reserved block ratio ");
    ratio->setReadOnly(true);
    PageBuilder::ShowCharacters(ratio, 6);
    idema.ButtonBeside("RestoreReservedRatio", "Restore default value");
}

void SettingsArea::BuildDramPage(QWidget* page) {
    PageBuilder b(page);
    b.Combo("DramVendorCmbx", "Vendor", {"Elpida", "WinBord"});
    b.Combo("DramCodeCmBx", "Type", {"E5116AJBG"});
    b.Place(b.Label("Label27", "Type "));
    PageBuilder timing = b.Group("DramGroupBox", "DRAM Timing", 2);
    timing.Page()->hide();
}

void SettingsArea::BuildDevicePage(QWidget* page) {
    PageBuilder b(page, 1);
    PageBuilder sata = b.Group("SATAGroupBox", " SATA ", 3);
    SetTag(sata.Edit("FirmwareVerEdit", "Firmware Version (8) "), 1);
    // Its typing handler cuts it to 40 by its Tag, also for a text set by code.
    QLineEdit* model = sata.Edit("ModelNumEdit", "Model Number (40)");
    SetTag(model, 0);
    // A usual model name and a full serial number show whole.
    PageBuilder::ShowCharacters(model, 24);
    QLineEdit* serial = sata.Edit("SerialNumEdit", "Serial Number (12-20) ");
    SetTag(serial, 2);
    PageBuilder::ShowCharacters(serial, 20);
    sata.Check("SNIncChk", "Auto Increase");
    sata.Check("UpdateFirmwareChk", "Keep previous S/N, Model");
    PageBuilder usb = b.Group("USBGroupBox", " USB ", 3);
    SetTag(usb.Edit("VendorIDEdit", "VID (4) "), 0);
    SetTag(usb.Edit("ProductIDEdit", "PID (4) "), 1);
    usb.Edit("VendorNameEdit", "Vendor Name(8)", 8);
    usb.Edit("ProductNameEdit", "Product Name (16)", 16);
    SetTag(usb.Edit("ManufStrEdit", "Manufactur String (16)"), 3);
    SetTag(usb.Edit("ProdStrEdit", "Product String (24)"), 4);
    PageBuilder encryption = b.Group("GroupBox7", "Encryption", 2);
    encryption.Edit("LeEncryption", "Encryption String(24)", 23);
    encryption.Button("BnKeyFile", "KeyFiles");
    for (const char* name : {"GroupBox7", "LeEncryption", "LeEncryptionLabel", "BnKeyFile"})
        Find<QWidget>(name)->hide();
}

void SettingsArea::BuildFirmwarePage(QWidget* page) {
    PageBuilder b(page, 1);
    PageBuilder ratios = b.Group("Panel4", "", 4);
    ratios.Edit("DefBlkRatioEdit", "Defect block ratio ");
    ratios.Edit("ResBlkRatioEdit", "Reserved block ratio ");
    ratios.Edit("WearLevFreqEdit", "Wear level frequency")->hide();
    Find<QLabel>("WearLevFreqEditLabel")->hide();
    PageBuilder bch = b.Group("Panel5", "", 3);
    bch.Edit("Bch16RdErrThldEdit", "BCH16 read error");
    bch.Edit("Bch24RdErrThldEdit", "BCH24 read error");
    bch.Edit("Bch40RdErrThldEdit", "BCH40 read error");
    bch.NextColumn();
    bch.Edit("Bch16EccErrCpyThldEdit", "BCH16 ECC copy");
    bch.Edit("Bch24EccErrCpyThldEdit", "BCH24 ECC copy");
    bch.Edit("Bch40EccErrCpyThldEdit", "BCH40 ECC copy");
    PageBuilder flags = b.Group("Panel8", "", 3);
    flags.Check("ScrambleChk", "Scramble");
    flags.Check("RemapChk", "Remap");
    flags.Check("OneDramChk", "One DRAM");
    for (const char* name : {"SMARTChk", "SecurityChk", "SlumberChk", "InterleaveChk", "ParalMemChk", "SecurityEraseChk"})
        flags.Check(name, name)->hide();
    for (const char* name : {"Panel4", "Panel5", "Panel8"}) Find<QWidget>(name)->setEnabled(false);
    b.Place(InvisibleSquare(page, "SpecialTipShape"));
}

void SettingsArea::BuildIdentifyPage(QWidget* page) {
    PageBuilder b(page, 5);
    b.Edit("OUILEdit", "OUI(6)[Hex]", 6);
    b.Edit("UIDLEdit", "UID(9)", 9);
    b.Check("UIDIncChk", "Auto Increase");
    b.Radio("UIDDecimal", "Decimal");
    b.Radio("UIDHexadecimal", "Hexadecimal");
    b.NextColumn();
    auto* list = new QTreeWidget(page);
    list->setObjectName("IdentifyListView");
    list->setHeaderLabels({"Value(Hex)", "Word No"});
    list->setRootIsDecorated(false);
    PageBuilder::FitRows(list, 4);
    list->hide();
    b.Place(list, 5);
}

void SettingsArea::BuildRdPages(QWidget* rd, QWidget* rdtFirmware, QWidget* batch) {
    // Each table file's edit has its button beside it, so the page keeps
    // to the rows the settings area has.
    PageBuilder tables(rd, 6);
    tables.Radio("GetDefTabChk", "Get Def. Table(Read defect table from the  flash)");
    tables.Edit("TableInEdit", "Table In", 259);
    tables.ButtonBeside("GetDefTabBtn", "Save To");
    tables.Radio("PutDefTabChk", "Put Def. Table(Write defect table  to the flash)");
    tables.Edit("TableOutEdit", "Table Out", 259);
    tables.ButtonBeside("PutDefTabBtn", "Put From");
    tables.Radio("ClaimNewChk", "Rebuild bad block mark by according to defect table");
    tables.Check("RebuildCloseChk", "Close AP after Rebuild ")->setEnabled(false);
    tables.NextColumn();
    tables.Radio("GetLaterTabChk", "Get Later Table(Read later table from the  flash)");
    tables.Edit("LaterTableInEdit", "Later Table In", 259);
    tables.ButtonBeside("GetLaterTabBtn", "Save To");
    tables.Radio("PutLaterTabChk", "Put Later Table(Write later table  to the flash)");
    tables.Edit("LaterTableOutEdit", "Later Table Out", 259);
    tables.ButtonBeside("PutLaterTabBtn", "Put From");
    PageBuilder rdt(rdtFirmware, 1);
    rdt.Place(InvisibleSquare(rdtFirmware, "Shape1"));
    PageBuilder b(batch, 2);
    PageBuilder ignore = b.Group("RadioGroupIgnoreError", "Ignore Error", 2);
    ignore.Radio("RadioGroupIgnoreErrorItem0", "Enable");
    ignore.Radio("RadioGroupIgnoreErrorItem1", "Disable");
    auto* repeat = b.Edit("LabeledEditRepeatTimes", "Repeat Times", 3);
    repeat->setText("1");
}

}  // namespace qx::station
