// The bar-code dialog's requests and the one store behind its OK, reached
// through the prompter as the device refresh asks.
#include <gtest/gtest.h>

#include "station/identity/barcode_request.h"
#include "station/identity/barcode_store.h"
#include "station/identity/identity_fixture.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::test {
namespace {

using station::BarcodeContext;
using ui::BarcodeAnswer;

struct RequestCase {
    int kind;
    bool shared;
    const char* caption;
    const char* label1;
    const char* label2;
    std::size_t max1, max2;
};

TEST(BarcodeRequestTest, CaptionsLabelsAndLimitsByKindAndMode) {
    const RequestCase cases[] = {
        {1, false, "Please Input the SN(Port4)", "Serial Number", "", 39, 0},
        {1, true, "Please Input the SN", "Serial Number", "", 39, 0},
        {2, false, "Please Input the WWN or UID(Port4)", "WWN or UID", "", 17, 0},
        {2, true, "Please Input the WWN or UID(Port4)", "WWN or UID", "", 17, 0},
        {3, false, "Please Input the PPID(Port4)", "Customer P/N(PPID)", "", 23, 0},
        {3, true, "Please Input the PPID", "Customer P/N(PPID)", "", 23, 0},
        {4, false, "Please Input the SN and PPID(Port4)", "Serial Number", "Customer P/N(PPID)", 39, 23},
        {4, true, "Please Input the SN and PPID", "Serial Number", "Customer P/N(PPID)", 39, 23},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + (c.shared ? " shared" : " per port"));
        const ui::BarcodeRequest r = station::BarcodeRequestFor(c.kind, 3, c.shared);
        EXPECT_EQ(r.caption, c.caption);
        EXPECT_EQ(r.label1, c.label1);
        EXPECT_EQ(r.label2, c.label2);
        EXPECT_EQ(r.maxLength1, c.max1);
        EXPECT_EQ(r.maxLength2, c.max2);
        EXPECT_EQ(r.text1, "");
    }
}

class BarcodeStoreTest : public IdentityFixture {
protected:
    void SetUp() override {
        IdentityFixture::SetUp();
        mes_.program = "/nonexistent/mes-client";
        mes_.server = "10.1.2.3";
        mes_.workFolder = work_.path().string();
    }
    void Ask(int kind, int port, std::optional<BarcodeAnswer> answer) {
        barcodes_->InputBoxKind = kind;
        barcodes_->InputBoxPort = port;
        prompter_.Answer(std::move(answer));
        BarcodeContext ctx{*barcodes_, *settings_, prompter_, mes_};
        station::ShowBarcodeDialog(ctx);
    }
    std::string PortSn(int p) const { return barcodes_->PortBarcodeSN[static_cast<std::size_t>(p)].data(); }
    std::string PortWwn(int p) const { return barcodes_->PortBarcodeWWN[static_cast<std::size_t>(p)].data(); }
    std::string PortPpid(int p) const { return barcodes_->PortBarcodePPID[static_cast<std::size_t>(p)].data(); }

    TempDir work_;
    ui::ScriptedPrompter prompter_;
    station::MesClient mes_;
};

TEST_F(BarcodeStoreTest, PerPortCodesGoToThePortsBuffersAndRecord) {
    Ask(1, 3, BarcodeAnswer{"SN-PORT4", ""});
    Ask(2, 3, BarcodeAnswer{"5000C500DEADBEEF", ""});
    Ask(3, 3, BarcodeAnswer{"PPID-4", ""});
    EXPECT_EQ(PortSn(3), "SN-PORT4");
    EXPECT_EQ(Sn(3), "SN-PORT4");
    EXPECT_EQ(PortWwn(3), "5000C500DEADBEEF");
    EXPECT_EQ(Wwn(3), "5000C500DEADBEEF");
    EXPECT_EQ(PortPpid(3), "PPID-4");
    EXPECT_EQ(Ppid(3), "PPID-4");
    Ask(4, 5, BarcodeAnswer{"SN-PORT6", "PPID-6"});
    EXPECT_EQ(Sn(5), "SN-PORT6");
    EXPECT_EQ(Ppid(5), "PPID-6");
    ASSERT_EQ(prompter_.Records().size(), 4u);
    EXPECT_EQ(prompter_.Records()[0].caption, "Please Input the SN(Port4)");
    EXPECT_EQ(prompter_.Records()[3].barcode.label2, "Customer P/N(PPID)");
}

