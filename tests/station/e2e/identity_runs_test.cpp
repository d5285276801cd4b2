// Serial numbers, WWNs and PPIDs over several whole runs: drives whose
// firmware download fails give their serial numbers back, bar codes come
// through the bar-code dialog's own path with scripted answers, fixed
// [ReMP] serials, and a station restart over the saved settings file. What
// each drive got is read from the production log the station writes.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "qxlib/base/switches.h"
#include "qxlib/settings/settings_file.h"
#include "qxlib/settings/settings_switches.h"
#include "station/engine_fixture.h"
#include "station/identity/barcode_store.h"
#include "station/identity/mes_query.h"
#include "station/results/station_results.h"

namespace qx::test {
namespace {

using Texts = std::vector<std::string>;

// Loading a settings file also sets the library's switches; they go back to
// what they were for the tests after these.
class SwitchGuard {
public:
    SwitchGuard()
        : saved_{EnableWorkOrder.load(), EnSaveDefectTable.load(), EnNoCheckBridge.load(), SataBusMode.load(),
                 EnGodMode.load(),       FlashIdCheckMask.load(),  TransferMode.load()},
          debugToFile_(DebugToFile.load()) {}
    ~SwitchGuard() {
        std::size_t i = 0;
        for (auto* s : {&EnableWorkOrder, &EnSaveDefectTable, &EnNoCheckBridge, &SataBusMode, &EnGodMode,
                        &FlashIdCheckMask, &TransferMode})
            s->store(saved_[i++]);
        DebugToFile = debugToFile_;
    }
    SwitchGuard(const SwitchGuard&) = delete;
    SwitchGuard& operator=(const SwitchGuard&) = delete;

private:
    std::array<std::uint8_t, 7> saved_;
    bool debugToFile_;
};

// One production-log row: the drive's identity and result.
struct Row {
    int port = 0;
    std::string serial, ppid, wwn, result;
};

class IdentityRunsTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        settingsFile_ = dir_.file("QXMPTOOL.ini");
        LoadGlobalParameter(settingsFile_, settings_, config_);   // no file yet: the defaults
        Configure();
        for (int p = 0; p < kPorts; ++p) Connect(p);
        view_.controls.snIncrement = view_.controls.uidIncrement = true;
        view_.onEvent = [this](const std::string& e) {
            if (e == "SaveSettings") SaveGlobalParameter(settingsFile_, settings_, config_);
        };
        log_.SetLogDir(dir_.path().string() + "/logs/");
        Start();
    }
    void TearDown() override {
        engine_.reset();
        EngineFixture::TearDown();
    }

    // What this station is set to; the drives are scripted.
    void Configure() {
        settings_.Channel = 4;
        settings_.Bank = kBuildBanks;
        settings_.TimeOut = 300'000;
        config_.FlashGeometry.PagesPerBlock = 256;
        settings_.TestItemEnable = {};
        settings_.TestItemEnable[3] = settings_.TestItemEnable[8] = 1;
        settings_.SNErrReuse = 1;
        settings_.SNDecimal = 0;
        settings_.UIDDecimal = 1;
        std::snprintf(settings_.SerialNum, sizeof settings_.SerialNum, "QX0001");
        std::snprintf(settings_.UID, sizeof settings_.UID, "500");
    }

    // The program starts: a fresh identity state (no reuse queue, no bar
    // codes) and engine; the settings as the file has them.
    void Start() {
        engine_.reset();
        identityNow_.reset();
        stepsNow_.reset();
        codes_ = station::BarcodeState{};
        stepsNow_ = std::make_unique<station::IdentitySteps>(settings_, codes_);
        identityNow_ = std::make_unique<station::StationIdentity>(*stepsNow_);
        engine_ = std::make_unique<station::RunStart>(
            station::EngineParts{view_, ports_, log_, rescan_, *identityNow_, prompter_, ops_, state_});
        log_.SelectProductionLogFile();
    }
    void Restart() {
        settings_ = GlobalParameter{};
        LoadGlobalParameter(settingsFile_, settings_, config_);
        Start();
    }

