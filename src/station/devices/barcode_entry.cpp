#include "station/devices/barcode_entry.h"

#include <algorithm>
#include <span>
#include <string>

#include "qxlib/base/debug_print.h"
#include "qxlib/settings/global_parameter.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr char kSnLabel[] = "Serial Number";
constexpr char kWwnLabel[] = "WWN or UID";
constexpr char kPpidLabel[] = "Customer P/N(PPID)";

// Clears the buffer, then copies the text when it fits with its terminator.
void Store(std::span<char> buffer, const std::string& text) {
    std::fill(buffer.begin(), buffer.end(), '\0');
    if (text.size() >= buffer.size()) {
        DebugPrint("######### - bar code \"%s\" is longer than %zu characters, not taken\r\n", text.c_str(),
                   buffer.size() - 1);
        return;
    }
    std::copy(text.begin(), text.end(), buffer.begin());
}

qx::ui::BarcodeRequest RequestFor(int kind, int port, bool shared) {
    const std::string n = "(Port" + std::to_string(port + 1) + ")";
    switch (kind) {
        case kBarcodeSn: return {shared ? "Please Input the SN" : "Please Input the SN" + n, kSnLabel, "", "", ""};
        case kBarcodeWwn: return {"Please Input the WWN or UID" + n, kWwnLabel, "", "", ""};
        case kBarcodePpid: return {shared ? "Please Input the PPID" : "Please Input the PPID" + n, kPpidLabel, "", "", ""};
        default:
            return {shared ? "Please Input the SN and PPID" : "Please Input the SN and PPID" + n, kSnLabel, kPpidLabel,
                    "", ""};
    }
}

// What the dialog's edits accept.
constexpr std::size_t kSnFieldMax = 40;
constexpr std::size_t kPpidFieldMax = 23;

}  // namespace

BarcodeKind SharedBarcodeKind(const GlobalParameter& settings) {
    if (settings.EnBarCode == 1 && settings.EnPPID == 1) return kBarcodeSnPpid;
    if (settings.EnBarCode == 1) return kBarcodeSn;
    if (settings.EnPPID == 1) return kBarcodePpid;
    return kBarcodeNone;
}

void ShowBarcodeDialog(ui::Prompter& prompter, BarcodeState& state, const GlobalParameter& settings) {
    const int kind = state.InputBoxKind;
    const int port = state.InputBoxPort;
    if (kind < kBarcodeSn || kind > kBarcodeSnPpid || port < 0 || port >= kPortCount) return;
    const bool shared = settings.BarCodeInputMode == 1;
    state.DialogVisible = true;
    const auto answer = prompter.Barcode(RequestFor(kind, port, shared));
    state.DialogVisible = false;
    if (!answer) return;
    const std::string field1 = answer->text1.substr(0, kind == kBarcodePpid ? kPpidFieldMax : kSnFieldMax);
    const std::string field2 = answer->text2.substr(0, kPpidFieldMax);
    const auto p = static_cast<std::size_t>(port);
    PortRecord& rec = ActivePortTable[p];
    const bool takesSn = kind == kBarcodeSn || kind == kBarcodeSnPpid;
    const std::string& ppid = kind == kBarcodePpid ? field1 : field2;
    if (takesSn) {
        if (shared) {
            Store(state.SharedBarcodeSN, field1);
        } else {
            Store(state.PortBarcodeSN[p], field1);
            Store(rec.SerialNumber, state.PortBarcodeSN[p].data());
        }
        DebugPrint("######### - SN is %s\r\n", field1.c_str());
    }
    if (kind == kBarcodeWwn) {
        Store(state.PortBarcodeWWN[p], field1);
        Store(rec.Wwn, state.PortBarcodeWWN[p].data());
        DebugPrint("######### - WWN is %s\r\n", field1.c_str());
    }
    if (kind == kBarcodePpid || kind == kBarcodeSnPpid) {
        if (shared) {
            Store(state.SharedBarcodePPID, ppid);
        } else {
            Store(state.PortBarcodePPID[p], ppid);
            Store(rec.Ppid, state.PortBarcodePPID[p].data());
        }
        DebugPrint("######### - PPID is %s\r\n", ppid.c_str());
    }
}

}  // namespace qx::station
