#include "settings/clsINIFile.h"

#include <gtest/gtest.h>

#include <chrono>

#include "TempDir.h"
#include "settings/IniDocument.h"

namespace kiv {

class clsINIFileTest : public ::testing::Test {
protected:
    TempDir dir;
    clsINIFile ini;
};

TEST_F(clsINIFileTest, ValueRulesOfSettingsFiles) {
    ini.sINIFileName(dir.write("spec.ini",
                               "; comment\r\n"
                               "[Administration]\r\n"
                               "  Package Name  =  Nightly Load  \r\n"
                               "Quoted=\"  padded  \"\r\n"
                               "Single='x'\r\n"
                               "Mixed=\"x'\r\n"
                               "Empty=\r\n"
                               ";Hidden=yes\r\n"
                               "Equals=a=b\r\n"
                               "package name=second wins not\r\n"
                               "[ADMINISTRATION]\r\n"
                               "Other=from the second section\r\n"));
    ini.sSectionName("administration");
    ini.sDefault("<none>");
    EXPECT_EQ(ini.sItemValue("PACKAGE NAME"), "Nightly Load");
    EXPECT_EQ(ini.sItemValue("Quoted"), "  padded  ");
    EXPECT_EQ(ini.sItemValue("Single"), "x");
    EXPECT_EQ(ini.sItemValue("Mixed"), "\"x'");
    EXPECT_EQ(ini.sItemValue("Empty"), "");
    EXPECT_EQ(ini.sItemValue("Hidden"), "<none>");
    EXPECT_EQ(ini.sItemValue(";Hidden"), "<none>");
    EXPECT_EQ(ini.sItemValue("Equals"), "a=b");
    EXPECT_EQ(ini.sItemValue("Other"), "<none>");
    EXPECT_EQ(ini.sItemValue("Missing", clsINIFile::ParamNotSupplied, clsINIFile::ParamNotSupplied,
                             "given"),
              "given");
    EXPECT_EQ(ini.sItemValue("Package Name", "Nowhere"), "<none>");
    EXPECT_EQ(ini.sItemValue("Package Name", "Administration", dir.file("missing.ini"), "d"), "d");
    EXPECT_EQ(ini.iLastErrorCode(), 0);
}

TEST_F(clsINIFileTest, SectionsAndRepetitionsAreKnown) {
    const std::string file = dir.write("spec.ini",
                                       "[Step 1]\r\nStepName=A\r\n; StepName=comment\r\n"
                                       "stepname = B\r\n[Empty]\r\n[STEP 1]\r\nStepName=C\r\n");
    ini.sINIFileName(file);
    EXPECT_TRUE(ini.SectionExists("step 1"));
    EXPECT_TRUE(ini.SectionExists("Empty"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
    const auto& repetitions = IniDocument::Load(file)->Repetitions();
    ASSERT_EQ(repetitions.size(), 2u);
    EXPECT_EQ(repetitions[0].line, 4);
    EXPECT_EQ(repetitions[0].section, "Step 1");
    EXPECT_EQ(repetitions[0].key, "stepname");
    EXPECT_EQ(repetitions[1].line, 6);
    EXPECT_EQ(repetitions[1].section, "STEP 1");
    EXPECT_EQ(repetitions[1].key, "");
    // Keys of a repeated section are not read, so they repeat nothing.
    EXPECT_EQ(ini.sItemValue("StepName", "Step 1"), "A");
}

TEST_F(clsINIFileTest, LongValuesAndWindows1252AreReadWhole) {
    const std::string longValue(40000, 'v');
    ini.sINIFileName(dir.write("long.ini", "[S]\nLong=" + longValue + "\nName=Caf\xe9\n"));
    EXPECT_EQ(ini.sItemValue("Long", "S"), longValue);
    EXPECT_EQ(ini.sItemValue("Name", "S"), "Caf\xc3\xa9");
}

TEST_F(clsINIFileTest, NumbersAndBooleans) {
    ini.sINIFileName(dir.write("n.ini", "[S]\nN=42\nBad=4x\nYes= yes\nOne=1\nT=true\n"));
    ini.sSectionName("S");
    EXPECT_EQ(ini.lItemValue("N"), 42);
    EXPECT_EQ(ini.lItemValue("Bad"), 0);
    EXPECT_EQ(ini.lItemValue("Missing", "S", clsINIFile::ParamNotSupplied, -7), -7);
    EXPECT_TRUE(ini.bItemValue("Yes"));
    EXPECT_FALSE(ini.bItemValue("One"));
    EXPECT_TRUE(ini.bItemValue("T"));
    EXPECT_TRUE(ini.bItemValue("Missing", "S", clsINIFile::ParamNotSupplied, true));
    EXPECT_EQ(ini.sErrorCode(7), "Unknown Error (7)");
    EXPECT_EQ(ini.sErrorCode(1), "miINI_FILE_NOT_FOUND");
}

TEST_F(clsINIFileTest, WritingChangesOnlyTheKeyItTouches) {
    const std::string file = dir.write("w.ini",
                                       "; keep me\r\n"
                                       "[Window]\r\n"
                                       "Top = 10\r\n"
                                       "Left=5\r\n"
                                       "\r\n"
                                       "[Other]\r\n"
                                       "X=1\r\n");
    ini.sINIFileName(file);
    ini.sItemValueLet("20", "TOP", "window");
    ini.sItemValueLet("300", "Width", "Window");
    ini.lItemValueLet(7, "Height", "New Section");
    EXPECT_EQ(TempDir::read(file),
              "; keep me\r\n"
              "[Window]\r\n"
              "TOP=20\r\n"
              "Left=5\r\n"
              "Width=300\r\n"
              "\r\n"
              "[Other]\r\n"
              "X=1\r\n"
              "[New Section]\r\n"
              "Height=7\r\n");
    EXPECT_EQ(ini.sItemValue("top", "WINDOW"), "20");
    ini.bItemValueLet(true, "Flag", "Fresh", dir.file("created.ini"));
    EXPECT_EQ(TempDir::read(dir.file("created.ini")), "[Fresh]\r\nFlag=True\r\n");
}

TEST_F(clsINIFileTest, AChangedFileIsReadAgain) {
    const std::string file = dir.write("c.ini", "[S]\nK=old\n");
    EXPECT_EQ(ini.sItemValue("K", "S", file), "old");
    dir.write("c.ini", "[S]\nK=newer value\n");
    EXPECT_EQ(ini.sItemValue("K", "S", file), "newer value");
}

TEST_F(clsINIFileTest, ThousandsOfReadsParseTheFileOnce) {
    std::string content = "[Steps]\n";
    for (int i = 1; i <= 2000; ++i) {
        content += "Key" + std::to_string(i) + "=Value " + std::to_string(i) + "\n";
    }
    ini.sINIFileName(dir.write("big.ini", content));
    ini.sSectionName("Steps");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= 2000; ++i) {
        ASSERT_EQ(ini.sItemValue("key" + std::to_string(i)), "Value " + std::to_string(i));
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 100);
}

}  // namespace kiv
