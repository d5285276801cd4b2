#include "station/identity/barcode_buffers.h"

#include "qxlib/settings/global_parameter.h"

namespace qx::station {

BarcodeKind SharedBarcodeKind(const GlobalParameter& settings) {
    if (settings.EnBarCode == 1 && settings.EnPPID == 1) return kBarcodeSnPpid;
    if (settings.EnBarCode == 1) return kBarcodeSn;
    if (settings.EnPPID == 1) return kBarcodePpid;
    return kBarcodeNone;
}

}  // namespace qx::station
