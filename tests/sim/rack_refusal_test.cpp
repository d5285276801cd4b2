// A rack description or drive state no drive of the family can have is
// refused by the loader every program starts with, naming the section, the
// key and why; nothing is built from it, so nothing crashes or hangs later.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/rack/sim_machine.h"
#include "support/temp_dir.h"

namespace qx::sim {
namespace {

const std::string kUsbPath = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const std::string kOtherPath = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const std::string kIdePath = "\\\\?\\ide#diskqx#0003#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

// One small drive on port 1 of a root hub; each row adds its lines.
struct Rack {
    std::string rack = "";    // lines of [rack]
    std::string drive = "";   // further lines of [drive01]
    std::string after = "[usb]\nroot=4\nport=0.1 drive01\n";
};

Rack Drive(std::string lines) { return {"", std::move(lines)}; }
Rack RackLines(std::string lines) { return {std::move(lines), ""}; }
Rack After(std::string lines) { return {"", "", std::move(lines)}; }

std::string Text(const Rack& r) {
    // The row's lines first: the first of a repeated key is the one read.
    return "[rack]\nversion=1\n" + r.rack + "[drive01]\npath=" + kUsbPath + "\n" + r.drive +
           "capacitySectors=131072\nblocksPerCe=64\n" + r.after;
}

// Loads the folder as a program does, through the environment.
std::string LoadError(const std::filesystem::path& folder) {
    ::setenv("QX_SIM_RACK", folder.c_str(), 1);
    bool simulated = false;
    std::string error;
    auto machine = InstallBackendFromEnvironment(&simulated, &error);
    ::unsetenv("QX_SIM_RACK");
    EXPECT_TRUE(simulated);
    if (machine) {
        machine->Uninstall();
        return "";
    }
    EXPECT_FALSE(error.empty());
    return error;
}

TEST(RackRefusal, BadDescriptionLinesAreRefusedNamingSectionKeyAndWhy) {
    const struct {
        Rack rack;
        std::string expected;   // "" : the rack loads
    } cases[] = {
        {{}, ""},
        {Drive("sectorsPerPage=4\npagesPerBlock=32\nces=8\nchannels=1\n"), ""},
        {Drive("sectorsPerPage=0\n"), "[drive01] sectorsPerPage=0: must be a power of two from 4 to 32"},
        {Drive("sectorsPerPage=12\n"), "[drive01] sectorsPerPage=12: must be a power of two from 4 to 32"},
        {Drive("sectorsPerPage=64\n"), "[drive01] sectorsPerPage=64: must be a power of two"},
        {Drive("pagesPerBlock=1024\n"), "[drive01] pagesPerBlock=1024: must be a power of two from 32 to 512"},
        {Drive("blocksPerCe=3000\n"), "[drive01] blocksPerCe=3000: must be a power of two from 64 to 16384"},
        {Drive("channels=0\n"), "[drive01] channels=0: must be from 1 to 4"},
        {Drive("channels=5\n"), "[drive01] channels=5: must be from 1 to 4"},
        {Drive("ces=9\n"), "[drive01] ces=9: must be from 1 to 8"},
        {Drive("capacitySectors=0\n"), "[drive01] capacitySectors=0: must be from 1 to"},
        {Drive("binFiles=3\n"), "[drive01] binFiles=3: must be from 0 to 2"},
        {Drive("bootDelayMs=86400000\n"), "[drive01] bootDelayMs=86400000: must be from 0 to 60000"},
        {Drive("busyPolls=-2\n"), "[drive01] busyPolls=-2: must be from -1 to 10000"},
        {Drive("dramBytes=8589934592\n"), "[drive01] dramBytes=8589934592: must be from 0 to 4294967296"},
        {Drive("rotationRate=65535\n"), "[drive01] rotationRate=65535: must be from 0 to 65534"},
        {Drive("badBlocks=5 64\n"), "[drive01] badBlocks=5 64: each block must be below blocksPerCe (64)"},
        {Drive("laterBadBlocks=4.0.10.4\n"), "[drive01] laterBadBlocks=4.0.10.4: each channel and chip enable"},
        {Drive("laterBadBlocks=0.0.10.2\n"), "[drive01] laterBadBlocks=0.0.10.2: the error type must be"},
        {Drive("failingCes=0x0002\n"), "[drive01] failingCes=0x0002: each channel and chip enable"},
        {Drive("uncorrectablePages=0.256\n"), "[drive01] uncorrectablePages=0.256: each page must be below"},
        {Drive("uncorrectableChannelPages=4.0.1\n"), "[drive01] uncorrectableChannelPages=4.0.1: each channel"},
        {Drive("codeBlocks=0 1 2 3 4\n"), "[drive01] codeBlocks=0 1 2 3 4: must list 1 to 4 code blocks"},
        {Drive("codeBlocks=0 0\n"), "[drive01] codeBlocks=0 0: must not list a block twice"},
        {Drive("codeBlocks=64\n"), "[drive01] codeBlocks=64: each code block must be below blocksPerCe"},
        {Drive("rdtBlock=64\n"), "[drive01] rdtBlock=64: the block must be below blocksPerCe (64)"},
        {Drive("rdtBlock=60\nrdtPages=1 2 3\n"), "[drive01] rdtPages=1 2 3: must be six pages"},
        {Drive("smartAttributes=0.100.10.0\n"), "[drive01] smartAttributes=0.100.10.0: each attribute must be"},
        {Drive("flashId=\n"), "[drive01] flashId=: must be 1 to 8 bytes"},
        {Drive("volumeUsedBytes=67108865\n"), "[drive01] volumeUsedBytes=67108865: must not exceed"},
        {Drive("channels=x\n"), "[drive01] channels: bad value \"x\""},
        {RackLines("bus_mbps=480\nscale=0.25\n"), ""},
        {RackLines("bus_mbps=1e-300\n"), "[rack] bus_mbps=1e-300: must be 0 or from 12 to 20000"},
        {RackLines("bus_mbps=nan\n"), "[rack] bus_mbps=nan: must be 0 or from 12 to 20000"},
        {RackLines("bus_mbps=1e300\n"), "[rack] bus_mbps=1e300: must be 0 or from 12 to 20000"},
        {RackLines("scale=1e9\n"), "[rack] scale=1e9: must be from 0.001 to 1000"},
        {RackLines("bus_mbps=fast\n"), "[rack] bus_mbps=fast: not a number"},
        {After("[usb]\nroot=4\nport=0.1 drive01\nport=0.2 drive01\n"),
         "[usb] bad port \"0.2 drive01\": [drive01] is already on port 0.1"},
        {After("[usb]\nroot=4\nport=0.1 drive01\n[disks]\ndisk=drive01\n"),
         "[disks] bad disk \"drive01\": [drive01] is already on port 0.1"},
        {After("[drive02]\npath=" + kOtherPath + "\n[usb]\nroot=4\nport=0.1 drive01\nport=0.1 drive02\n"),
         "[usb] bad port \"0.1 drive02\": port 0.1 already holds [drive01]"},
        {After("[usb]\nroot=4\nport=0.1 drive01\nhub=0.1:4\n"),
         "[usb] bad hub \"0.1:4\": port 0.1 already holds [drive01]"},
        {After("[usb]\nroot=256\n"), "[usb] bad root \"256\": a hub has 1 to 255 ports"},
        {After("[usb]\nroot=4x\n"), "[usb] bad root \"4x\": a hub has 1 to 255 ports"},
        {After("[usb]\nroot=4\nhub=0.2:1000000000\n"), "[usb] bad hub \"0.2:1000000000\": a hub has 1 to 255"},
        {After("[ide]\npath=" + kIdePath + "\n[usb]\nroot=4\nport=0.1 drive01\n[disks]\ndisk=ide\ndisk=ide\n"),
         "[disks] bad disk \"ide\": [ide] is already listed in [disks]"},
        {After("[drive02]\npath=" + kUsbPath + "\n"),
         "[drive02] path=" + kUsbPath + ": the drive of [drive01] already has it"},
        {After("[drive01]\npath=" + kOtherPath + "\n"), "[drive01] is described twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text(c.rack));
        test::TempDir dir;
        std::ofstream(dir.file("rack.ini")) << Text(c.rack);
        const std::string error = LoadError(dir.path());
        if (c.expected.empty()) {
            EXPECT_EQ(error, "");
            continue;
        }
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

// State file bytes: the version 2 magic, then records.
struct Bytes {
    std::vector<std::uint8_t> b{'Q', 'X', 'D', 'R', 'I', 'V', 'E', '2'};
    Bytes& U8(std::uint8_t v) { return b.push_back(v), *this; }
    Bytes& Le(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& Zeros(std::size_t n) { return b.insert(b.end(), n, 0), *this; }
};

TEST(RackRefusal, StateFilesThatAreNotThisDrivesAreRefusedWithTheirReason) {
    constexpr std::uint64_t kOutsideChannel = std::uint64_t{5} << 48;
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* expected;   // after "[drive01] drive state <file>: "; "" : loads
    } cases[] = {
        {"a user sector", Bytes().U8('S').Le(5, 8).Zeros(512).b, ""},
        {"not a state file", {'h', 'e', 'l', 'l', 'o', '\n'}, "not a drive state file"},
        {"empty", {}, "not a drive state file"},
        {"a sector cut short", Bytes().U8('S').Le(5, 8).Zeros(100).b, "truncated"},
        {"a record kind cut short", Bytes().U8('M').U8(3).b, "truncated"},
        {"a sector past the capacity", Bytes().U8('S').Le(131072, 8).Zeros(512).b,
         "holds a user sector past the described capacity"},
        {"a last LBA past the capacity", Bytes().U8('M').U8(3).U8(0).Le(131072, 8).U8(0).U8(0).U8(0).b,
         "holds a last LBA past the described capacity"},
        {"an unknown state", Bytes().U8('M').U8(9).U8(0).Le(0, 8).U8(0).U8(0).U8(0).b,
         "holds a controller state no drive has"},
        {"a page on a fifth channel", Bytes().U8('P').Le(0, 4).Le(0, 4).U8('n').Le(kOutsideChannel, 8).Le(0, 4).b,
         "holds a flash page outside the described geometry"},
        {"a page past the blocks", Bytes().U8('N').Le(std::uint64_t{64} << 16, 8).Le(0, 4).b,
         "holds a flash page outside the described geometry"},
        {"a page longer than the pages", Bytes().U8('P').Le(0, 4).Le(4097, 4).b,
         "holds a flash page longer than the described pages"},
        {"a content numbered out of step", Bytes().U8('P').Le(3, 4).Le(0, 4).b, "damaged (page contents out of order)"},
        {"a reference to no content", Bytes().U8('n').Le(0, 8).Le(0, 4).b, "damaged (a page naming content"},
        {"an erase count outside", Bytes().U8('E').Le(kOutsideChannel, 8).Le(1, 4).b, "holds an erase count"},
        {"too much code RAM", Bytes().U8('C').Le(0xFFFFFFFF, 4).b, "holds more code RAM than the controller has"},
        {"an unknown record", Bytes().U8('Z').b, "damaged (a record of no known kind)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        std::ofstream(dir.file("rack.ini")) << Text({});
        std::ofstream(dir.file("drive01.state"), std::ios::binary)
            .write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
        const std::string error = LoadError(dir.path());
        if (*c.expected == '\0') {
            EXPECT_EQ(error, "");
            continue;
        }
        EXPECT_NE(error.find("[drive01] drive state " + dir.file("drive01.state") + ": " + c.expected),
                  std::string::npos)
            << error;
    }
}

// A state that is not a file at all, or far larger than the drive could
// fill, is refused before anything is read from it.
TEST(RackRefusal, AStateThatIsAFolderOrOversizedIsRefusedWithoutReadingIt) {
    test::TempDir dir;
    std::ofstream(dir.file("rack.ini")) << Text({});
    std::filesystem::create_directory(dir.file("drive01.state"));
    std::string error = LoadError(dir.path());
    EXPECT_NE(error.find("[drive01] drive state " + dir.file("drive01.state") + ": not a regular file"),
              std::string::npos)
        << error;

    std::filesystem::remove(dir.file("drive01.state"));
    std::ofstream(dir.file("drive01.state"), std::ios::binary) << "QXDRIVE2";
    std::filesystem::resize_file(dir.file("drive01.state"), std::uintmax_t{64} << 30);   // sparse
    error = LoadError(dir.path());
    EXPECT_NE(error.find("more than the described drive can hold"), std::string::npos) << error;
}

}  // namespace
}  // namespace qx::sim
