#include "station/identity/barcode_store.h"

#include <algorithm>
#include <span>
#include <string>

#include "qxlib/base/debug_print.h"
#include "qxlib/settings/global_parameter.h"
#include "station/identity/barcode_buffers.h"
#include "station/identity/barcode_request.h"

namespace qx::station {
namespace {

// Clears the buffer, then copies the text when it fits with its terminator.
void Store(std::span<char> buffer, const std::string& text) {
    std::fill(buffer.begin(), buffer.end(), '\0');
    if (text.size() >= buffer.size()) {
        DebugPrint("######### - bar code \"%s\" is longer than %zu characters, not taken", text.c_str(),
                   buffer.size() - 1);
        return;
    }
    std::copy(text.begin(), text.end(), buffer.begin());
}

std::string TextOf(std::span<const char> buffer) {
    return {buffer.data(), static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin())};
}

}  // namespace

void StoreBarcodeAnswer(BarcodeContext& context, const ui::BarcodeAnswer& answer) {
    BarcodeState& b = context.state;
    const int kind = b.InputBoxKind;
    const int port = b.InputBoxPort;
    if (kind < kBarcodeSn || kind > kBarcodeSnPpid || port < 0 || port >= kPortCount) return;
    const bool shared = context.settings.BarCodeInputMode == 1;
    const auto p = static_cast<std::size_t>(port);
    PortRecord& rec = context.tables.Active(port);

    if (kind == kBarcodeSn || kind == kBarcodeSnPpid) {
        std::span<char> sn = shared ? std::span<char>(b.SharedBarcodeSN) : std::span<char>(b.PortBarcodeSN[p]);
        Store(sn, answer.text1);
        if (!shared) Store(rec.SerialNumber, TextOf(sn));
        DebugPrint("######### - SN is %s", TextOf(sn).c_str());
    }
    if (kind == kBarcodeWwn) {
        Store(b.PortBarcodeWWN[p], answer.text1);
        Store(rec.Wwn, TextOf(b.PortBarcodeWWN[p]));
        DebugPrint("######### - WWN is %s", TextOf(b.PortBarcodeWWN[p]).c_str());
    }
    if (kind == kBarcodePpid || kind == kBarcodeSnPpid) {
        const std::string& text = kind == kBarcodePpid ? answer.text1 : answer.text2;
        std::span<char> ppid = shared ? std::span<char>(b.SharedBarcodePPID) : std::span<char>(b.PortBarcodePPID[p]);
        Store(ppid, text);
        if (!shared) Store(rec.Ppid, TextOf(ppid));
        DebugPrint("######### - PPID is %s", TextOf(ppid).c_str());
    }
    // The MES is asked with what was stored, so a refused serial asks nothing.
    if (kind == kBarcodeSn && context.settings.EnADATAWWN) {
        const std::string sn = TextOf(shared ? std::span<const char>(b.SharedBarcodeSN) : std::span<const char>(b.PortBarcodeSN[p]));
        if (!sn.empty()) MesWwnQuery(sn, port, context.mes, b, context.prompter, context.tables);
    }
}

void ShowBarcodeDialog(BarcodeContext& context) {
    BarcodeState& b = context.state;
    const int kind = b.InputBoxKind;
    const int port = b.InputBoxPort;
    if (kind < kBarcodeSn || kind > kBarcodeSnPpid || port < 0 || port >= kPortCount) return;
    b.DialogVisible = true;
    const auto answer = context.prompter.Barcode(BarcodeRequestFor(kind, port, context.settings.BarCodeInputMode == 1));
    b.DialogVisible = false;
    if (answer) StoreBarcodeAnswer(context, *answer);
}

}  // namespace qx::station
