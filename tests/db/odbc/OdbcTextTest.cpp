#include <gtest/gtest.h>

#include "db/odbc/OdbcText.h"

using kiv::db::odbc::OdbcText;

TEST(OdbcTextTest, TextCrossesAsUtf16AndBack) {
    const std::string text =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80";
    const OdbcText::Wide wide = OdbcText::wide(text);
    ASSERT_EQ(wide.size(), 11U);
    EXPECT_EQ(wide[2], 0x00FC);
    EXPECT_EQ(wide[6], 0x20AC);
    EXPECT_EQ(wide[8], 0xD83D);
    EXPECT_EQ(wide[9], 0xDE00);
    EXPECT_EQ(wide[10], 0);
    EXPECT_EQ(OdbcText::length(wide.data()), 10U);
    EXPECT_EQ(OdbcText::utf8(wide.data(), 10), text);
}

TEST(OdbcTextTest, BrokenSequencesBecomeReplacementCharacters) {
    OdbcText::Wide wide;
    OdbcText::toWide("a\xC3(\xF0\x9F", wide);
    EXPECT_EQ(wide, (OdbcText::Wide{'a', 0xFFFD, '(', 0xFFFD, 0xFFFD}));
    const SQLWCHAR lone[] = {'x', 0xDC00, 'y', 0xD800};
    EXPECT_EQ(OdbcText::utf8(lone, 4), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(OdbcTextTest, ConvertingReusesTheBuffers) {
    std::string out = "previous value that is long";
    const SQLWCHAR text[] = {'o', 'k'};
    const char* before = out.data();
    OdbcText::toUtf8(text, 2, out);
    EXPECT_EQ(out, "ok");
    EXPECT_EQ(out.data(), before);
}
