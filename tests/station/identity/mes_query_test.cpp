// The MES WWN query: the reply's parsing, and the query against a fake
// client that the tests build (it answers, answers late, hangs, fails, says
// nothing, and records its arguments).
#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "qxlib/discovery/port_record.h"
#include "station/identity/barcode_buffers.h"
#include "station/identity/mes_query.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::test {
namespace {

using station::MesOutcome;

struct ReplyCase {
    const char* file;
    const char* word;
    int position;
    const char* wwn;   // nullptr: nothing stored
};

TEST(MesReplyTest, FirstWordTokenPositionAndWwn) {
    const ReplyCase cases[] = {
        {"MES_OK:5000C500A1B2C3D4\n", "MES_OK:5000C500A1B2C3D4", 1, "5000C500A1B2C3D4"},
        {"MES_OK,5000C500A1B2C3D4EXTRA", "MES_OK,5000C500A1B2C3D4EXTRA", 1, "5000C500A1B2C3D4"},
        {"  \n\tMES_OK:ABC rest", "MES_OK:ABC", 1, "ABC"},
        {"xxMES_OK:5000C500A1B2C3D4", "xxMES_OK:5000C500A1B2C3D4", 3, "5000C500A1B2C3D4"},
        {"MES_OK 5000C500A1B2C3D4", "MES_OK", 1, ""},        // the word ends at the space
        {"MES_OK:", "MES_OK:", 1, ""},
        {"MES_NG:serial unknown", "MES_NG:serial", 0, nullptr},
        {"", "", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const station::MesReply r = station::ParseMesReply(c.file);
        EXPECT_EQ(r.word, c.word);
        EXPECT_EQ(r.tokenPosition, c.position);
        ASSERT_EQ(r.wwn.has_value(), c.wwn != nullptr);
        if (c.wwn) {
            EXPECT_EQ(*r.wwn, c.wwn);
        }
    }
}

TEST(MesReplyTest, TheFirstWordIsReadUpTo259Characters) {
    const std::string longWord(300, 'x');
    EXPECT_EQ(station::ParseMesReply(longWord + "MES_OK:1").word, std::string(259, 'x'));
}

TEST(MesArgumentTest, SerialAndServerInOneArgument) {
    EXPECT_EQ(station::MesArgument("SN123", "10.1.2.3"), "{name=GET_WWN}{value=SN:SN123@IP:10.1.2.3}");
}

class MesQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearPortTable(ActivePortTable);
        client_.program = QX_FAKE_MES_CLIENT;
        client_.server = "10.1.2.3";
        client_.workFolder = dir_.path().string();
        client_.timeoutMs = 5000;
        ::setenv("FAKE_MES_RECORD", Record().c_str(), 1);
        for (const char* v : {"FAKE_MES_REPLY", "FAKE_MES_SILENT", "FAKE_MES_DELAY_MS", "FAKE_MES_HANG", "FAKE_MES_EXIT"})
            ::unsetenv(v);
    }
    void TearDown() override {
        for (const char* v : {"FAKE_MES_RECORD", "FAKE_MES_REPLY", "FAKE_MES_SILENT", "FAKE_MES_DELAY_MS",
                              "FAKE_MES_HANG", "FAKE_MES_EXIT"})
            ::unsetenv(v);
        ClearPortTable(ActivePortTable);
    }

    std::string Record() const { return (dir_.path() / "client-args.txt").string(); }
    std::vector<std::string> RecordLines() const {
        std::ifstream in(Record());
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    MesOutcome Query(const std::string& serial, int port = 2) {
        return station::MesWwnQuery(serial, port, client_, barcodes_, prompter_);
    }
    std::string StoredWwn(int port = 2) const {
        return std::string(PortText(ActivePortTable[static_cast<std::size_t>(port)].Wwn));
    }
    std::string BufferWwn(int port = 2) const { return barcodes_.PortBarcodeWWN[static_cast<std::size_t>(port)].data(); }
    void WriteStaleReply() const {
        std::ofstream(dir_.path() / "log.txt") << "MES_OK:STALE00000000STAL\n";
    }
    // The client's pid is gone: ended and reaped, not a zombie.
    void ExpectNoChildLeft() const {
        const auto lines = RecordLines();
        ASSERT_FALSE(lines.empty());
        const pid_t pid = std::atoi(lines[0].c_str());
        errno = 0;
        EXPECT_EQ(::kill(pid, 0), -1);
        EXPECT_EQ(errno, ESRCH);
    }

    TempDir dir_;
    station::MesClient client_;
    station::BarcodeState barcodes_;
    ui::ScriptedPrompter prompter_;
};

TEST_F(MesQueryTest, TheWwnOfTheReplyIsStoredForThePort) {
    EXPECT_EQ(Query("SN123"), MesOutcome::Stored);
    EXPECT_EQ(StoredWwn(), "5000C500A1B2C3D4");
    EXPECT_EQ(BufferWwn(), "5000C500A1B2C3D4");
    EXPECT_EQ(RecordLines().size(), 2u);
    EXPECT_EQ(RecordLines().at(1), "{name=GET_WWN}{value=SN:SN123@IP:10.1.2.3}");
    EXPECT_TRUE(prompter_.Records().empty());
}

TEST_F(MesQueryTest, ALateAnswerInsideTheBoundWinsOverAStaleReplyFile) {
    WriteStaleReply();
    ::setenv("FAKE_MES_DELAY_MS", "1500", 1);
    EXPECT_EQ(Query("SN123"), MesOutcome::Stored);
    EXPECT_EQ(StoredWwn(), "5000C500A1B2C3D4");
}

TEST_F(MesQueryTest, ShellCharactersReachTheClientInsideItsOneArgumentAndRunNothing) {
    const std::string serial = "A;touch pwned1 `touch pwned2` $(touch pwned3)|>x&\"'";
    EXPECT_EQ(Query(serial), MesOutcome::Stored);
    const auto lines = RecordLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "{name=GET_WWN}{value=SN:" + serial + "@IP:10.1.2.3}");
    for (const char* f : {"pwned1", "pwned2", "pwned3", "x"}) EXPECT_FALSE(std::filesystem::exists(dir_.path() / f)) << f;
}

