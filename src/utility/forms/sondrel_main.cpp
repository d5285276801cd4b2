// Sondrel: the drive information utility.
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/linux/raw_rights.h"
#include "platform/linux/scsi_rescan.h"
#include "platform/single_instance.h"
#include "sim/rack/request_log_text.h"
#include "sim/rack/sim_machine.h"
#include "ui/unattended_prompter.h"
#include "ui/widgets/qt_prompter.h"
#include "utility/forms/dvc_chk_form.h"
#include "utility/forms/guarded_application.h"
#include "utility/forms/main_form.h"
#include "utility/forms/splash_form.h"
#include "utility/drive_page_set.h"
#include "utility/unattended_run.h"

namespace {

using namespace qx::utility;

constexpr char kInstanceName[] = "QXUtil";
constexpr char kNoRightsMessage[] =
    "Sondrel needs root or the CAP_SYS_RAWIO capability to send commands to the drives.";

// Without a display nobody can click: Qt's offscreen platform, and the
// command-line words act by themselves.
void UseOffscreenWithoutDisplay() {
    const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
    if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// The simulated machine, reloaded from its folder by the Scan button.
struct Backend {
    std::unique_ptr<qx::sim::SimMachine> machine;
    std::string folder;

    void LogRequests() {
        if (machine) qx::sim::AppendRequestLogFromEnvironment(machine->Rack().Log());
    }
    int Rescan() {
        if (!machine) return qx::platform::linux_scsi::RescanScsiHosts();
        std::string error;
        auto fresh = qx::sim::SimMachine::LoadFolder(folder, &error);
        if (!fresh) return EIO;
        LogRequests();
        fresh->Install();
        machine = std::move(fresh);
        return 0;
    }
};

int RunUnattended(TMainForm& form, const CommandLine& words) {
    if (!words.WantsDrive()) return kExitDone;
    std::string error;
    const int row = UnattendedRow(words, form.Logic().List(), &error);
    if (row < 0) {
        std::fputs(error.c_str(), stderr);
        return kExitNoDrive;
    }
    form.SelectRow(row);
    const CommandOutcome& outcome = form.Logic().Outcome();
    if (outcome.DumpRan && outcome.DumpWritten) std::printf("%s\n", outcome.DumpPath.c_str());
    if (outcome.DumpRan && !outcome.DumpWritten)
        std::fprintf(stderr, "Cannot write %s\n", outcome.DumpPath.c_str());
    std::fflush(stdout);
    return UnattendedExitStatus(words, outcome);
}

int RunSondrel(GuardedApplication& app, qx::ui::Prompter& prompter, bool unattended, int argc, char** argv) {
    Backend backend;
    bool simulated = false;
    std::string error;
    backend.machine = qx::sim::InstallBackendFromEnvironment(&simulated, &error);
    if (simulated && !backend.machine) {
        std::fprintf(stderr, "Sondrel: the simulated rack does not load: %s\n", error.c_str());
        return kExitNoDrive;
    }
    if (simulated) backend.folder = std::getenv("QX_SIM_RACK");
    if (!simulated && !qx::platform::linux_rights::CanSendRawCommands()) {
        prompter.Error(kNoRightsMessage);
        return kExitNoDrive;
    }

    UtilityEnvironment env;
    env.ProgramFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    env.Words = CommandLine::FromMain(argc, argv);
    env.Rescan = [&backend] { return backend.Rescan(); };
    QCoreApplication::setApplicationName(kCaption);

    DrivePageSet pages;
    TSplashForm splash;
    TMainForm form(env, prompter, pages, &splash);
    if (auto* qt = dynamic_cast<qx::ui::QtPrompter*>(&prompter)) qt->SetParent(&form);
    TDvcChkForm dvcChk;
    form.show();

    int status = kExitDone;
    if (unattended)
        status = app.Failed() ? kExitFailed : RunUnattended(form, env.Words);
    else if (form.isVisible())
        status = app.exec();
    backend.LogRequests();
    // Nobody saw the error: the exit status tells it.
    if (unattended && app.Failed()) status = kExitFailed;
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // A second instance leaves before it makes a window or speaks to a drive.
    const qx::platform::SingleInstanceGuard instance(kInstanceName);
    if (instance.HeldByAnother()) {
        std::fputs("Sondrel is already running.\n", stderr);
        return kExitRunning;
    }
    UseOffscreenWithoutDisplay();
    GuardedApplication app(argc, argv);
    const bool unattended = QGuiApplication::platformName() == "offscreen";
    std::unique_ptr<qx::ui::Prompter> prompter;
    if (unattended)
        prompter = std::make_unique<qx::ui::UnattendedPrompter>();
    else
        prompter = std::make_unique<qx::ui::QtPrompter>();
    // An error nothing else handled: shown in a dialog and the window goes
    // on; without a display printed, and the program ends with status 1.
    app.SetReport([&](const std::string& text) {
        if (unattended)
            std::fprintf(stderr, "%s\n", text.c_str());
        else
            prompter->Error(text);
    });
    try {
        return RunSondrel(app, *prompter, unattended, argc, argv);
    } catch (...) {
        app.Report(CurrentExceptionText());
        return kExitFailed;
    }
}
