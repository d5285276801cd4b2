#include "sim/rack/usb_device_of.h"

#include "sim/config/inquiry_names.h"

namespace qx::sim {

SimUsbDevice UsbDeviceOf(const DriveConfig& cfg) {
    const bool bridge = cfg.frontEnd == FrontEnd::Bridge;
    SimUsbDevice usb;
    usb.vendorId = bridge ? kBridgeUsbVendor : kControllerUsbVendor;
    usb.productId = bridge ? kBridgeUsbProduct : kControllerUsbProduct;
    usb.manufacturer = InquiryVendorOf(cfg);
    usb.product = InquiryProductOf(cfg);
    usb.serial = cfg.serial;
    return usb;
}

}  // namespace qx::sim
