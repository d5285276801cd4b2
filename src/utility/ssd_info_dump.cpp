#include "utility/ssd_info_dump.h"

#include <fstream>

#include "utility/utility_view.h"

namespace qx::utility {

std::string SsdInfoDumpText(const UtilityView& v) {
    const std::string crlf = "\r\n";
    std::string t;
    t += "Vendor Name:" + v.Text("VendorNameEdit") + crlf;
    t += "Product Name:" + v.Text("ProductNameEdit") + crlf;
    t += "Manufacture String:" + v.Text("ManufacturStringEdit") + crlf;
    t += "Product String:" + v.Text("ProductStringEdit") + crlf;
    t += "VID:" + v.Text("VIDEdit") + crlf;
    t += "PID:" + v.Text("PIDEdit") + crlf;
    t += "Serial Num:" + v.Text("SNUSBEdit") + crlf;
    t += v.Text("FlashmodelEdit");
    t += v.Text("ChannelEdit") + crlf;
    for (const char* e : {"CapacityEdit", "DriverEdit", "ResPerEdit", "EccReadEdit", "EccCopyEdit", "WearLevelingEdit"})
        t += v.Text(e);
    t += v.Text("BankMapEdit") + crlf;
    for (const char* e : {"SupportEdit1", "SupportEdit2", "FwEdit"}) t += v.Text(e);
    return t;
}

bool DumpSSDInfo(const UtilityView& view, const std::filesystem::path& programFolder, const std::string& name,
                 std::filesystem::path* written) {
    const std::filesystem::path path = programFolder / (name + ".txt");
    if (written) *written = path;
    const std::string text = SsdInfoDumpText(view);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace qx::utility
