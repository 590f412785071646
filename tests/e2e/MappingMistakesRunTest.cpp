#include <filesystem>

#include "RunFixture.h"
#include "base/Text.h"

using kiv::text::replaceAll;

namespace {

// A load of people.csv into Dest whose column mappings the tests replace.
std::string loadStep(const std::string& mappings, const std::string& extra = "") {
    return "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
           "SourceTableName=people.csv\r\nTargetConnection=Out\r\nTargetTableName=Dest\r\n"
           "SourceToDestinationColumnMappingSection=Cols\r\n" +
           extra + "[Cols]\r\n" + mappings +
           "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
           "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n";
}

const std::string kIdAndName =
    "SourceColumn_1=Id\r\nTargetColumn_1=Id\r\nSourceColumn_2=Name\r\nTargetColumn_2=Name\r\n";

}  // namespace

class MappingMistakesRunTest : public RunFixture {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.file("in"));
        dir.write("in/people.csv", "Id,Name,Country\r\n1,Ann,DE\r\n2,Bob,FR\r\n3,Cy,GB\r\n");
        dir.write("in/countries.csv", "Code,Label\r\nDE,Germany\r\nFR,France\r\n");
        sql("out.db", "CREATE TABLE Dest (Id INTEGER, Name VARCHAR(20), Country VARCHAR(20));");
    }

    // The messages of the report's detailed section, one per line.
    std::string detail() {
        const std::string all = report();
        return all.substr(all.find("Detailed Processing Information:"));
    }
    std::vector<std::string> written() { return query("out.db", "SELECT count(*) FROM Dest"); }
};

TEST_F(MappingMistakesRunTest, AMissingSourceColumnFailsOnceBeforeTheFirstRow) {
    package("spec.ini", "Mapping",
            loadStep("SourceColumn_1=Id\r\nTargetColumn_1=Id\r\n"
                     "SourceColumn_2=Nmae\r\nTargetColumn_2=Name\r\n"));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(written(), (std::vector<std::string>{"0"}));
    const std::string expected =
        "Step 'Load', [Cols] SourceColumn_2: the source table people.csv has no column 'Nmae'; its "
        "columns are: Id, Name, Country.";
    EXPECT_NE(detail().find("E: " + expected + "\r\n"), std::string::npos) << detail();
    // One message, not one per row.
    EXPECT_EQ(detail().find("E: ", detail().find("E: ") + 1), std::string::npos) << detail();
    EXPECT_NE(outcome.out.find("0 steps succeeded, 1 failed, 0 not processed"), std::string::npos)
        << outcome.out;
}

TEST_F(MappingMistakesRunTest, AMissingTargetColumnNamesTheDestinationTable) {
    package("spec.ini", "Mapping",
            loadStep("SourceColumn_1=Id\r\nTargetColumn_1=Id\r\n"
                     "SourceColumn_2=Name\r\nTargetColumn_2=FullName\r\n"));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(written(), (std::vector<std::string>{"0"}));
    EXPECT_NE(
        detail().find("E: Step 'Load', [Cols] TargetColumn_2: the destination table Dest has no "
                      "column 'FullName'; its columns are: Id, Name, Country."),
        std::string::npos)
        << detail();
}

