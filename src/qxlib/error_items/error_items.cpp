#include "qxlib/error_items/error_items.h"

#include "qxlib/base/settings_fixed_text.h"

namespace qx {

// Items 11 and 29 share "J00". Items 47 to 65 have a code but no failure
// text: their detail is the decoded test result. The step name of item 82
// ends with a blank, as the operators' check lists have always shown it.
const std::array<ErrorItem, kErrorItemCount> ErrorItemTable = {{
    {0, "", "No Error", "", ""},
    {1, "M00", "Flash Module Test Fail", "Flash Module Test", "Module\t"},
    {2, "A01", "Rebuild Bad Block Fail", "Rebuild Bad Block", "RebuildBB\t"},
    {3, "A00", "Bus Interface Test Fail", "Bus Interface Test", "SATA\t"},
    {4, "B00", "Flash Interface Test Fail", "Flash Interface Test", "Flash\t"},
    {5, "H00", "Dram Test Fail", "Dram Test", "Dram\t"},
    {6, "H01", "EraseBlocks Fail", "EraseBlocks", "E_B\t"},
    {7, "C00", "Pre-Format Fail", "Preformat", "P_F\t"},
    {8, "D00", "Download Firmware Fail", "Download", "Down\t"},
    {9, "U00", "Upload Firmware Fail", "Upload", "UP\t"},
    {10, "E00", "R/W Test Fail", "R/W Test", "R/W\t"},
    {11, "J00", "Check Tables Fail", "Check Tables", "Check Table\t"},
    {12, "W00", "Write PPID Fail", "Write PPID", "Write PPID\t"},
    {13, "J02", "Set Max LBA Fail", "Set Max LBA", "Set Max LBA\t"},
    {14, "F00", "Disk Format Fail", "Disk Format", "Format\t"},
    {15, "I00", "Copy Image Fail", "Copy Image", "CopyImage\t"},
    {16, "Q09", "Check Temperature Fail", "Check Temperature", "CheckTemper\t"},
    {17, "Q00", "Model Number Check Fail", "Model Number", "Model\t"},
    {18, "Q01", "Firmware Version Check Fail", "Firmware Version", "FMVer\t"},
    {19, "Q02", "Vendor Name Check Fail", "Vendor Name", "VName\t"},
    {20, "Q03", "Product Name Check Fail", "Product Name", "PName\t"},
    {21, "Q04", "IDEMA Capacity Check Fail", "IDEMA Capacity Check", "Capa\t"},
    {22, "Q05", "Serial Number Check Fail", "Serial Number Check", "SN\t"},
    {23, "Q06", "LBA Capacity Check Fail", "LBA Capacity Check", "CapaLBA\t"},
    {24, "E02", "Partial R/W Test Fail", "R/W Test (Partial)", "PRWTest\t"},
    {25, "E04", "Percentage R/W Test Fail", "R/W Test (Percentage)", "FERRWTest\t"},
    {26, "E05", "Full Write Test Fail", "Write Test (Full)", "FWTest\t"},
    {27, "E01", "Full R/W Test Fail", "R/W Test (Full)", "FRWTest\t"},
    {28, "G00", "Erase All Data Fail", "EraseAllData", "Erase\t"},
    {29, "J00", "QC Check Tables Fail", "QC Check Tables", "QC Check Table\t"},
    {30, "Q10", "Check SATA3 Speed Fail", "Check SATA3 Speed", "SATA3 Speed\t"},
    {31, "Q11", "Check PPID Fail", "Check PPID", "Check PPID\t"},
    {32, "Q12", "Check Zero Value Fail", "Check Zero Value", "Check Zero\t"},
    {33, "Q19", "Download Code Fail", "WDDownload", "Download\t"},
    {34, "Q13", "Check SSD ID Fail", "Check SSD ID", "SSD_ID\t"},
    {35, "Q14", "SSD Partial R/W Test Fail", "SSD Partial R/W Test", "SSD_R/W\t"},
    {36, "Q15", "Write HDD ID to SSD Fail", "Write HDD ID to SSD", "HDD_IDtoSSD\t"},
    {37, "Q17", "HDD Partial R/W Test Fail", "HDD Partial R/W Test", "HDD_R/W\t"},
    {38, "Q18", "Check SSD SMART Fail", "Check SSD SMART", "SSD_SMART\t"},
    {39, "Q20", "Check SYS FW Fail", "Check SYS FW", "SYS_FW\t"},
    {40, "", "", "", ""},
    {41, "K00", "Check Loader Block Fail", "Check Loader Block", ""},
    {42, "T00", "Timeout", "", ""},
    {43, "E03", "Random Read Test Fail", "", ""},
    {44, "J01", "Bad block is over", "", ""},
    {45, "Q07", "Folder Check Fail", "", ""},
    {46, "Q08", "File R/W Test Fail", "", ""},
    {47, "C01", "", "", ""},
    {48, "C02", "", "", ""},
    {49, "C03", "Over defect ratio", "", ""},
    {50, "C04", "", "", ""},
    {51, "C05", "", "", ""},
    {52, "C06", "", "", ""},
    {53, "C07", "Try Remap Fail", "", ""},
    {54, "C08", "", "", ""},
    {55, "B01", "", "", ""},
    {56, "B02", "", "", ""},
    {57, "B03", "", "", ""},
    {58, "B04", "", "", ""},
    {59, "B05", "", "", ""},
    {60, "B06", "", "", ""},
    {61, "B07", "", "", ""},
    {62, "B08", "", "", ""},
    {63, "B09", "", "", ""},
    {64, "B10", "", "", ""},
    {65, "B11", "", "", ""},
    {66, "B12", "Dram 1 Test Fail", "Dram 1 Test", ""},
    {67, "B13", "Dram 2 Test Fail", "Dram 2 Test", ""},
    {68, "B14", "Dram both Test Fail", "Dram both Test", ""},
    {69, "P00", "Check Chip Fail", "Check Chip", ""},
    {70, "P01", "Check Erase Count Fail", "Check Erase Count", ""},
    {71, "P03", "Check RDT Result Fail", "Check RDT Result", ""},
    {72, "P04", "Check SN Length Fail", "Check SN Length", ""},
    {73, "P05", "BB/plane Over Spec Fail", "BB/plane Over Spec", ""},
    {74, "P06", "Upper Prog. Fail Over Spec Fail", "Upper Prog. Fail Over Spec", ""},
    {75, "P07", "ECC Fail Happen Fail", "ECC Fail Happen", ""},
    {76, "P08", "Set Serial Fail", "Set Serial", ""},
    {77, "P09", "Check RDT Serial Fail", "Check RDT Serial", ""},
    {78, "P10", "Get Smart Info Fail", "Get Smart Info", ""},
    {79, "P11", "RDT Log Dump Fail", "RDT Log Dump", ""},
    {80, "P12", "RDT Log Result Fail", "RDT Log Result", ""},
    {81, "P13", "RDT DRAM SCREEN Fail", "Check RDT DRAM SCREEN", ""},
    {82, "P17", "RDT get defect Fail", "RDT get defect ", ""},
    {83, "P14", "Check LTS Result Fail", "Check LTS Result", ""},
    {84, "P15", "LTS DRAM Fail", "Check LTS DRAM", ""},
    {85, "P16", "LTS NAND SCREEN Fail", "Check LTS NAND SCREEN", ""},
    {86, "P18", "Jump To Loader Fail", "Jump To Loader", ""},
    {87, "P19", "Check PPID Length Fail", "Check PPID Length", ""},
}};

const ErrorItem* FindErrorItem(int number) {
    for (const ErrorItem& item : ErrorItemTable)
        if (item.Number == number) return &item;
    return nullptr;
}

namespace {

template <std::size_t N>
std::string_view TextOf(int number, const char (ErrorItem::*field)[N]) {
    const ErrorItem* item = FindErrorItem(number);
    return item ? FixedTextView(item->*field) : std::string_view{};
}

}  // namespace

std::string_view ErrorItemCode(int number) { return TextOf(number, &ErrorItem::CodeText); }
std::string_view ErrorItemFailText(int number) { return TextOf(number, &ErrorItem::FailText); }
std::string_view ErrorItemStepName(int number) { return TextOf(number, &ErrorItem::StepName); }
std::string_view ErrorItemLogColumn(int number) { return TextOf(number, &ErrorItem::LogColumn); }

}  // namespace qx
