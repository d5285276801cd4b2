// The "RD" page's table operation: one defect or later-bad table moved
// between the first connected drive and a text file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "station/run/run_controller.h"

namespace qx::station {

namespace {
constexpr std::uint64_t kPauseBeforeRebuildMs = 300;
}

std::string RunController::ResolvePath(const std::string& text) const {
    const bool absolute = text.find(":\\") != std::string::npos || (!text.empty() && text[0] == '/');
    return absolute ? text : parts_.state.programFolder + text;
}

int RunController::TableOperation(int port, const RoundControls& controls) {
    StationState& state = parts_.state;
    WorkerContext ctx;
    ctx.settings = state.settings;
    ctx.config = state.config;
    ctx.binFiles = state.downloadFiles;
    ctx.controls = controls;
    StepOps& ops = parts_.ops;
    auto finish = [&](const char* text) {
        parts_.prompter.Information(kMsgCaption, text);
        StopAnimation();
        return 1;
    };
    if (!state.specialMode && !ops.FlashModuleTest(port, ctx))
        return finish("Check Flash Module Fail. Please choose a correct flash module");
    if (!ops.GetCodeBlockList(port, ctx)) return finish("Get Block Fail.");

    // A variant code that is not a number counts as 0.
    const int variant = static_cast<int>(std::strtol(state.binVariantCode.c_str(), nullptr, 10));
    if (controls.getDefTable) {
        const std::string path = ResolvePath(controls.tableIn);
        if (ops.GetDefectTable(port, ctx, path, variant)) return finish("Get Def. Table O.K.");
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return finish("Get Def. Table Fail");
    }
    if (controls.putDefTable) {
        const std::string path = ResolvePath(controls.tableOut);
        bool ok = std::filesystem::exists(path) && ops.PutDefectTable(port, ctx, path, variant) &&
                  platform::SleepMs(kPauseBeforeRebuildMs);
        // The drive took the file but its program finds no defect table to
        // act on: a failure, not an "O.K.", and said so on the console.
        if (ok && !ops.RunGdpType1(port, ctx)) {
            std::fputs("\n<WARNING> Defect table doesn't exist\n", stdout);
            std::fflush(stdout);
            ok = false;
        }
        return finish(ok ? "Put Def. Table O.K." : "Put Def. Table Fail");
    }
    if (controls.getLaterTable) {
        const bool ok = ops.GetLaterTable(port, ctx, ResolvePath(controls.laterTableIn), variant);
        return finish(ok ? "Get Later Table O.K." : "Get Later Table Fail");
    }
    if (controls.putLaterTable) {
        const bool ok = ops.PutLaterTable(port, ctx, ResolvePath(controls.laterTableOut), variant);
        return finish(ok ? "Put Later Table O.K." : "Put Later Table Fail");
    }
    StopAnimation();
    return 1;
}

}  // namespace qx::station
