#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "base/Encoding.h"
#include "base/Path.h"
#include "base/Text.h"

namespace kiv {

TEST(TextTest, SplitCrLfFollowsTheLogLineRules) {
    using Pieces = std::vector<std::string_view>;
    EXPECT_EQ(text::splitCrLf("a\r\n\r\nb"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(text::splitCrLf("a\r\n"), (Pieces{"a"}));
    EXPECT_EQ(text::splitCrLf(""), (Pieces{""}));
    EXPECT_EQ(text::splitCrLf("a\nb"), (Pieces{"a\nb"}));
}

TEST(TextTest, TrimRemovesBlanksOnlyAndFoldingIsAscii) {
    EXPECT_EQ(text::trim("  a b\t "), "a b\t");
    EXPECT_EQ(text::trimWhitespace(" \ta\r\n"), "a");
    EXPECT_TRUE(text::iequals("SourceServer", "sourceSERVER"));
    EXPECT_EQ(text::toLower("ÄB"), "Äb");
}

TEST(PathTest, BackslashesSeparateAndRelativePartsResolve) {
    EXPECT_EQ(path::fullPath("specs\\..\\data\\.\\a.ini", "/base/dir"), "/base/dir/data/a.ini");
    EXPECT_EQ(path::fullPath("/x/../../y"), "/y");
    EXPECT_EQ(path::directoryOf("/a/b/c.ini"), "/a/b");
    EXPECT_EQ(path::directoryOf("/c.ini"), "/");
    EXPECT_EQ(path::fileNameOf("C:\\Specs\\Load.INI"), "Load.INI");
}

TEST(PathTest, AnExistingPathDifferingInLetterCaseIsFound) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("Data"));
    dir.write("Data/People.CSV", "x");
    EXPECT_EQ(path::resolveExisting(dir.path() + "\\data\\people.csv"), dir.file("Data/People.CSV"));
    EXPECT_EQ(path::resolveExisting(dir.file("data/missing.csv")), dir.file("data/missing.csv"));
}

TEST(EncodingTest, FilesDecodeAsUtf8OrWindows1252) {
    EXPECT_EQ(encoding::decodeText("caf\xc3\xa9"), "caf\xc3\xa9");
    EXPECT_EQ(encoding::decodeText("caf\xe9 \x80"), "caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(encoding::decodeText("\xEF\xBB\xBFx"), "x");
    EXPECT_EQ(encoding::decodeText(std::string("\xFF\xFEh\0i\0", 6)), "hi");
    EXPECT_EQ(encoding::cp437ToUtf8("\x81"), "\xc3\xbc");
    EXPECT_EQ(encoding::utf8ToWindows1252("\xe2\x82\xac\xc3\xa9\xe4\xb8\xad"), "\x80\xe9?");
    EXPECT_FALSE(encoding::isValidUtf8("\xed\xa0\x80"));  // an encoded surrogate
}

}  // namespace kiv