    // One run in which the download fails on the given ports; its log rows.
    std::vector<Row> RunFailing(std::initializer_list<int> downloadFails) {
        ops_.Reset();
        for (int p : downloadFails) ops_.Fail("DownloadFirmware", p);
        const std::size_t before = LogRows().size();
        Press();
        std::vector<Row> rows = LogRows();
        rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(before));
        // Each row is its drive's record, as the worker wrote it.
        for (const Row& r : rows) {
            const PortRecord& rec = Rec(r.port - 1);
            EXPECT_EQ(r.serial, rec.SerialNumber) << r.port;
            EXPECT_EQ(r.wwn, rec.Wwn) << r.port;
            if (settings_.EnPPID) {
                EXPECT_EQ(r.ppid, rec.Ppid) << r.port;
            }
        }
        return rows;
    }

    // The production log's rows, read back from the file.
    std::vector<Row> LogRows() const {
        std::vector<Row> rows;
        const std::string file = log_.LogFile().LogFileName;
        std::ifstream in(file, std::ios::binary);
        std::string line;
        bool header = true;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (header) {
                header = false;
                ppidColumn_ = line.find(" PPID\t") != std::string::npos;
                continue;
            }
            std::vector<std::string> f;
            std::stringstream cells(line);
            for (std::string c; std::getline(cells, c, '\t');) f.push_back(c);
            Row r;
            r.port = std::stoi(f.at(1));
            r.serial = f.at(7);
            std::size_t at = 8;
            if (ppidColumn_) r.ppid = f.at(at++);
            r.wwn = f.at(at);
            r.result = f.back();   // "Pass", or the failing item's code
            rows.push_back(r);
        }
        return rows;
    }
    static Texts Serials(const std::vector<Row>& rows) {
        Texts out;
        for (const Row& r : rows) out.push_back(r.serial);
        return out;
    }
    static Texts Wwns(const std::vector<Row>& rows) {
        Texts out;
        for (const Row& r : rows) out.push_back(r.wwn);
        return out;
    }

    // What the device refresh does for a port before a run in per-port
    // mode: the bar-code dialog asks for its codes, the operator scans.
    void Scan(int port, const std::string& serial, const std::string& ppid) {
        station::MesClient mes;
        station::BarcodeContext ctx{codes_, settings_, prompter_, mes};
        codes_.InputBoxPort = port;
        codes_.InputBoxKind = station::kBarcodeSnPpid;
        prompter_.Answer(std::optional<ui::BarcodeAnswer>(ui::BarcodeAnswer{serial, ppid}));
        station::ShowBarcodeDialog(ctx);
    }

    static constexpr int kPorts = 4;
    SwitchGuard switches_;
    std::string settingsFile_;
    station::BarcodeState codes_;
    std::unique_ptr<station::IdentitySteps> stepsNow_;
    std::unique_ptr<station::StationIdentity> identityNow_;
    station::StationResults log_{{settings_, ActivePortTable, PortCount, config_, prompter_}};
    mutable bool ppidColumn_ = false;
};

TEST_F(IdentityRunsTest, FailedSerialsComeBackOncePerFailureBeforeNewNumbersAcrossARestart) {
    // Run 1: ports 2 and 3 (1-based) fail their download.
    auto rows = RunFailing({1, 2});
    EXPECT_EQ(Serials(rows), (Texts{"QX0001", "QX0002", "QX0003", "QX0004"}));
    EXPECT_EQ(Wwns(rows), (Texts{"500", "501", "502", "503"}));
    EXPECT_TRUE(view_.Has("Counters QX0005 504"));

    // Run 2: the two given back go first, then the counter; port 1 fails.
    rows = RunFailing({0});
    EXPECT_EQ(Serials(rows), (Texts{"QX0002", "QX0003", "QX0005", "QX0006"}));
    EXPECT_EQ(Wwns(rows), (Texts{"504", "505", "506", "507"}));
    EXPECT_TRUE(view_.Has("Counters QX0007 508"));

    // Run 3: QX0002 failed twice and comes back a second time, once.
    rows = RunFailing({});
    EXPECT_EQ(Serials(rows), (Texts{"QX0002", "QX0007", "QX0008", "QX0009"}));
    EXPECT_EQ(Wwns(rows), (Texts{"508", "509", "510", "511"}));

    // The file keeps the next number never issued and the next UID.
    GlobalParameter saved{};
    FlashConfig savedConfig{};
    LoadGlobalParameter(settingsFile_, saved, savedConfig);
    EXPECT_STREQ(saved.SerialNum, "QX000A");
    EXPECT_STREQ(saved.UID, "512");

    // A restart goes on from the file; its first failure is reissued too.
    Restart();
    rows = RunFailing({3});
    EXPECT_EQ(Serials(rows), (Texts{"QX000A", "QX000B", "QX000C", "QX000D"}));
    EXPECT_EQ(Wwns(rows), (Texts{"512", "513", "514", "515"}));
    rows = RunFailing({});
    EXPECT_EQ(Serials(rows), (Texts{"QX000D", "QX000E", "QX000F", "QX0010"}));

    // No drive that passed shares its serial number or its WWN with another.
    std::map<std::string, int> passedSerials, wwns;
    for (const Row& r : LogRows()) {
        if (r.result == "Pass") ++passedSerials[r.serial];
        ++wwns[r.wwn];
    }
    for (const auto& [serial, n] : passedSerials) EXPECT_EQ(n, 1) << serial;
    for (const auto& [wwn, n] : wwns) EXPECT_EQ(n, 1) << wwn;
}

