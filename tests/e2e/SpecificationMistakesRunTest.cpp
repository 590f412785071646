#include <filesystem>

#include "RunFixture.h"
#include "base/Text.h"

using kiv::text::replaceAll;

namespace {

const std::string kOut =
    "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n";

std::string examplesFolder() {
    return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples" /
            "customers")
        .string();
}

}  // namespace

using SpecificationMistakesRunTest = RunFixture;

TEST_F(SpecificationMistakesRunTest, AFileThatIsNoPackageIsReportedAndFailsTheRun) {
    dir.write("bogus.ini",
              "[Administration]\r\nFileType=Bogus\r\nFormatVersion=1.0.0\r\n"
              "PackageName=Bogus\r\n[STEP 1]\r\nStepName=Idle\r\nStepType=do nothing\r\n");
    auto outcome = kivrun("-run -report report.txt bogus.ini");
    EXPECT_EQ(outcome.status, 1);
    const std::string message =
        "bogus.ini: [Administration] FileType: Kiv File Type is not recognized.";
    EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
    EXPECT_NE(report().find("Specification Problems:"), std::string::npos) << report();
    EXPECT_NE(report().find(message), std::string::npos) << report();

    std::string noise;
    for (int i = 0; i < 256; ++i) {
        noise += static_cast<char>((i * 37 + 11) % 256);
    }
    dir.write("noise.ini", noise);
    outcome = kivrun("-run noise.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(
        outcome.err.find("noise.ini: [Administration] FileType: Kiv File Type is not recognized."),
        std::string::npos)
        << outcome.err;
}

TEST_F(SpecificationMistakesRunTest, APrerequisiteNamingNoStepIsSaidOnceAndFailsTheRun) {
    package("spec.ini", "Prereq",
            "[STEP 1]\r\nStepName=First\r\nStepType=do nothing\r\n"
            "[STEP 2]\r\nStepName=Second\r\nStepType=do nothing\r\nPrerequisiteTarget_1=Frist\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(
        outcome.err.find("spec.ini: [STEP 2] PrerequisiteTarget_1: no step is named 'Frist'."),
        std::string::npos)
        << outcome.err;
    EXPECT_NE(report().find("   Processing Status: Unknown Status\r\n"), std::string::npos)
        << report();
    const std::string said = "E: Prerequisite 'Frist' names no step.";
    ASSERT_NE(report().find(said), std::string::npos) << report();
    EXPECT_EQ(report().find(said, report().find(said) + 1), std::string::npos) << report();
    EXPECT_NE(
        outcome.out.find("1 step succeeded, 0 failed, 0 not processed, 1 with unknown status"),
        std::string::npos)
        << outcome.out;
}

