// What a drive of a rack folder keeps once qxgadget has saved it: the
// controller state, the identity its IDENTIFY data gives, the NAND page the
// probe wrote on every channel, and the user sectors, optionally exported as
// a raw image.
//
//   gadget_state FOLDER DRIVE [IMAGE]
#include <cstdio>
#include <string>
#include <vector>

#include "sim/model/drive_model.h"
#include "sim/model/identify_data.h"
#include "sim/rack/sim_rack.h"

namespace {

using namespace qx::sim;

const char* StateName(ControllerState s) {
    switch (s) {
        case ControllerState::Loader: return "loader";
        case ControllerState::DownloadReady: return "download-ready";
        case ControllerState::ProgramRunning: return "program";
        case ControllerState::Firmware: return "firmware";
    }
    return "?";
}

std::uint32_t Fnv1a(const std::vector<std::uint8_t>& b) {
    std::uint32_t h = 2166136261u;
    for (const std::uint8_t c : b) h = (h ^ c) * 16777619u;
    return h;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: gadget_state FOLDER DRIVE [IMAGE]\n", stderr);
        return 2;
    }
    std::string error;
    const auto rack = SimRack::LoadFolder(argv[1], &error);
    if (!rack) {
        std::fprintf(stderr, "gadget_state: %s\n", error.c_str());
        return 1;
    }
    std::string path;
    for (const auto& p : rack->Paths())
        if (rack->NameOf(p) == argv[2]) path = p;
    SimDrive* drive = rack->Find(path);
    if (!drive) {
        std::fprintf(stderr, "gadget_state: no drive %s\n", argv[2]);
        return 1;
    }
    std::printf("state drive=%s controller=%s capacity=%llu stored-sectors=%zu\n", argv[2], StateName(drive->State()),
                static_cast<unsigned long long>(drive->CapacitySectors()), drive->StoredSectorCount());
    {
        auto hold = drive->Lock();
        const Sector identify = BuildIdentify(drive->Model());
        std::printf("state drive=%s identify serial=\"%s\" firmware=\"%s\" model=\"%s\"\n", argv[2],
                    GetAtaString(identify, 10, 10).c_str(), GetAtaString(identify, 23, 4).c_str(),
                    GetAtaString(identify, 27, 20).c_str());
        const Nand& nand = drive->Model().nand;
        for (std::uint8_t ch = 0; ch < 4; ++ch) {
            std::vector<std::uint8_t> page(8 * 512);
            nand.Read({ch, 0, 21, 6}, page);
            std::printf("state drive=%s ch=%u ce=0 block=21 page=6 fnv=%08x\n", argv[2], ch, Fnv1a(page));
        }
    }
    if (argc > 3) {
        const bool ok = rack->ExportImage(path, argv[3]);
        std::printf("state drive=%s export=%d\n", argv[2], ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    return 0;
}
