#include <gtest/gtest.h>

#include "sim/control/rack_usb_ports.h"
#include "sim/rack/sim_machine.h"
#include "support/temp_dir.h"

namespace qx::sim {
namespace {

// A drive put on a port: the first free one hub by hub, or the one named;
// a rack without a (free) port gets a root hub first; a port refused leaves
// the lines as they were.
TEST(RackUsbPorts, PlacesADriveOnAPortOfTheTree) {
    struct Case {
        const char* what;
        const char* usb;         // the rack's [usb] lines ("" for no section)
        const char* where;       // named port, "" for the next free one
        const char* placed;      // port given, "" when refused
        const char* lastLines;   // the [usb] lines after, or the error
    };
    const Case cases[] = {
        {"no tree: a root hub of 8", "", "", "0.1", "root=8|port=0.1 drive09"},
        {"the next free port", "root=4|port=0.1 drive01", "", "0.2", "root=4|port=0.1 drive01|port=0.2 drive09"},
        {"an unplugged drive keeps its port", "root=2|port=0.1 drive01 unplugged", "", "0.2",
         "root=2|port=0.1 drive01 unplugged|port=0.2 drive09"},
        {"a hub takes its port", "root=2|hub=0.1:2", "", "0.2", "root=2|hub=0.1:2|port=0.2 drive09"},
        {"hubs in the order they appear", "root=1|hub=0.1:3|port=1.1 drive01", "", "1.2",
         "root=1|hub=0.1:3|port=1.1 drive01|port=1.2 drive09"},
        {"a full tree: a new root hub", "root=1|port=0.1 drive01", "", "1.1",
         "root=1|port=0.1 drive01|root=8|port=1.1 drive09"},
        {"the port named", "root=4|port=0.1 drive01", "0.3", "0.3", "root=4|port=0.1 drive01|port=0.3 drive09"},
        {"a port named on no tree", "", "0.5", "0.5", "root=8|port=0.5 drive09"},
        {"a port taken", "root=4|port=0.1 drive01", "0.1", "", "USB port 0.1 is taken"},
        {"a port taken by a hub", "root=4|hub=0.2:4", "0.2", "", "USB port 0.2 is taken"},
        {"a port past the hub's", "root=4", "0.5", "", "no USB port 0.5"},
        {"a hub the tree has not", "root=4", "1.1", "", "no USB port 1.1"},
        {"no port text", "root=4", "first", "", "bad USB port \"first\" (HUB.PORT, e.g. 0.1)"},
        {"port 0 is no port", "root=4", "0.0", "", "bad USB port \"0.0\" (HUB.PORT, e.g. 0.1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<IniSection> sections{{"rack", {{"version", "1"}}}};
        std::string usb = c.usb;
        if (!usb.empty()) {
            sections.push_back({"usb", {}});
            for (std::size_t at = 0; at <= usb.size();) {
                const std::size_t end = std::min(usb.find('|', at), usb.size());
                const std::string line = usb.substr(at, end - at);
                const std::size_t eq = line.find('=');
                sections.back().values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
                at = end + 1;
            }
        }
        const auto before = sections;
        std::string error;
        const auto placed = PlaceOnUsbPort(sections, "drive09", c.where, &error);
        if (*c.placed == '\0') {
            EXPECT_FALSE(placed);
            EXPECT_EQ(error, c.lastLines);
            EXPECT_EQ(WriteIni(sections), WriteIni(before));
            continue;
        }
        ASSERT_TRUE(placed) << error;
        EXPECT_EQ(*placed, c.placed);
        std::string lines;
        for (const auto& [key, value] : sections.back().values) lines += (lines.empty() ? "" : "|") + key + "=" + value;
        EXPECT_EQ(sections.back().name, "usb");
        EXPECT_EQ(lines, c.lastLines);
        EXPECT_EQ(UsbPortOf(sections, "drive09"), c.placed);
    }
}

// The lines a drive leaves when it goes: its port and its [disks] line, no
// other drive's.
TEST(RackUsbPorts, DroppingADriveFreesItsPort) {
    std::vector<IniSection> sections = ParseIni(
        "[usb]\nroot=4\nport=0.1 drive01\nport=0.2 drive02 unplugged\n[disks]\ndisk=drive02\ndisk=drive03\n");
    DropDriveLines(sections, "drive02");
    EXPECT_EQ(WriteIni(sections), "[usb]\nroot=4\nport=0.1 drive01\n\n[disks]\ndisk=drive03\n");
    EXPECT_EQ(UsbPortOf(sections, "drive02"), "");
    std::string error;
    EXPECT_EQ(PlaceOnUsbPort(sections, "drive04", "", &error), "0.2");
}

// What qxrack writes is what the machine loads: a drive placed on a port
// of a rack that had no tree is a plugged USB disk a program finds.
TEST(RackUsbPorts, APlacedDriveIsSeenByTheMachine) {
    test::TempDir dir;
    const std::string path = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    SimRack rack;
    rack.AddDrive(path, DriveConfig{});
    ASSERT_TRUE(rack.SaveState(dir.path().string()));
    std::vector<IniSection> sections;
    std::string error;
    ASSERT_TRUE(ReadRackIni(dir.path().string(), sections, &error)) << error;
    EXPECT_EQ(DriveSectionAt(sections, path), "drive01");
    EXPECT_EQ(DriveSectionAt(sections, "nonsense"), "");
    ASSERT_TRUE(PlaceOnUsbPort(sections, "drive01", "", &error)) << error;
    ASSERT_TRUE(WriteRackIni(dir.path().string(), sections, &error)) << error;
    auto machine = SimMachine::LoadFolder(dir.path().string(), &error);
    ASSERT_TRUE(machine) << error;
    EXPECT_TRUE(machine->Plugged(path));
    EXPECT_EQ(machine->Devices().DiskInterfaces()->size(), 1u);
}

TEST(RackUsbPorts, OnlyAUsbDiskPathSitsOnAPort) {
    EXPECT_TRUE(UsbDiskPath("\\\\?\\usbstor#disk&ven_qx&prod_ssd#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"));
    EXPECT_TRUE(UsbDiskPath("\\\\?\\USBSTOR#Disk&Ven_QX#0001#{x}"));
    EXPECT_FALSE(UsbDiskPath("\\\\?\\ide#diskqx_ssd#0003#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"));
}

}  // namespace
}  // namespace qx::sim
