#include "utility/ssd_info_dump.h"

#include <fstream>

#include "utility/utility_view.h"

namespace qx::utility {

std::string SsdInfoDumpText(const UtilityView& v) {
    const std::string crlf = "\r\n";
    std::string t;
    t += "Vendor Name:" + v.Text(EditId::VendorNameEdit) + crlf;
    t += "Product Name:" + v.Text(EditId::ProductNameEdit) + crlf;
    t += "Manufacture String:" + v.Text(EditId::ManufacturStringEdit) + crlf;
    t += "Product String:" + v.Text(EditId::ProductStringEdit) + crlf;
    t += "VID:" + v.Text(EditId::VIDEdit) + crlf;
    t += "PID:" + v.Text(EditId::PIDEdit) + crlf;
    t += "Serial Num:" + v.Text(EditId::SNUSBEdit) + crlf;
    t += v.Text(EditId::FlashmodelEdit);
    t += v.Text(EditId::ChannelEdit) + crlf;
    for (EditId e : {EditId::CapacityEdit, EditId::DriverEdit, EditId::ResPerEdit, EditId::EccReadEdit,
                     EditId::EccCopyEdit, EditId::WearLevelingEdit})
        t += v.Text(e);
    t += v.Text(EditId::BankMapEdit) + crlf;
    for (EditId e : {EditId::SupportEdit1, EditId::SupportEdit2, EditId::FwEdit}) t += v.Text(e);
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