TEST_F(MesQueryTest, RepliesWithoutTheTokenOrWithoutAnyTextStoreNothingAndWarnNobody) {
    WriteStaleReply();
    ::setenv("FAKE_MES_REPLY", "MES_NG:unknown", 1);
    EXPECT_EQ(Query("SN123"), MesOutcome::NoToken);
    ::setenv("FAKE_MES_SILENT", "1", 1);
    EXPECT_EQ(Query("SN123"), MesOutcome::NoToken);
    EXPECT_EQ(StoredWwn(), "");
    EXPECT_TRUE(prompter_.Records().empty());
}

struct FailureCase {
    const char* name;
    const char* env;
    const char* value;
    MesOutcome outcome;
    const char* warning;
};

TEST_F(MesQueryTest, AClientThatFailsHangsOrCannotStartStoresNothingWarnsAndLeavesNoChild) {
    const FailureCase cases[] = {
        {"non-zero exit", "FAKE_MES_EXIT", "3", MesOutcome::Failed,
         "MES query of Port3 failed: the client ended with status 3"},
        {"hang", "FAKE_MES_HANG", "1", MesOutcome::TimedOut,
         "MES query of Port3 failed: the client did not answer within 800 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        prompter_.Clear();
        client_.timeoutMs = 800;
        WriteStaleReply();
        ::setenv(c.env, c.value, 1);
        EXPECT_EQ(Query("SN123"), c.outcome);
        EXPECT_EQ(StoredWwn(), "");
        EXPECT_EQ(BufferWwn(), "");
        ASSERT_EQ(prompter_.Records().size(), 1u);
        EXPECT_EQ(prompter_.Records()[0].caption, "Warning");
        EXPECT_EQ(prompter_.Records()[0].text, c.warning);
        ExpectNoChildLeft();
    }
}

TEST_F(MesQueryTest, AMissingClientProgramIsReportedWithItsName) {
    client_.program = "demo.exe";
    EXPECT_EQ(Query("SN123"), MesOutcome::NotStarted);
    ASSERT_EQ(prompter_.Records().size(), 1u);
    EXPECT_EQ(prompter_.Records()[0].text,
              "MES query of Port3 failed: the client \"" + (dir_.path() / "demo.exe").string() + "\" could not be started");
}

TEST_F(MesQueryTest, NoServerAddressStartsNothing) {
    client_.server.clear();
    EXPECT_EQ(Query("SN123"), MesOutcome::NoServer);
    EXPECT_TRUE(RecordLines().empty());
    ASSERT_EQ(prompter_.Records().size(), 1u);
}

TEST(MesClientTest, ClientAndServerComeFromTheEnvironment) {
    ::unsetenv("QX_MES_CLIENT");
    ::unsetenv("QX_MES_SERVER");
    auto c = station::MesClientFromEnvironment("/work/folder");
    EXPECT_EQ(c.program, "demo.exe");
    EXPECT_EQ(c.server, "");
    EXPECT_EQ(c.workFolder, "/work/folder");
    EXPECT_EQ(c.timeoutMs, 5000);
    ::setenv("QX_MES_CLIENT", "/opt/mes/client", 1);
    ::setenv("QX_MES_SERVER", "192.168.0.10", 1);
    c = station::MesClientFromEnvironment("/work/folder");
    EXPECT_EQ(c.program, "/opt/mes/client");
    EXPECT_EQ(c.server, "192.168.0.10");
    ::unsetenv("QX_MES_CLIENT");
    ::unsetenv("QX_MES_SERVER");
}

}  // namespace
}  // namespace qx::test

namespace qx::test {
namespace {

// The client runs in real time: a station on a virtual clock still gives up
// after the bound instead of waiting for ever.
TEST_F(MesQueryTest, TheBoundHoldsOnAVirtualClockToo) {
    platform::VirtualClock clock;
    platform::SetClock(&clock);
    client_.timeoutMs = 600;
    ::setenv("FAKE_MES_HANG", "1", 1);
    EXPECT_EQ(Query("SN123"), MesOutcome::TimedOut);
    platform::SetClock(nullptr);
    ExpectNoChildLeft();
}

}  // namespace
}  // namespace qx::test