TEST_F(SpecificationMistakesRunTest, AConnectionWithoutSectionIsNamed) {
    package("spec.ini", "Mrat",
            "[STEP 1]\r\nStepName=Count\r\nStepType=count records\r\nTargetConnection=Mrat\r\n"
            "TargetTableName=T\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    const std::string message =
        "Connection 'Mrat' is not defined: the specification file has no section [Data Connection "
        "- Mrat].";
    EXPECT_NE(report().find("E: " + message), std::string::npos) << report();
    EXPECT_NE(outcome.err.find("[STEP 1] TargetConnection: " + message), std::string::npos)
        << outcome.err;
}

TEST_F(SpecificationMistakesRunTest, ADataloadFromAConnectionWithoutSectionSaysSo) {
    sql("out.db", "CREATE TABLE Dest (Id INTEGER);");
    package("spec.ini", "Filez",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Filez\r\n"
            "SourceTableName=people.csv\r\nTargetConnection=Out\r\nTargetTableName=Dest\r\n" +
                kOut);
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(report().find("E: Connection 'Filez' is not defined: the specification file has no "
                            "section [Data Connection - Filez]."),
              std::string::npos)
        << report();
}

TEST_F(SpecificationMistakesRunTest, ASourceTableNamedOutrightMustExistAPatternNeedNot) {
    std::filesystem::create_directory(dir.file("in"));
    dir.write("in/orders.csv", "Id\r\n1\r\n");
    sql("out.db", "CREATE TABLE Dest (Id INTEGER);");
    const std::string step =
        "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
        "SourceTableName=TABLE\r\nTargetConnection=Out\r\nTargetTableName=Dest\r\n"
        "SourceToDestinationColumnMappingSection=Cols\r\n[Cols]\r\nSourceColumn_1="
        "Id\r\nTargetColumn_1=Id\r\n"
        "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n" +
        kOut;
    package("typo.ini", "Typo", replaceAll(step, "=TABLE", "=orders.cvs"));
    auto outcome = kivrun("-run -report report.txt typo.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(report().find("E: The source connection 'Files' has no table 'orders.cvs'."),
              std::string::npos)
        << report();

    package("pattern.ini", "Pattern", replaceAll(step, "=TABLE", "=invoices*"));
    outcome = kivrun("-run -report pattern.txt pattern.ini");
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_NE(
        TempDir::read(dir.file("pattern.txt"))
            .find("W: No table of the source connection 'Files' matches 'invoices*'; nothing was "
                  "loaded."),
        std::string::npos)
        << TempDir::read(dir.file("pattern.txt"));
}

TEST_F(SpecificationMistakesRunTest, RepeatedSectionsAndKeysAreWarnedAbout) {
    package("spec.ini", "Twice",
            "[STEP 1]\r\nStepName=One\r\nStepType=do nothing\r\nStepType=custom sql\r\n"
            "[STEP 1]\r\nStepName=Again\r\nStepType=do nothing\r\n");
    const auto outcome = kivrun("-run -debugfile debug.log spec.ini");
    EXPECT_EQ(outcome.status, 0);
    const std::string key =
        "spec.ini: [STEP 1] StepType: the key appears again on line 8; only its "
        "first occurrence counts.";
    const std::string section =
        "spec.ini: [STEP 1]: the section appears again on line 9; only its "
        "first occurrence counts.";
    EXPECT_NE(outcome.err.find("kivrun: warning: "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(key), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(section), std::string::npos) << outcome.err;
    const std::string log = TempDir::read(dir.file("debug.log"));
    EXPECT_NE(log.find(key), std::string::npos) << log;
    EXPECT_NE(log.find(section), std::string::npos) << log;
}

TEST_F(SpecificationMistakesRunTest, StepsAndMappingsAfterAGapInTheirNumberingAndUnknownOptionsAreWarnedAbout) {
    sql("out.db", "CREATE TABLE T (a TEXT, b TEXT, c TEXT);");
    package("spec.ini", "Gaps",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nTargetConnection=Out\r\n"
            "SourceConnection=Out\r\nSQLStatement=SELECT 'x' AS a, 'y' AS b, 'z' AS c\r\n"
            "TargetTableName=T\r\nSourceToDestinationColumnMappingSection=Cols\r\n"
            "[STEP 3]\r\nStepName=Lost\r\nStepType=do nothing\r\n"
            "[Cols]\r\nSourceColumn_1=a\r\nTargetColumn_1=a\r\n"
            "MappingOption_1_NULLSource=Copy nul\r\nmappingoption_1_conversionerror=Null\r\n"
            "SourceColum_2=b\r\n"
            "TargetColumn_2=b\r\nSourceColumn_3=c\r\nTargetColumn_3=c\r\n" +
                kOut);
    const std::string lostStep =
        "spec.ini: [STEP 3]: the section is never read: steps are read from [STEP 1] up to the "
        "first section that is missing or has no StepName key, here [STEP 2].";
    const std::string lostKey =
        "spec.ini: [Cols] SourceColumn_3: the key is never read: mappings are read from 1 up to "
        "the first number without both a source and a target, here mapping 2.";
    const auto check = kivrun("-check spec.ini");
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find(lostStep), std::string::npos) << check.out;
    EXPECT_NE(check.out.find(lostKey), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("[Cols] SourceColum_2: the key is never read"), std::string::npos)
        << check.out;
    EXPECT_EQ(check.out.find("[Cols] SourceColumn_1"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("spec.ini: [Cols] MappingOption_1_NULLSource: 'Copy nul' is none of "
                             "Copy NULL, Skip Record, Use Previous Value; Copy NULL is used "
                             "instead."),
              std::string::npos)
        << check.out;
    EXPECT_EQ(check.out.find("conversionerror"), std::string::npos) << check.out;

    const auto run = kivrun("-run spec.ini");
    EXPECT_NE(run.err.find("kivrun: warning: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(lostStep), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(lostKey), std::string::npos) << run.err;

    package("table.ini", "Table",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nTargetConnection=Out\r\n"
            "SourceConnection=Out\r\nSQLStatement=SELECT 'x' AS a\r\nTargetTabelName=T\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\nSourceColumn_1=a\r\nTargetColumn_1=a\r\n" +
                kOut);
    const auto table = kivrun("-check table.ini");
    EXPECT_EQ(table.status, 1);
    EXPECT_NE(table.out.find("table.ini: [STEP 1] TargetTableName: the step names no destination "
                             "table."),
              std::string::npos)
        << table.out;
}

TEST_F(SpecificationMistakesRunTest, CheckIsCleanOnTheExampleAndListsInjectedMistakes) {
    std::filesystem::copy(examplesFolder(), dir.path() + "/customers",
                          std::filesystem::copy_options::recursive);
    // The example writes into its output folder, which a fresh clone does not have yet.
    std::filesystem::remove_all(dir.path() + "/customers/output");
    std::filesystem::create_directory(dir.path() + "/customers/output");
    // The example's database is made by its own run: a check neither creates it nor counts it
    // as a mistake.
    const auto fresh = kivrun("-check customers/customers.ini");
    EXPECT_EQ(fresh.status, 0) << fresh.out << fresh.err;
    EXPECT_EQ(fresh.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/customers/output/warehouse.db"));
    // The example's tables come from its own first steps; a run creates them.
    ASSERT_EQ(kivrun("-run customers/customers.ini").status, 0);
    const std::string before = TempDir::read(dir.path() + "/customers/output/warehouse.db");
    auto outcome = kivrun("-check customers/customers.ini");
    EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(TempDir::read(dir.path() + "/customers/output/warehouse.db"), before);

    std::string spec = TempDir::read(dir.path() + "/customers/customers.ini");
    spec = replaceAll(spec, "StepType=count records", "StepType=count record");
    spec = replaceAll(spec, "PrerequisiteTarget_1=Create catalog table",
                      "PrerequisiteTarget_1=Create catalogue");
    spec = replaceAll(spec, "SourceTableName=countries.csv", "SourceTableName=countries.cvs");
    spec = replaceAll(spec, "SourceColumn_2=Name\nTargetColumn_2=Name\n; The",
                      "SourceColumn_2=Nmae\nTargetColumn_2=Name\n; The");
    spec = replaceAll(spec, "TargetColumn_3=Kind", "TargetColumn_3=Sort");
    dir.write("customers/broken.ini",
              replaceAll(spec, "PackageName=Customer import", "PackageName=Broken"));
    outcome = kivrun("-check customers/broken.ini");
    EXPECT_EQ(outcome.status, 1);
    const std::string file = dir.path() + "/customers/broken.ini: ";
    EXPECT_EQ(
        outcome.out,
        file +
            "[STEP 5] StepType: not a step type; the types are do nothing, external command, "
            "dataload, extract catalog, extract table structure, count records, custom sql.\n" +
            file + "[STEP 7] PrerequisiteTarget_1: no step is named 'Create catalogue'.\n" + file +
            "[STEP 3] SourceTableName: the source connection 'Files' has no table "
            "'countries.cvs': no such table: countries.cvs\n" +
            file +
            "[Customer columns] SourceColumn_2: the source table customers.csv has no "
            "column 'Nmae'; its columns are: Id, Name, Country, Joined, Credit.\n" +
            file +
            "[Catalog columns] TargetColumn_3: the destination table Catalog has no "
            "column 'Sort'; its columns are: Num, Name, Kind.\n");
}

TEST_F(SpecificationMistakesRunTest, CheckNamesDestinationsOfTypesThatAreOnlyRead) {
    std::filesystem::create_directory(dir.file("in"));
    dir.write("in/people.csv", "Name\r\nAnn\r\n");
    dir.write("page.html", "<html><body><table><tr><td>Name</td></tr></table></body></html>");
    std::filesystem::copy_file(
        std::filesystem::path(KIV_SOURCE_DIR) / "tests" / "data" / "workbook.xls",
        dir.file("book.xls"));
    const std::string step =
        "StepType=dataload\r\nSourceConnection=In\r\nSourceTableName=people.csv\r\n";
    package("spec.ini", "Read-only destinations",
            "[STEP 1]\r\nStepName=Page\r\n" + step +
                "TargetConnection=Page\r\nTargetTableName=Table1\r\n"
                "SourceToDestinationColumnMappingSection=PageCols\r\n"
                "[STEP 2]\r\nStepName=Book\r\n" +
                step +
                "TargetConnection=Book\r\nTargetTableName=People$\r\n"
                "SourceToDestinationColumnMappingSection=Cols\r\n"
                "[PageCols]\r\nSourceColumn_1=Name\r\nTargetColumn_1=F1\r\n"
                "[Cols]\r\nSourceColumn_1=Name\r\nTargetColumn_1=Name\r\n"
                "[Data Connection - In]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
                "[Data Connection - Page]\r\nDatabaseType=HTMLImport\r\n"
                "Database=$(INIPath)/page.html\r\n"
                "[Data Connection - Book]\r\nDatabaseType=MSExcel\r\n"
                "Database=$(INIPath)/book.xls\r\n");
    const std::string before = TempDir::read(dir.file("book.xls"));
    const auto outcome = kivrun("-check spec.ini");
    EXPECT_EQ(outcome.status, 1);
    const std::string file = dir.file("spec.ini") + ": ";
    EXPECT_EQ(outcome.out,
              file +
                  "[STEP 1] TargetConnection: the destination connection 'Page' takes no rows: "
                  "The HTML file '" +
                  dir.file("page.html") +
                  "' can be read but not written on this platform; a SQLite file or a server "
                  "database takes its place as a destination.\n" +
                  file +
                  "[STEP 2] TargetConnection: the destination connection 'Book' takes no rows: "
                  "The workbook '" +
                  dir.file("book.xls") +
                  "' is an existing .xls file, which can be read but not changed on this "
                  "platform (only a new .xls workbook is written); rows can be added to a "
                  "workbook in the .xlsx format.\n");
    EXPECT_EQ(TempDir::read(dir.file("book.xls")), before);
}
