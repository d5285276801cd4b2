// A USB gadget made through configfs: the device's ids and strings, one
// configuration holding one FunctionFS function, and the FunctionFS mount
// the function's endpoints appear in. Binding to a UDC puts the device on
// the bus; unbinding takes it off, as a cable would.
#pragma once

#include <memory>
#include <string>

#include "sim/rack/sim_usb_tree.h"

namespace qx::sim::gadget {

class ConfigfsGadget {
public:
    // name: the gadget's folder and the FunctionFS instance; udc: the UDC
    // the gadget binds to (a name under /sys/class/udc).
    static std::unique_ptr<ConfigfsGadget> Create(const std::string& name, const std::string& udc,
                                                  const SimUsbDevice& usb, std::string* error);
    ~ConfigfsGadget();
    ConfigfsGadget(const ConfigfsGadget&) = delete;
    ConfigfsGadget& operator=(const ConfigfsGadget&) = delete;

    const std::string& FunctionFolder() const { return ffsMount_; }   // ep0, ep1, ep2
    const std::string& Udc() const { return udc_; }
    bool Bind(std::string* error);
    bool Unbind(std::string* error);
    bool Bound() const { return bound_; }

private:
    ConfigfsGadget(std::string name, std::string udc);
    bool Build(const SimUsbDevice& usb, std::string* error);

    std::string name_;
    std::string udc_;
    std::string root_;       // /sys/kernel/config/usb_gadget/<name>
    std::string ffsMount_;   // /dev/ffs-<name>
    bool mounted_ = false;
    bool bound_ = false;
};

}  // namespace qx::sim::gadget