TEST_F(IdentityRunsTest, ScannedBarCodesAreTheDrivesIdentityAndTheCountersStay) {
    settings_.EnBarCode = 1;
    settings_.EnPPID = 1;
    settings_.CheckPPIDLengthValue = 23;
    const Texts serials{"SCAN-A-0001", "SCAN-B-0002", "SCAN-C-0003", "SCAN-D-0004"};
    for (int p = 0; p < kPorts; ++p)
        Scan(p, serials[static_cast<std::size_t>(p)], "PPID-" + std::string(16, 'A' + static_cast<char>(p)) + "-X");
    const auto rows = RunFailing({2});
    ASSERT_TRUE(ppidColumn_);
    EXPECT_EQ(Serials(rows), serials);
    for (const Row& r : rows) EXPECT_EQ(r.ppid, "PPID-" + std::string(16, 'A' + static_cast<char>(r.port - 1)) + "-X");
    EXPECT_EQ(Wwns(rows), (Texts{"500", "500", "500", "500"})) << "the UID is not stepped with bar codes";
    EXPECT_TRUE(view_.Has("Counters QX0001 500"));
    EXPECT_NE(rows[2].result, "Pass");
    for (int p : {0, 1, 3}) EXPECT_EQ(rows[static_cast<std::size_t>(p)].result, "Pass") << p;
}

TEST_F(IdentityRunsTest, FixedReMPSerialsAndARefusalThatTakesNoQueuedNumber) {
    RunFailing({1});   // QX0002 is given back
    settings_.EnReMPSN = 1;
    for (int p = 0; p < kPorts; ++p)
        std::snprintf(settings_.ReMPSerialNum[p], sizeof settings_.ReMPSerialNum[p], "REMP%02d", p + 1);
    std::snprintf(settings_.ReMPSerialNum[2], sizeof settings_.ReMPSerialNum[2], "N/A");
    const std::size_t before = LogRows().size();
    Press();
    EXPECT_EQ(prompter_.Texts().back(), "Please Make sure the PortSN03 does exist!!!");
    EXPECT_EQ(LogRows().size(), before) << "a refused run wrote rows";

    // Every port has its fixed serial: the drives take them, and the queued
    // number waits.
    std::snprintf(settings_.ReMPSerialNum[2], sizeof settings_.ReMPSerialNum[2], "REMP03");
    auto rows = RunFailing({});
    EXPECT_EQ(Serials(rows), (Texts{"REMP01", "REMP02", "REMP03", "REMP04"}));
    EXPECT_TRUE(view_.Has("Counters QX0005 508")) << "the UID steps, the counter waits";

    // Back to the counter: the queued number goes first, then new ones.
    settings_.EnReMPSN = 0;
    rows = RunFailing({});
    EXPECT_EQ(Serials(rows), (Texts{"QX0002", "QX0005", "QX0006", "QX0007"}));
}

}  // namespace
}  // namespace qx::test
