#include "driver/ProcessingReport.h"

#include <gtest/gtest.h>

namespace kiv {

TEST(ProcessingReportTest, WrapLabelledTextBreaksAtBlanksLineEndsAndLongWords) {
    std::vector<std::string> lines;
    ProcessingReport::WrapLabelledText(lines, "", "Status Message:", 19, 50);
    EXPECT_EQ(lines, (std::vector<std::string>{"Status Message:    "}));

    lines.clear();
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += "word" + std::to_string(i % 10) + " ";
    }
    ProcessingReport::WrapLabelledText(lines, text, "Status Message:", 19, 50);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Status Message:    word0 word1 word2 word3 word4 word5 word6 word7");
    EXPECT_EQ(lines[1], std::string(19, ' ') + "word8 word9 word0 word1 word2 word3 word4 word5");

    lines.clear();
    ProcessingReport::WrapLabelledText(lines, "Failed\r\n", "Status Message:", 19, 50);
    EXPECT_EQ(lines, (std::vector<std::string>{"Status Message:    Failed", std::string(19, ' ')}));

    lines.clear();
    ProcessingReport::WrapLabelledText(lines, std::string(60, 'x'), "L:", 4, 50);
    EXPECT_EQ(lines, (std::vector<std::string>{"L:  " + std::string(50, 'x'), "    " + std::string(10, 'x')}));
}

TEST(ProcessingReportTest, ContinuationLinesFollowThePrefix) {
    EXPECT_EQ(ProcessingReport::IndentContinuationLines("     E: ", "one\r\ntwo"),
              "     E: one\r\n        two");
    EXPECT_EQ(ProcessingReport::IndentContinuationLines("ab", "x\r\n"), "abx\r\n  ");
}

}  // namespace kiv
