#include <filesystem>
#include <set>

#include "../e2e/RunFixture.h"
#include "connections/PasswordMask.h"
#include "db/ConnectString.h"
#include "db/odbc/OdbcConnectString.h"
#include "settings/clsEnvironmentVariables.h"

namespace {

const std::string kHostile = "y';touch INJECTED;'";

// The names in a folder, but those of the run's report and captured output.
std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    for (const char* run : {"report.txt", "stdin.txt", "stdout.txt", "stderr.txt"}) {
        names.erase(run);
    }
    return names;
}

}  // namespace

using ShellInjectionTest = RunFixture;

// A file name with quotes and semicolons opens that very file, and a command line that would
// hand it to the shell is not run: the step names the variable and the value instead.
TEST_F(ShellInjectionTest, AFileNameNeitherBreaksTheConnectStringNorReachesTheShell) {
    sql(kHostile + ".db", "CREATE TABLE People (Id INTEGER); INSERT INTO People VALUES (7);");
    sql("out.db", "CREATE TABLE Dest (Id INTEGER);");
    package("spec.ini", "Names",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=In\r\n"
            "SourceTableName=People\r\nTargetConnection=Out\r\nTargetTableName=Dest\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n"
            "[STEP 2]\r\nStepName=Announce\r\nStepType=external command\r\n"
            "PrerequisiteTarget_1=Load\r\n"
            "ExternalCommandLine=echo '$(In-CurrentDatabase)' > seen.txt\r\n"
            "ExternalStartingFolder=$(INIPath)\r\n"
            "[Cols]\r\nSourceColumn_1=Id\r\nTargetColumn_1=Id\r\n"
            "[Data Connection - In]\r\nDatabaseType=SQLite\r\nPrimaryInputDataSource=True\r\n"
            "Database=$(INIPath)/y*.db\r\n"
            "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
    const auto before = entries(dir.path());
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(query("out.db", "SELECT Id FROM Dest"), (std::vector<std::string>{"7"}));
    EXPECT_NE(report().find("External Command not run: the variable $(In-CurrentDatabase) holds "
                            "shell metacharacters in its value '" +
                            dir.file(kHostile + ".db") +
                            "', which comes from a file, folder, table or database name."),
              std::string::npos)
        << report();
    EXPECT_EQ(entries(dir.path()), before);
}

// The same for a table name a load publishes, and for a text folder and a SQLite file whose
// names hold the characters that delimit connect strings.
TEST_F(ShellInjectionTest, TableAndFolderNamesWithConnectStringCharacters) {
    const std::string folder = "in; x=1 {a} \"b\" 'c'";
    std::filesystem::create_directory(dir.file(folder));
    dir.write(folder + "/" + kHostile + ".csv", "Id\r\n1\r\n2\r\n");
    const std::string output = "out;Mode=ro {x}} \"q\".db";
    sql(output, "CREATE TABLE Dest (Id INTEGER);");
    package("spec.ini", "Names",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=In\r\n"
            "SourceTableName=y*\r\nTargetConnection=Out\r\nTargetTableName=Dest\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n"
            "[STEP 2]\r\nStepName=Announce\r\nStepType=external command\r\n"
            "PrerequisiteTarget_1=Load\r\n"
            "ExternalCommandLine=echo $(Load-CurrentSourceTable:sub,1,5) > seen.txt\r\n"
            "ExternalStartingFolder=$(INIPath)\r\n"
            "[Cols]\r\nSourceColumn_1=Id\r\nTargetColumn_1=Id\r\n"
            "[Data Connection - In]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/" +
                folder +
                "\r\n"
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/" +
                output + "\r\n");
    const auto before = entries(dir.path());
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(query(output, "SELECT Id FROM Dest ORDER BY Id"),
              (std::vector<std::string>{"1", "2"}));
    EXPECT_NE(report().find("the variable $(Load-CurrentSourceTable) holds shell metacharacters"),
              std::string::npos)
        << report();
    EXPECT_EQ(entries(dir.path()), before);
}

TEST(ShellUnsafeEntry, PublishedValuesOnlyAndWhereverTheyReach) {
    kiv::clsEnvironmentVariables environment;
    environment.Publish("File", "a;b.csv");
    environment.Publish("Plain", "plain.csv");
    environment.Add("Mine", "x && y");
    environment.Add("Derived", environment.ReplaceEnvironmentVariables("[$(File)]"));
    const auto unsafe = [&](const std::string& written) {
        const auto entry =
            environment.ShellUnsafeEntry(written, environment.ReplaceEnvironmentVariables(written));
        return entry ? entry->MappingName() : std::string("-");
    };
    EXPECT_EQ(unsafe("cat $(file)"), "File");
    EXPECT_EQ(unsafe("cat $(File:sub,1,1)"), "File");
    EXPECT_EQ(unsafe("cat $(Derived)"), "File");
    EXPECT_EQ(unsafe("cat $(Plain) $(Mine)"), "-");
    EXPECT_EQ(unsafe("cat 'a;b.csv'"), "-");
    environment.Add("File", "a;b.csv");
    EXPECT_EQ(unsafe("cat $(File)"), "-");
}

TEST(ConnectStringQuoting, HostileValuesComeBackAsTheyWere) {
    for (const std::string& value :
         {std::string("plain"), std::string("a;b"), std::string("x\"y"), std::string("{z}"),
          std::string(" lead"), std::string("trail "), std::string("k=v;Data Source=/etc/x")}) {
        EXPECT_EQ(kiv::db::ConnectString("Data Source=" + kiv::db::ConnectString::asValue(value) +
                                         ";FailIfMissing=True")
                      .value("data source"),
                  value);
        const auto odbc = kiv::db::odbc::OdbcConnectString(
            "DBQ=" + kiv::db::odbc::OdbcConnectString::asValue(value) +
            ";PWD=" + kiv::db::odbc::OdbcConnectString::braced(value + "}") + ";");
        EXPECT_EQ(odbc.value("DBQ"), value);
        EXPECT_EQ(odbc.value("PWD"), value + "}");
    }
    EXPECT_EQ(kiv::MaskConnectStringPassword("UID={u};PWD={a}};b}};c};Database=d"),
              "UID={u};PWD={" + std::string(kiv::kMaskedPassword) + "};Database=d");
}
