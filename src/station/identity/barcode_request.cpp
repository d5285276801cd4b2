#include "station/identity/barcode_request.h"

#include <string>

#include "station/identity/barcode_buffers.h"

namespace qx::station {

ui::BarcodeRequest BarcodeRequestFor(int kind, int port, bool shared) {
    const std::string n = "(Port" + std::to_string(port + 1) + ")";
    ui::BarcodeRequest r;
    switch (kind) {
    case kBarcodeSn:
        r.caption = shared ? "Please Input the SN" : "Please Input the SN" + n;
        r.label1 = kSnLabel;
        r.maxLength1 = kBarcodeSnChars;
        break;
    case kBarcodeWwn:
        r.caption = "Please Input the WWN or UID" + n;
        r.label1 = kWwnLabel;
        r.maxLength1 = kBarcodeWwnChars;
        break;
    case kBarcodePpid:
        r.caption = shared ? "Please Input the PPID" : "Please Input the PPID" + n;
        r.label1 = kPpidLabel;
        r.maxLength1 = kBarcodePpidChars;
        break;
    case kBarcodeSnPpid:
        r.caption = shared ? "Please Input the SN and PPID" : "Please Input the SN and PPID" + n;
        r.label1 = kSnLabel;
        r.maxLength1 = kBarcodeSnChars;
        r.label2 = kPpidLabel;
        r.maxLength2 = kBarcodePpidChars;
        break;
    default: break;
    }
    return r;
}

}  // namespace qx::station
