// A zeroed settings record and port table with a few connected ports, the
// bar-code buffers and the identity steps over them on a fixed date.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/global_parameter.h"
#include "station/identity/barcode_buffers.h"
#include "station/identity/identity_steps.h"

namespace qx::test {

inline constexpr station::CalendarDate kJune12th2015{2015, 6, 12};

class IdentityFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ClearPortTable(ActivePortTable);
        savedPortCount_ = PortCount;
        PortCount = 8;
        settings_ = std::make_unique<GlobalParameter>();
        barcodes_ = std::make_unique<station::BarcodeState>();
        steps_ = std::make_unique<station::IdentitySteps>(*settings_, *barcodes_, [] { return kJune12th2015; });
    }
    void TearDown() override {
        ClearPortTable(ActivePortTable);
        PortCount = savedPortCount_;
    }

    void Connect(std::initializer_list<int> ports) {
        for (int p : ports) ActivePortTable[static_cast<std::size_t>(p)].Connected = 1;
    }
    static PortRecord& Rec(int port) { return ActivePortTable[static_cast<std::size_t>(port)]; }
    static std::string Sn(int port) { return std::string(PortText(Rec(port).SerialNumber)); }
    static std::string Wwn(int port) { return std::string(PortText(Rec(port).Wwn)); }
    static std::string Ppid(int port) { return std::string(PortText(Rec(port).Ppid)); }
    std::string Counter() const { return std::string(FixedTextView(settings_->SerialNum)); }
    std::string Uid() const { return std::string(FixedTextView(settings_->UID)); }

    std::unique_ptr<GlobalParameter> settings_;
    std::unique_ptr<station::BarcodeState> barcodes_;
    std::unique_ptr<station::IdentitySteps> steps_;
    int savedPortCount_ = 0;
};

}  // namespace qx::test
