// Where a window goes on a screen whose free area a task bar cuts: inside
// it with its frame, centred or moved in from where it was saved.
#include <gtest/gtest.h>

#include "ui/widgets/window_fit.h"

namespace qx::test {
namespace {

constexpr QMargins kFrame{4, 32, 4, 4};

struct FitCase {
    const char* what;
    QRect free;
    QSize wanted, least;
    std::optional<QPoint> at;
    QRect expected;
};

TEST(WindowFit, TheWindowStaysInsideTheFreeAreaWithItsFrame) {
    const FitCase cases[] = {
        {"1366x768, task bar below: shorter, centred across", {0, 0, 1366, 728}, {1192, 755}, {800, 500},
         std::nullopt, {87, 32, 1192, 692}},
        {"task bar on the left: centred on what is left", {60, 0, 1306, 768}, {1192, 755}, {800, 500},
         std::nullopt, {117, 32, 1192, 732}},
        {"1920x1080: the design size, centred", {0, 0, 1920, 1040}, {1192, 755}, {800, 500}, std::nullopt,
         {364, 156, 1192, 755}},
        {"a layout that needs more than the design size", {0, 0, 1920, 1040}, {1192, 755}, {1282, 600},
         std::nullopt, {319, 156, 1282, 755}},
        {"a saved place off the screen is moved in", {0, 0, 1366, 728}, {600, 600}, {800, 500}, QPoint(5000, -40),
         {762, 32, 600, 600}},
        {"a saved size larger than the screen", {0, 0, 1366, 728}, {2147483, 700}, {800, 500}, QPoint(0, 0),
         {4, 32, 1358, 692}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QRect got = ui::FittedGeometry(c.free, kFrame, c.wanted, c.least, c.at);
        EXPECT_EQ(got, c.expected);
        EXPECT_TRUE(c.free.contains(got.marginsAdded(kFrame)));
    }
}

}  // namespace
}  // namespace qx::test