TEST_F(BarcodeStoreTest, SharedCodesGoToTheSharedBuffersOnly) {
    settings_->BarCodeInputMode = 1;
    Ask(4, 0, BarcodeAnswer{"SHARED-SN", "SHARED-PPID"});
    EXPECT_STREQ(barcodes_->SharedBarcodeSN.data(), "SHARED-SN");
    EXPECT_STREQ(barcodes_->SharedBarcodePPID.data(), "SHARED-PPID");
    EXPECT_EQ(PortSn(0), "");
    EXPECT_EQ(Sn(0), "");
    Ask(2, 0, BarcodeAnswer{"UID-1", ""});   // a WWN is always the port's own
    EXPECT_EQ(Wwn(0), "UID-1");
}

TEST_F(BarcodeStoreTest, CancelStoresNothingAndAnEmptyFieldStoresAnEmptyText) {
    Ask(1, 2, BarcodeAnswer{"FIRST", ""});
    Ask(1, 2, std::nullopt);
    EXPECT_EQ(Sn(2), "FIRST");
    Ask(1, 2, BarcodeAnswer{"", ""});
    EXPECT_EQ(PortSn(2), "");
    EXPECT_EQ(Sn(2), "");
}

TEST_F(BarcodeStoreTest, TextsLongerThanTheirBuffersAreRefusedWhole) {
    Ask(4, 1, BarcodeAnswer{std::string(39, 'S'), std::string(23, 'P')});
    EXPECT_EQ(Sn(1), std::string(39, 'S'));
    EXPECT_EQ(Ppid(1), std::string(23, 'P'));
    Ask(4, 1, BarcodeAnswer{std::string(40, 'S'), std::string(25, 'P')});
    EXPECT_EQ(Sn(1), "");
    EXPECT_EQ(PortPpid(1), "");
    Ask(2, 1, BarcodeAnswer{std::string(18, 'W'), ""});
    EXPECT_EQ(Wwn(1), "");
}

TEST_F(BarcodeStoreTest, ScannedSerialsAskTheMesWithEnADATAWWN) {
    settings_->EnADATAWWN = 1;
    Ask(1, 3, BarcodeAnswer{"SN-PORT4", ""});
    // The client here cannot start: the operator is told, nothing is stored.
    ASSERT_EQ(prompter_.Records().size(), 2u);
    EXPECT_EQ(prompter_.Records()[1].caption, "Warning");
    EXPECT_EQ(Sn(3), "SN-PORT4");
    EXPECT_EQ(Wwn(3), "");
}

TEST_F(BarcodeStoreTest, SharedKindFollowsTheSwitches) {
    EXPECT_EQ(station::SharedBarcodeKind(*settings_), station::kBarcodeNone);
    settings_->EnBarCode = 1;
    EXPECT_EQ(station::SharedBarcodeKind(*settings_), station::kBarcodeSn);
    settings_->EnPPID = 1;
    EXPECT_EQ(station::SharedBarcodeKind(*settings_), station::kBarcodeSnPpid);
    settings_->EnBarCode = 0;
    EXPECT_EQ(station::SharedBarcodeKind(*settings_), station::kBarcodePpid);
}

}  // namespace
}  // namespace qx::test

namespace qx::test {
namespace {

TEST_F(BarcodeStoreTest, AScannedSerialFetchesItsWwnFromTheMesInBothModes) {
    mes_.program = QX_FAKE_MES_CLIENT;
    settings_->EnADATAWWN = 1;
    for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{1}}) {
        SCOPED_TRACE(mode);
        settings_->BarCodeInputMode = mode;
        ClearPortTable(ActivePortTable);
        Ask(1, 4, BarcodeAnswer{"SN-PORT5", ""});
        EXPECT_EQ(Wwn(4), "5000C500A1B2C3D4");
        EXPECT_EQ(PortWwn(4), "5000C500A1B2C3D4");
    }
    EXPECT_EQ(prompter_.Records().size(), 2u) << "two bar-code prompts, no warning";
}

}  // namespace
}  // namespace qx::test
