#include "sim/tools/gadget/configfs_gadget.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace qx::sim::gadget {

namespace {

constexpr char kConfigfs[] = "/sys/kernel/config";
constexpr char kLanguage[] = "strings/0x409";

bool Fail(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

bool MakeDir(const std::string& path, std::string* error) {
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
    return Fail(error, "mkdir " + path);
}

// configfs attributes take one write each.
bool Put(const std::string& path, const std::string& value, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return Fail(error, "open " + path);
    const bool ok = std::fputs(value.c_str(), f) >= 0;
    const bool closed = std::fclose(f) == 0;
    if (ok && closed) return true;
    return Fail(error, "write " + path + " = \"" + value + "\"");
}

std::string Hex4(std::uint16_t v) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%04x", v);
    return b;
}

}  // namespace

ConfigfsGadget::ConfigfsGadget(std::string name, std::string udc)
    : name_(std::move(name)), udc_(std::move(udc)), root_(std::string(kConfigfs) + "/usb_gadget/" + name_),
      ffsMount_("/dev/ffs-" + name_) {}

std::unique_ptr<ConfigfsGadget> ConfigfsGadget::Create(const std::string& name, const std::string& udc,
                                                       const SimUsbDevice& usb, std::string* error) {
    std::unique_ptr<ConfigfsGadget> g(new ConfigfsGadget(name, udc));
    if (!g->Build(usb, error)) return nullptr;
    return g;
}

bool ConfigfsGadget::Build(const SimUsbDevice& usb, std::string* error) {
    if (::mount("none", kConfigfs, "configfs", 0, nullptr) != 0 && errno != EBUSY)
        return Fail(error, std::string("mount configfs on ") + kConfigfs);
    const std::string strings = root_ + "/" + kLanguage;
    const std::string config = root_ + "/configs/c.1";
    const std::string function = root_ + "/functions/ffs." + name_;
    const bool made = MakeDir(root_, error) && Put(root_ + "/idVendor", Hex4(usb.vendorId), error) &&
                      Put(root_ + "/idProduct", Hex4(usb.productId), error) &&
                      Put(root_ + "/bcdDevice", "0x0100", error) && Put(root_ + "/bcdUSB", "0x0200", error) &&
                      MakeDir(strings, error) && Put(strings + "/manufacturer", usb.manufacturer, error) &&
                      Put(strings + "/product", usb.product, error) &&
                      Put(strings + "/serialnumber", usb.serial, error) && MakeDir(config, error) &&
                      Put(config + "/MaxPower", "100", error) && MakeDir(config + "/" + kLanguage, error) &&
                      Put(config + "/" + kLanguage + "/configuration", "Bulk-Only", error) &&
                      MakeDir(function, error);
    if (!made) return false;
    if (::symlink(function.c_str(), (config + "/ffs." + name_).c_str()) != 0 && errno != EEXIST)
        return Fail(error, "link " + function + " into " + config);
    if (!MakeDir(ffsMount_, error)) return false;
    if (::mount(name_.c_str(), ffsMount_.c_str(), "functionfs", 0, nullptr) != 0 && errno != EBUSY)
        return Fail(error, "mount functionfs " + name_ + " on " + ffsMount_);
    mounted_ = true;
    return true;
}

bool ConfigfsGadget::Bind(std::string* error) {
    if (bound_) return true;
    if (!Put(root_ + "/UDC", udc_, error)) return false;
    bound_ = true;
    return true;
}

bool ConfigfsGadget::Unbind(std::string* error) {
    if (!bound_) return true;
    if (!Put(root_ + "/UDC", "\n", error)) return false;
    bound_ = false;
    return true;
}

// Taken down in the reverse order of making; a step that fails leaves the
// rest for the next run to reuse (every step above accepts what exists).
ConfigfsGadget::~ConfigfsGadget() {
    Unbind(nullptr);
    const std::string config = root_ + "/configs/c.1";
    ::unlink((config + "/ffs." + name_).c_str());
    if (mounted_) ::umount(ffsMount_.c_str());
    ::rmdir(ffsMount_.c_str());
    ::rmdir((config + "/" + kLanguage).c_str());
    ::rmdir(config.c_str());
    ::rmdir((root_ + "/functions/ffs." + name_).c_str());
    ::rmdir((root_ + "/" + kLanguage).c_str());
    ::rmdir(root_.c_str());
}

}  // namespace qx::sim::gadget
