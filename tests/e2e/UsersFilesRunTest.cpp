// Runs on the kind of files users bring along: databases named with a typo, text exported by
// other programs.
#include <filesystem>

#include "RunFixture.h"

namespace {

const std::string kLoad =
    "[STEP "
    "1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=In\r\nSourceTableName=People\r\n"
    "TargetConnection=Out\r\nTargetTableName=Dest\r\nSourceToDestinationColumnMappingSection="
    "Cols\r\n"
    "[Cols]\r\nSourceColumn_1=Id\r\nTargetColumn_1=Id\r\nSourceColumn_2=Name\r\nTargetColumn_2="
    "Name\r\n";

const std::string kSqliteIn =
    "[Data Connection - In]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/in.db\r\n";

}  // namespace

using UsersFilesRunTest = RunFixture;

TEST_F(UsersFilesRunTest, AMissingDatabaseFileIsNotCreatedForReading) {
    sql("out.db", "CREATE TABLE Dest (Id INTEGER, Name TEXT);");
    package("spec.ini", "Typo",
            kLoad +
                "[Data Connection - In]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/inn.db\r\n"
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("inn.db")));
    EXPECT_NE(report().find("The database file '" + dir.file("inn.db") + "' does not exist."),
              std::string::npos)
        << report();
}

TEST_F(UsersFilesRunTest, AReadOnlyConnectionDoesNotCreateItsFileEvenAsTarget) {
    sql("in.db",
        "CREATE TABLE People (Id INTEGER, Name TEXT); INSERT INTO People VALUES (1, 'Ann');");
    package("spec.ini", "Read only",
            kLoad + kSqliteIn +
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n"
                "ReadOnlyMode=True\r\n");
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.db")));
    EXPECT_NE(report().find("The database file '" + dir.file("out.db") + "' does not exist."),
              std::string::npos)
        << report();
}

TEST_F(UsersFilesRunTest, ADatabaseFileWrittenToIsCreatedAndTheReportAndLogSaySo) {
    sql("in.db",
        "CREATE TABLE People (Id INTEGER, Name TEXT); INSERT INTO People VALUES (1, 'Ann');");
    package("spec.ini", "Created",
            "[STEP 1]\r\nStepName=Make\r\nStepType=custom sql\r\nTargetConnection=Out\r\n"
            "SQLStatement=CREATE TABLE Dest (Id INTEGER, Name TEXT)\r\n"
            "[STEP 2]\r\nStepName=Load\r\nStepType=dataload\r\nPrerequisiteTarget_1=Make\r\n"
            "SourceConnection=In\r\nSourceTableName=People\r\nTargetConnection=Out\r\n"
            "TargetTableName=Dest\r\nSourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\nSourceColumn_1=Id\r\nTargetColumn_1=Id\r\nSourceColumn_2=Name\r\n"
            "TargetColumn_2=Name\r\n" +
                kSqliteIn +
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/new.db\r\n");
    const auto outcome = kivrun("-run -report report.txt -debugfile debug.log spec.ini");
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_EQ(query("new.db", "SELECT Name FROM Dest"), (std::vector<std::string>{"Ann"}));
    const std::string told = "Connection 'Out': created new database file " + dir.file("new.db");
    EXPECT_NE(
        report().find("1. Make  -- Final Status: Successfully Processed\r\n        I: " + told),
        std::string::npos)
        << report();
    EXPECT_NE(TempDir::read(dir.file("debug.log")).find(told), std::string::npos);
}

TEST_F(UsersFilesRunTest, TextSurprisesAreToldInTheReportAndTheDebugLog) {
    std::filesystem::create_directory(dir.file("in"));
    // A UTF-8 export with, far down, a line typed in Windows-1252 and a row with a field too
    // many.
    std::string people = "Id,Name\r\n";
    int id = 0;
    while (people.size() < 70000) {
        people += std::to_string(++id) + ",\xC3\x84rger\r\n";
    }
    const int strayLine = id + 2;
    people += std::to_string(++id) + ",M\xFCller\r\n";
    people += std::to_string(++id) + ",Ann,Oslo\r\n";
    dir.write("in/people.csv", people);
    sql("out.db", "CREATE TABLE Dest (Id INTEGER, Name TEXT);");
    package("spec.ini", "Text",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=In\r\n"
            "SourceTableName=people.csv\r\nTargetConnection=Out\r\nTargetTableName=Dest\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\nSourceColumn_1=Id\r\nTargetColumn_1=Id\r\nSourceColumn_2=Name\r\n"
            "TargetColumn_2=Name\r\n"
            "[Data Connection - In]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    const auto outcome = kivrun("-run -report report.txt -debugfile debug.log spec.ini");
    EXPECT_EQ(outcome.status, 0) << report();
    EXPECT_EQ(query("out.db", "SELECT Name FROM Dest WHERE Id IN (1, " + std::to_string(id - 1) +
                                  ", " + std::to_string(id) + ") ORDER BY Id"),
              (std::vector<std::string>{"\xC3\x84rger", "M\xC3\xBCller", "Ann"}));
    const std::string extra = "Connection 'In': people.csv, line " + std::to_string(id + 1) +
                              ": the row has 3 fields, more than the 2 columns of the file";
    EXPECT_NE(report().find("        W: " + extra), std::string::npos) << report();
    const std::string log = TempDir::read(dir.file("debug.log"));
    EXPECT_NE(log.find(extra), std::string::npos);
    EXPECT_NE(log.find("Connection 'In': people.csv, line " + std::to_string(strayLine) +
                       ": bytes that are not UTF-8 were read as Windows-1252"),
              std::string::npos);
    EXPECT_EQ(report().find("Windows-1252"), std::string::npos);
}
