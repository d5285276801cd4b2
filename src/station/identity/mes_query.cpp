#include "station/identity/mes_query.h"

#include <QFile>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/base/settings_fixed_text.h"
#include "station/identity/barcode_buffers.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr std::size_t kMaxReplyWord = 259;
constexpr std::size_t kMesWwnChars = 16;
// The token, one separator character, then the WWN.
constexpr std::size_t kWwnAfterToken = 7;
// The wait for the client is sliced so a cancelled caller is seen promptly.
constexpr int kWaitSliceMs = 50;
constexpr int kReapMs = 5000;

// The client's name, argument, folder and reply file go to the system the way file names do.
QString Local(const std::string& text) { return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size()))); }

std::string InFolder(const std::string& folder, const std::string& name) {
    const std::filesystem::path p(name);
    if (p.is_absolute() || folder.empty()) return name;
    return (std::filesystem::path(folder) / p).string();
}

std::string EnvOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

void Warn(ui::Prompter& prompter, int port, const std::string& cause) {
    DebugPrint("######### - MES query of Port%d: %s", port + 1, cause.c_str());
    prompter.Warning("MES query of Port" + std::to_string(port + 1) + " failed: " + cause);
}

// Runs the client to its end or the time bound. nullopt: it ran and ended
// with status 0; otherwise what went wrong.
std::optional<MesOutcome> RunClient(QProcess& process, const MesClient& client, const std::string& program,
                                    const std::string& argument, int port, ui::Prompter& prompter) {
    process.setProgram(Local(program));
    process.setArguments({Local(argument)});
    process.setWorkingDirectory(Local(client.workFolder));
    process.setStandardOutputFile(Local(InFolder(client.workFolder, kMesReplyFile)));
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(client.timeoutMs)) {
        Warn(prompter, port, "the client \"" + program + "\" could not be started");
        return MesOutcome::NotStarted;
    }
    // The client runs in real time even when the station's clock is a
    // virtual one, so the slices it was waited for count as well: the bound
    // holds on either clock.
    const std::uint64_t start = platform::TickMs();
    std::uint64_t sliced = 0;
    bool ended = false;
    while (!ended) {
        const std::uint64_t spent = std::max(platform::TickMs() - start, sliced);
        if (spent >= static_cast<std::uint64_t>(client.timeoutMs) || platform::CancelRequested()) break;
        const int slice = std::min(kWaitSliceMs, static_cast<int>(static_cast<std::uint64_t>(client.timeoutMs) - spent));
        ended = process.waitForFinished(slice) || process.state() == QProcess::NotRunning;
        sliced += static_cast<std::uint64_t>(slice);
    }
    if (!ended) {
        process.kill();
        process.waitForFinished(kReapMs);
        Warn(prompter, port, "the client did not answer within " + std::to_string(client.timeoutMs) + " ms");
        return MesOutcome::TimedOut;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        Warn(prompter, port, "the client ended abnormally");
        return MesOutcome::Failed;
    }
    if (process.exitCode() != 0) {
        Warn(prompter, port, "the client ended with status " + std::to_string(process.exitCode()));
        return MesOutcome::Failed;
    }
    return std::nullopt;
}

}  // namespace

MesClient MesClientFromEnvironment(const std::string& workFolder) {
    MesClient c;
    c.program = EnvOr("QX_MES_CLIENT", kMesDefaultClient);
    c.server = EnvOr("QX_MES_SERVER", "");
    c.workFolder = workFolder;
    return c;
}

std::string MesArgument(std::string_view serial, std::string_view server) {
    std::string a = "{name=GET_WWN}{value=SN:";
    a += serial;
    a += "@IP:";
    a += server;
    a += "}";
    return a;
}

MesReply ParseMesReply(std::string_view fileText) {
    MesReply r;
    std::size_t i = 0;
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (i < fileText.size() && space(fileText[i])) ++i;
    while (i < fileText.size() && !space(fileText[i]) && r.word.size() < kMaxReplyWord) r.word += fileText[i++];
    const std::size_t at = r.word.find(kMesOkToken);
    if (at == std::string::npos) return r;
    r.tokenPosition = static_cast<int>(at) + 1;
    const std::size_t from = at + kWwnAfterToken;
    r.wwn = from < r.word.size() ? r.word.substr(from, kMesWwnChars) : std::string();
    return r;
}

MesOutcome MesWwnQuery(const std::string& serial, int port, const MesClient& client, BarcodeState& barcodes,
                       ui::Prompter& prompter, const PortTableHandle& tables) {
    if (port < 0 || port >= kPortCount) return MesOutcome::NoReplyFile;
    const std::string program = InFolder(client.workFolder, client.program);
    const std::string argument = MesArgument(serial, client.server);
    DebugPrint("######### - %s %s", program.c_str(), argument.c_str());
    if (client.server.empty()) {
        Warn(prompter, port, "no MES server address is set (QX_MES_SERVER)");
        return MesOutcome::NoServer;
    }
    // A reply left by an earlier query must never be taken for this one.
    const std::string replyPath = InFolder(client.workFolder, kMesReplyFile);
    std::error_code ec;
    std::filesystem::remove(replyPath, ec);

    QProcess process;
    if (const auto failure = RunClient(process, client, program, argument, port, prompter)) return *failure;

    QFile file(Local(replyPath));
    if (!file.open(QIODevice::ReadOnly)) return MesOutcome::NoReplyFile;
    const QByteArray bytes = file.read(4096);
    const MesReply reply = ParseMesReply(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    DebugPrint("######### - %s", reply.word.c_str());
    DebugPrint("######### - %s, %d", reply.word.c_str(), reply.tokenPosition);
    if (!reply.wwn) return MesOutcome::NoToken;
    DebugPrint("######### - WWN is %s", reply.wwn->c_str());
    const auto p = static_cast<std::size_t>(port);
    CopyFixedText(barcodes.PortBarcodeWWN[p], *reply.wwn);
    CopyFixedText(tables.Active(port).Wwn, *reply.wwn);
    return MesOutcome::Stored;
}

}  // namespace qx::station
