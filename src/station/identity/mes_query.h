// The WWN of a drive from the factory's MES, through its outside client
// program. The client runs without a shell, with the query as its one
// argument; its standard output lands in "log.txt" in the working folder,
// which is read once the client has ended within its time bound.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "station/ports/port_tables.h"

namespace qx::ui {
class Prompter;
}

namespace qx::station {

struct BarcodeState;

inline constexpr char kMesReplyFile[] = "log.txt";
inline constexpr char kMesDefaultClient[] = "demo.exe";
inline constexpr char kMesOkToken[] = "MES_OK";
inline constexpr int kMesDefaultTimeoutMs = 5000;

struct MesClient {
    std::string program;      // a relative name is taken in workFolder
    std::string server;       // the MES server's address, dotted IPv4
    std::string workFolder;   // the client runs here and "log.txt" lands here
    int timeoutMs = kMesDefaultTimeoutMs;
};

// The client from QX_MES_CLIENT (default "demo.exe") and the server from
// QX_MES_SERVER, in the given working folder.
MesClient MesClientFromEnvironment(const std::string& workFolder);

// "{name=GET_WWN}{value=SN:<serial>@IP:<server>}"
std::string MesArgument(std::string_view serial, std::string_view server);

// The reply file's first word (up to the first white space, at most 259
// characters), where "MES_OK" starts in it (from 1; 0 when absent) and the
// WWN: the 16 characters that follow the token and one separator, fewer when
// the word ends earlier; none without the token.
struct MesReply {
    std::string word;
    int tokenPosition = 0;
    std::optional<std::string> wwn;
};
MesReply ParseMesReply(std::string_view fileText);

enum class MesOutcome {
    Stored,        // the WWN is in the port's buffer and record
    NoReplyFile,   // "log.txt" could not be read
    NoToken,       // the reply lacks "MES_OK"
    NoServer,      // no server address configured
    NotStarted,    // the client could not be started
    TimedOut,      // the client did not end in time (killed and reaped)
    Failed,        // the client crashed or ended with a non-zero status
};

// Asks the MES for the WWN of serial and stores it for port. A client that
// cannot run, hangs or fails stores nothing and warns the operator naming
// the port; a reply without "MES_OK" stores nothing and is only traced.
MesOutcome MesWwnQuery(const std::string& serial, int port, const MesClient& client, BarcodeState& barcodes,
                       ui::Prompter& prompter, const PortTableHandle& tables = StationPortTables());

}  // namespace qx::station
