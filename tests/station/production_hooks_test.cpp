// Where the "Copy Image" step looks for its image file.
#include <gtest/gtest.h>

#include "station/run/production_hooks.h"

namespace qx::test {
namespace {

TEST(ImageFilePath, ANameIsTakenBesideTheProgramAndAFullPathAsItStands) {
    struct Case {
        const char* setting;
        const char* expected;
    };
    const Case cases[] = {
        {"QXSSD.img", "/opt/fablane/QXSSD.img"},
        {"images/QXSSD.img", "/opt/fablane/images/QXSSD.img"},
        {"/srv/images/QXSSD.img", "/srv/images/QXSSD.img"},
        {"c:\\QXSSD.img", "c:\\QXSSD.img"},
        {"d:\\img\\a.img", "d:\\img\\a.img"},
    };
    for (const Case& c : cases) EXPECT_EQ(station::ImageFilePath("/opt/fablane/", c.setting), c.expected) << c.setting;
}

}  // namespace
}  // namespace qx::test