TEST_F(MappingMistakesRunTest, AMappingSectionThatIsMissingOrEmptyMeansNoColumnMappings) {
    package("spec.ini", "Mapping",
            replaceAll(loadStep(kIdAndName), "MappingSection=Cols", "MappingSection=Colz"));
    auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(written(), (std::vector<std::string>{"0"}));
    EXPECT_NE(
        detail().find("E: Step 'Load', no column mappings: the section [Colz] does not exist or "
                      "holds no mapping."),
        std::string::npos)
        << detail();
    EXPECT_NE(
        outcome.err.find("[STEP 1] SourceToDestinationColumnMappingSection: no column mappings: "
                         "there is no section [Colz]."),
        std::string::npos)
        << outcome.err;

    package("empty.ini", "Empty", loadStep("Note=nothing here\r\n"));
    outcome = kivrun("-run empty.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("the section [Cols] holds no mapping."), std::string::npos)
        << outcome.err;
}

TEST_F(MappingMistakesRunTest, ALookupThatCannotBePreparedFailsBeforeTheFirstRow) {
    // "[countries.csv]" reads as a placeholder, which gives no column number.
    package(
        "spec.ini", "Lookup",
        loadStep(
            kIdAndName +
            "SourceMappingType_3=Lookup\r\nSourceColumn_3_P1=Country\r\n"
            "SourceMappingSQLConnection_3=Files\r\n"
            "SourceMappingSQLStatement_3=SELECT Label FROM [countries.csv] WHERE Code = [P1]\r\n"
            "TargetColumn_3=Country\r\n"));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(written(), (std::vector<std::string>{"0"}));
    EXPECT_NE(
        detail().find("E: Step 'Load', [Cols] SourceMappingSQLStatement_3: Unable to prepare the "
                      "Lookup SQL Statement: the placeholder '[countries.csv]' does not give a "
                      "column number."),
        std::string::npos)
        << detail();
    EXPECT_EQ(detail().find("No Lookup Command Object"), std::string::npos) << detail();
}

TEST_F(MappingMistakesRunTest, ALookupConnectionWithoutSectionOrThatDoesNotOpenFails) {
    const std::string lookup =
        "SourceMappingType_3=Lookup\r\nSourceColumn_3_P1=Country\r\n"
        "SourceMappingSQLConnection_3=Codes\r\n"
        "SourceMappingSQLStatement_3=SELECT Label FROM countries WHERE Code = [P1]\r\n"
        "TargetColumn_3=Country\r\n";
    package("unknown.ini", "Unknown", loadStep(kIdAndName + lookup));
    auto outcome = kivrun("-run -report report.txt unknown.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(written(), (std::vector<std::string>{"0"}));
    EXPECT_NE(detail().find("E: Step 'Load', [Cols] SourceMappingSQLConnection_3: Connection "
                            "'Codes' is not defined: the specification file has no section [Data "
                            "Connection - Codes]."),
              std::string::npos)
        << detail();

    // A connection only the lookup names, in a folder that does not exist.
    package("closed.ini", "Closed",
            loadStep(kIdAndName + lookup) +
                "[Data Connection - "
                "Codes]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/nowhere\r\n");
    outcome = kivrun("-run closed.ini");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(written(), (std::vector<std::string>{"0"}));
    EXPECT_NE(outcome.out.find(
                  "SourceMappingSQLConnection_3: the lookup connection 'Codes' could not be"),
              std::string::npos)
        << outcome.out;
}

TEST_F(MappingMistakesRunTest, AConnectionOnlyALookupNamesIsLoadedFromItsSection) {
    std::filesystem::create_directory(dir.file("codes"));
    dir.write("codes/countries.csv", "Code,Label\r\nDE,Germany\r\nGB,Britain\r\n");
    package("spec.ini", "Lookup",
            loadStep(kIdAndName +
                     "SourceMappingType_3=Lookup\r\nSourceColumn_3_P1=Country\r\n"
                     "SourceMappingSQLConnection_3=Codes\r\nSourceMappingOption_3_NULLLookups="
                     "Allow\r\nSourceMappingSQLStatement_3=SELECT Label FROM \"countries.csv\" "
                     "WHERE Code = [P1]\r\nTargetColumn_3=Country\r\n") +
                "[Data Connection - Codes]\r\nDatabaseType=TextFile\r\n"
                "Database=$(INIPath)/codes\r\n");
    EXPECT_EQ(kivrun("-check spec.ini").status, 0);
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 0) << detail();
    EXPECT_EQ(query("out.db", "SELECT Id, Name, quote(Country) FROM Dest ORDER BY Id"),
              (std::vector<std::string>{"1|Ann|'Germany'", "2|Bob|NULL", "3|Cy|'Britain'"}));
}

TEST_F(MappingMistakesRunTest, AValueThatDoesNotFitShowsTheWholeDescriptionAndItsRecord) {
    dir.write("in/people.csv", "Id,Name,Country\r\n1,Ann,DE\r\nlots,Bob,FR\r\n");
    dir.write("in/schema.ini",
              "[people.csv]\r\nColNameHeader=True\r\nCol1=Id Long\r\n"
              "Col2=Name Text Width 20\r\nCol3=Country Text Width 2\r\n");
    package("spec.ini", "Fit", loadStep(kIdAndName));
    const auto outcome = kivrun("-run -report report.txt spec.ini");
    EXPECT_EQ(outcome.status, 1);
    const std::string description = "people.csv, line 3, column Id: the value 'lots' is not a Long";
    EXPECT_NE(detail().find("E: " + description), std::string::npos) << detail();
    EXPECT_NE(outcome.out.find(description), std::string::npos) << outcome.out;
    EXPECT_EQ(written(), (std::vector<std::string>{"1"}));
}
