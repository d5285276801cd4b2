#include "station/forms/main/round_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>

#include "qxlib/error_items/error_items.h"
#include "station/forms/form_text.h"

namespace qx::station {
namespace {

// A control the settings area does not build reads as unchecked or empty.
bool Checked(const QWidget& area, const char* name) {
    const auto* box = area.findChild<QAbstractButton*>(name);
    return box && box->isChecked();
}

std::string EditText(const QWidget& area, const char* name) {
    const auto* edit = area.findChild<QLineEdit*>(name);
    return edit ? S(edit->text()) : std::string();
}

}  // namespace

int CapacityValueAt(int index) {
    if (index < 1 || index > 10) return 0;
    return 1 << index;   // 2, 4, ... 1024 GB
}

RunControls ReadRunControlsOf(const QWidget& area) {
    RunControls c;
    c.snIncrement = Checked(area, "SNIncChk");
    c.uidIncrement = Checked(area, "UIDIncChk");
    return c;
}

RoundControls ReadRoundControlsOf(const QWidget& area) {
    RoundControls c;
    static_cast<RunControls&>(c) = ReadRunControlsOf(area);
    c.rebuildClose = Checked(area, "RebuildCloseChk");
    c.erase = Checked(area, "EraseChk");
    c.later = Checked(area, "LaterChk");
    c.repairUsed = Checked(area, "RepairUsedChkBox");
    c.ignoreErrorDisabled = Checked(area, "RadioGroupIgnoreErrorItem1");
    if (const auto* list = area.findChild<QListWidget*>("FunCheckListBox")) {
        for (int row = 0; row < list->count(); ++row) {
            const QListWidgetItem* item = list->item(row);
            if (item->checkState() == Qt::Checked) ++c.checkedCount;
            const std::string text = S(item->text());
            for (int step = 1; step <= 39; ++step)
                if (text == ErrorItemStepName(step)) c.listedSteps.push_back(step);
        }
    }
    if (const auto* box = area.findChild<QComboBox*>("CapacityCmBx")) {
        c.capacityIndex = box->currentIndex() < 0 ? 0 : box->currentIndex();
        c.capacityGB = CapacityValueAt(c.capacityIndex);
    }
    c.sataBin = Checked(area, "SataBinChk");
    c.usbBin = Checked(area, "UsbBinChk");
    bool ok = false;
    const int repeat = Q(EditText(area, "LabeledEditRepeatTimes")).trimmed().toInt(&ok);
    c.repeatTimes = ok ? repeat : 0;
    if (const auto* pages = area.findChild<QTabWidget*>("PageControl1"))
        c.rdPageActive = pages->tabText(pages->currentIndex()) == "RD";
    c.claimNew = Checked(area, "ClaimNewChk");
    c.getDefTable = Checked(area, "GetDefTabChk");
    c.putDefTable = Checked(area, "PutDefTabChk");
    c.getLaterTable = Checked(area, "GetLaterTabChk");
    c.putLaterTable = Checked(area, "PutLaterTabChk");
    c.tableIn = EditText(area, "TableInEdit");
    c.tableOut = EditText(area, "TableOutEdit");
    c.laterTableIn = EditText(area, "LaterTableInEdit");
    c.laterTableOut = EditText(area, "LaterTableOutEdit");
    return c;
}

}  // namespace qx::station
