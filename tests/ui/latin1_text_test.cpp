#include "ui/latin1_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qx::ui {
namespace {

// Drive answers and INI values are bytes; a window shows byte n as U+00nn
// and reads it back unchanged, whatever the locale's code page is.
TEST(Latin1Text, EveryByteShowsAsItsOwnCharacterAndReadsBackUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const QString shown = Q(all);
    ASSERT_EQ(shown.size(), 256);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(shown[b].unicode(), b) << "byte " << b;
    EXPECT_EQ(S(shown), all);
}

TEST(Latin1Text, TwoBytesOfAUtf8SequenceStayTwoCharacters) {
    EXPECT_EQ(Q("\xC3\xA9"), QString::fromUtf16(u"\u00C3\u00A9"));
}

TEST(Latin1Text, ACharacterOutsideLatin1ReadsAsAQuestionMark) {
    EXPECT_EQ(S(QString::fromUtf16(u"SN\u00E9\u4E2D")), std::string("SN\xE9?"));
}

}  // namespace
}  // namespace qx::ui
