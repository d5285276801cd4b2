// Fablane: the mass-production station (its single-bank build as well).
#include <QApplication>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/single_instance.h"
#include "sim/control/rack_control.h"
#include "sim/rack/request_log_text.h"
#include "sim/rack/sim_machine.h"
#include "station/entry/command_line.h"
#include "station/entry/exit_codes.h"
#include "station/entry/network_folder.h"
#include "station/entry/title_serial.h"
#include "station/forms/input_box_form.h"
#include "station/forms/main/main_form.h"
#include "station/forms/settings/settings_area.h"
#include "station/forms/title_form.h"
#include "ui/unattended_prompter.h"
#include "ui/widgets/qt_prompter.h"

namespace {

using namespace qx;

// Without a display nobody can click: Qt's offscreen platform, and every box
// is answered by itself.
void UseOffscreenWithoutDisplay() {
    const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
    if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// The simulated rack, kept for the life of the program and saved at exit so
// the drives keep what the run did to them.
struct Backend {
    std::unique_ptr<sim::SimMachine> machine;
    std::string folder;

    ~Backend() {
        if (!machine) return;
        sim::AppendRequestLogFromEnvironment(machine->Rack().Log());
        std::string error;
        if (!machine->Rack().SaveState(folder, &error))
            std::fprintf(stderr, "Fablane: the simulated rack was not saved: %s\n", error.c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    // A second station leaves before it makes a window or speaks to a drive.
    const platform::SingleInstanceGuard instance(station::kInstanceName);
    if (instance.HeldByAnother()) return station::kExitRefused;

    Backend backend;
    bool simulated = false;
    std::string error;
    backend.machine = sim::InstallBackendFromEnvironment(&simulated, &error);
    if (simulated && !backend.machine) {
        std::fprintf(stderr, "Fablane: the simulated rack does not load: %s\n", error.c_str());
        return station::kExitNoRack;
    }
    if (simulated) {
        backend.folder = std::getenv("QX_SIM_RACK");
        sim::InstallRackControl(backend.folder, *backend.machine);
    }

    UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    const bool unattended = QGuiApplication::platformName() == "offscreen";

    ui::QtPrompter qt;
    station::TInputBoxForm inputBox;
    station::BarcodeFormPrompter interactive(qt, inputBox);
    ui::UnattendedPrompter quiet(stderr);
    ui::Prompter& prompter = unattended ? static_cast<ui::Prompter&>(quiet) : interactive;

    station::MainFormEnv env;
    env.programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
    env.arguments = station::CommandArguments(argc, argv);
    env.initFunc = station::ParseInitFuncArgs(env.arguments);
    env.unattended = unattended;
    env.hooks.programOnRemoteDisk = [folder = env.programFolder] {
        if (!station::OnNetworkFileSystem(folder)) return false;
        // The station ends without a window; this line says why.
        std::fprintf(stderr, "Fablane: %s is on a network file system ([Setting] EnCheckToolOnRemoteDisk)\n",
                     folder.c_str());
        return true;
    };

    int status = 0;
    {
        station::TMainForm form(env, prompter);
        qt.SetParent(&form);
        switch (form.StartUp()) {
        case station::StartOutcome::Aborted:   // the reason has been shown
        case station::StartOutcome::TooManyPorts:
            return station::kExitRefused;
        case station::StartOutcome::NeedsOperator:   // the line names the settings
            return station::kExitNeedsOperator;
        case station::StartOutcome::Ready:
            break;
        }
        station::TitleResult title;
        if (form.Settings().ShowTitle && !unattended) {
            station::TTitleForm titleForm(form.Settings().ShowTitle, &form);
            titleForm.exec();
            title = titleForm.Result();
        }
        form.show();
        if (station::ApplyTitleResult(title, form.Settings())) form.GlobalParameterToForm();
        form.FormShow();
        status = app.exec();
        form.ShutDown();   // mostly done already by the window's close
        if (form.Flags().autoExecuteQuit && status == 0) status = station::UnattendedExitCode(form.EndOfRun());
    }
    return status;
}
