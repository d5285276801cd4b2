// The rack's device-time option: read from [rack], and what one request
// costs when it is on.
#include <gtest/gtest.h>

#include "sim/rack/device_time.h"

namespace qx::sim {
namespace {

TEST(DeviceTime, OptionsOfTheRackSection) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> values;
        bool ok;
        bool real;
        double scale;
        double busMbps = 0;
    };
    const std::vector<Case> cases = {
        {{}, true, false, 1.0},
        {{{"device_time", "real"}}, true, true, 1.0},
        {{{"device_time", "none"}, {"scale", "4"}}, true, false, 4.0},
        {{{"device_time", "real"}, {"scale", "0.25"}}, true, true, 0.25},
        {{{"device_time", "fast"}}, false, false, 1.0},
        {{{"device_time", "real"}, {"scale", "0"}}, false, false, 1.0},
        {{{"device_time", "real"}, {"scale", "2x"}}, false, false, 1.0},
        {{{"bus_mbps", "480"}}, true, false, 1.0, 480},
        {{{"bus_mbps", "0"}}, true, false, 1.0, 0},
        {{{"bus_mbps", "-1"}}, false, false, 1.0},
        {{{"bus_mbps", "fast"}}, false, false, 1.0},
    };
    for (const Case& c : cases) {
        IniSection rack{"rack", c.values};
        DeviceTimeModel model;
        std::string error;
        EXPECT_EQ(DeviceTimeFromIni(rack, model, &error), c.ok) << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(model.real, c.real);
        EXPECT_DOUBLE_EQ(model.scale, c.scale);
        EXPECT_DOUBLE_EQ(model.busMbps, c.busMbps);
    }
}

TEST(DeviceTime, ARequestCostsItsTurnaroundAndItsDataScaled) {
    EXPECT_DOUBLE_EQ(ModelledMicros(0, {true, 1.0}), 200.0);
    EXPECT_DOUBLE_EQ(ModelledMicros(64 * 1024, {true, 1.0}), 200.0 + 65536.0 / 40.0);
    EXPECT_DOUBLE_EQ(ModelledMicros(512, {true, 0.5}), (200.0 + 12.8) * 0.5);
}

}  // namespace
}  // namespace qx::sim
