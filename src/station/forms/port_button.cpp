#include "station/forms/port_button.h"

#include "station/forms/detail_form.h"
#include "station/forms/error_form.h"
#include "ui/prompter.h"

namespace qx::station {

PortDialog MyBitBtnClick(int port, const PortBusy& portBusy, PortButtonForms& forms) {
    const PortDialog choice = ChoosePortDialog(port, portBusy, forms.tables);
    switch (choice) {
    case PortDialog::BusyNote: forms.prompter.Message(PortBusyNote(port)); break;
    case PortDialog::Failure:
        forms.error.FormShow(port, forms.config, forms.workFolder);
        forms.error.exec();
        break;
    case PortDialog::Detail:
        forms.detail.FormShow(port);
        forms.detail.exec();
        break;
    case PortDialog::None: break;
    }
    return choice;
}

}  // namespace qx::station
