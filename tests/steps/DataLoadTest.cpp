#include "StepFixture.h"

namespace kiv {

class DataLoadTest : public StepFixture {
protected:
    void SetUp() override {
        sql("target.db", "CREATE TABLE Dest (Id INTEGER, Name VARCHAR(20));");
    }
    void source(int rows) {
        std::string statement = "CREATE TABLE People (Id INTEGER, Name TEXT);";
        for (int i = 1; i <= rows; ++i) {
            statement += "INSERT INTO People VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) + "');";
        }
        sql("source.db", statement);
    }
    std::string loadStep(const std::string& extra) {
        return "[STEP 1]\nStepName=Load\nStepType=dataload\nSourceConnection=Source\n"
               "SourceTableName=People\nTargetConnection=Target\nTargetTableName=Dest\n"
               "SourceToDestinationColumnMappingSection=Columns\n" + extra +
               "\n[Columns]\nSourceColumn_1=Id\nTargetColumn_1=Id\nSourceColumn_2=Name\nTargetColumn_2=Name\n";
    }
    std::vector<std::int32_t> progress;
    Subscription progressSubscription;
    void watch(clsKivStep& loading) {
        progressSubscription = loading.Progress.subscribe([this](std::int32_t rows) { progress.push_back(rows); });
    }
};

TEST_F(DataLoadTest, ProgressEveryTwentyFiveRowsAndAtTheEnd) {
    source(60);
    load(loadStep(""));
    watch(*step("Load"));
    EXPECT_EQ(step("Load")->Process(), kssSucceeded);
    EXPECT_EQ(progress, (std::vector<std::int32_t>{25, 50, 60}));
    EXPECT_EQ(step("Load")->RowsProcessed(), 60);
    EXPECT_EQ(query("target.db", "SELECT COUNT(*), MAX(Name) FROM Dest"), (std::vector<std::string>{"60|n9"}));
}

TEST_F(DataLoadTest, FiftyRowsReportFiftyTwice) {
    source(50);
    load(loadStep(""));
    watch(*step("Load"));
    step("Load")->Process();
    EXPECT_EQ(progress, (std::vector<std::int32_t>{25, 50, 50}));
}

TEST_F(DataLoadTest, MaximumAndSkipCounts) {
    source(10);
    load(loadStep("MaxRowsToLoad=3\nSkipRecordCount=2\n"));
    EXPECT_EQ(step("Load")->Process(), kssSucceeded);
    EXPECT_EQ(query("target.db", "SELECT Id FROM Dest"), (std::vector<std::string>{"3", "4", "5"}));
}

TEST_F(DataLoadTest, MaximumZeroAndSkipBeyondTheEndLoadNothing) {
    source(5);
    load(loadStep("MaxRowsToLoad=0\n") + "[STEP 2]\nStepName=Skip\nStepType=dataload\n"
         "SourceConnection=Source\nSourceTableName=People\nTargetConnection=Target\n"
         "TargetTableName=Dest\nSourceToDestinationColumnMappingSection=Columns\nSkipRecordCount=10\n");
    watch(*step("Load"));
    EXPECT_EQ(step("Load")->Process(), kssSucceeded);
    EXPECT_EQ(progress, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(step("Skip")->Process(), kssSucceeded);
    EXPECT_EQ(step("Skip")->RowsProcessed(), 0);
    EXPECT_EQ(query("target.db", "SELECT COUNT(*) FROM Dest"), (std::vector<std::string>{"0"}));
}

TEST_F(DataLoadTest, SkippedRowsAreCountedInADisplayMessage) {
    sql("source.db", "CREATE TABLE People (Id INTEGER, Name TEXT);"
                     "INSERT INTO People VALUES (1, 'a'), (NULL, 'b'), (3, 'c'), (NULL, 'd');");
    load(loadStep("") + "MappingOption_1_NULLSource=Skip Record\n");
    EXPECT_EQ(step("Load")->Process(), kssSucceeded);
    // Added with record context, so the display message comes with its companion.
    EXPECT_EQ(messages(*step("Load"), true),
              (std::vector<std::string>(2, "111:Successfully Processed.  Skipped 2 records.")));
    EXPECT_EQ(query("target.db", "SELECT Id FROM Dest"), (std::vector<std::string>{"1", "3"}));
}

TEST_F(DataLoadTest, OneSkippedRowIsSingular) {
    sql("source.db", "CREATE TABLE People (Id INTEGER, Name TEXT);"
                     "INSERT INTO People VALUES (1, 'a'), (NULL, 'b');");
    load(loadStep("") + "MappingOption_1_NULLSource=Skip Record\n");
    step("Load")->Process();
    EXPECT_EQ(messages(*step("Load"), true).front(), "111:Successfully Processed.  Skipped 1 record.");
}

TEST_F(DataLoadTest, DataSetsByPatternAndTheLastCountStays) {
    sql("source.db", "CREATE TABLE Cust1 (Id INTEGER, Name TEXT); CREATE TABLE Cust2 (Id INTEGER, Name TEXT);"
                     "CREATE TABLE Other (Id INTEGER, Name TEXT);"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 7)"
                     " INSERT INTO Cust1 SELECT i, 'a' FROM n;"
                     "INSERT INTO Cust2 VALUES (1, 'x'), (2, 'y'), (3, 'z'), (4, 'w');");
    load(text::replaceAll(loadStep(""), "SourceTableName=People", "SourceTableName=cust*"));
    EXPECT_EQ(step("Load")->Process(), kssSucceeded);
    EXPECT_EQ(step("Load")->RowsProcessed(), 4);
    EXPECT_EQ(query("target.db", "SELECT COUNT(*) FROM Dest"), (std::vector<std::string>{"11"}));
    auto current = environment->Item("Load-CurrentSourceTable");
    ASSERT_TRUE(current);
    EXPECT_EQ(current->MappingValue(), "Cust2");
}

TEST_F(DataLoadTest, TableNumberSelectsByPositionAndBadNumbersFail) {
    sql("source.db", "CREATE TABLE A (Id INTEGER, Name TEXT); CREATE TABLE B (Id INTEGER, Name TEXT);"
                     "INSERT INTO B VALUES (5, 'b');");
    load(text::replaceAll(loadStep(""), "SourceTableName=People", "SourceTableName=TABLE_NUM_2") +
         "[STEP 2]\nStepName=Bad\nStepType=dataload\nSourceConnection=Source\n"
         "SourceTableName=table_num_x\nTargetConnection=Target\nTargetTableName=Dest\n"
         "SourceToDestinationColumnMappingSection=Columns\n");
    EXPECT_EQ(step("Load")->Process(), kssSucceeded);
    EXPECT_EQ(query("target.db", "SELECT Id FROM Dest"), (std::vector<std::string>{"5"}));
    EXPECT_EQ(step("Bad")->Process(), kssFailed);
    EXPECT_EQ(step("Bad")->RowsProcessed(), 0);
    EXPECT_EQ(step("Bad")->ErrorMessages()->Item(1)->Text(),
              "The source connection 'Source' has no table 'table_num_x'.");
}

TEST_F(DataLoadTest, AFailingRowStopsTheStepWithItsRecordNumber) {
    sql("source.db", "CREATE TABLE People (Id INTEGER, Name TEXT);"
                     "INSERT INTO People VALUES (1, 'short'), (2, 'a name far too long for twenty'), (3, 'x');");
    load(loadStep("RecordIDColumn_1=Id\n"));
    EXPECT_EQ(step("Load")->Process(), kssFailed);
    const auto& all = *step("Load")->ErrorMessages();
    ASSERT_GE(all.Count(), 2);
    EXPECT_EQ(all.Item(1)->Source(), "clsKivStep.mPerformDataLoadOfSpecificTables");
    EXPECT_EQ(all.Item(1)->Number(), 1);
    EXPECT_EQ(all.Item(1)->RecordNumber(), 2);
    EXPECT_NE(all.Item(2)->Text().find("(Occurred on Input Record: '2')"), std::string::npos);
    EXPECT_EQ(query("target.db", "SELECT Id FROM Dest"), (std::vector<std::string>{"1"}));
}

TEST_F(DataLoadTest, ChecksInOrderWithTheirMessages) {
    source(1);
    load("[STEP 1]\nStepName=NoDest\nStepType=dataload\nSourceConnection=Source\nSourceTableName=People\n"
         "[STEP 2]\nStepName=Update\nStepType=dataload\nSourceConnection=Source\nTargetConnection=Target\n"
         "TargetTableName=Dest\nSQLStatement=UPDATE People SET Id = 1\n"
         "[STEP 3]\nStepName=Empty\nStepType=dataload\nSourceConnection=Source\nTargetConnection=Target\n"
         "[STEP 4]\nStepName=NoSource\nStepType=dataload\nSourceTableName=People\nTargetConnection=Target\n"
         "TargetTableName=Dest\n"
         "[STEP 5]\nStepName=BadTable\nStepType=dataload\nSourceConnection=Source\nTargetConnection=Target\n"
         "TargetTableName=Missing\nSQLStatement=SELECT * FROM People\n");
    EXPECT_EQ(step("Update")->Process(), kssFailed);
    EXPECT_EQ(messages(*step("Update")), (std::vector<std::string>{"21:No Source Data Set specified."}));
    EXPECT_EQ(step("Empty")->Process(), kssFailed);
    EXPECT_EQ(messages(*step("Empty")), (std::vector<std::string>{"21:No Source Data Set specified."}));
    EXPECT_EQ(step("NoSource")->Process(), kssFailed);
    EXPECT_EQ(messages(*step("NoSource")), (std::vector<std::string>{"10:Source Connection not set."}));
    EXPECT_EQ(step("BadTable")->Process(), kssFailed);
    ASSERT_EQ(messages(*step("BadTable")).size(), 1u);
    EXPECT_EQ(messages(*step("BadTable"))[0].rfind("5:", 0), 0u);
    EXPECT_EQ(messages(*step("BadTable"))[0].find("[Kiv]"), std::string::npos);
}

TEST_F(DataLoadTest, ExtractCatalogIntoATable) {
    sql("source.db", "CREATE TABLE A (x INTEGER); CREATE VIEW V AS SELECT x FROM A;");
    sql("target.db", "CREATE TABLE Listing (Num INTEGER, Name VARCHAR(255), Type VARCHAR(32));");
    load("[STEP 1]\nStepName=Cat\nStepType=extract catalog\nSourceConnection=Source\n"
         "TargetConnection=Target\nTargetTableName=Listing\nSourceToDestinationColumnMappingSection=Cols\n"
         "SQLStatement=catalog\n"
         "[Cols]\nSourceColumn_1=RecordNumber\nTargetColumn_1=Num\nSourceColumn_2=Name\nTargetColumn_2=Name\n"
         "SourceColumn_3=Type\nTargetColumn_3=Type\n");
    EXPECT_EQ(step("Cat")->Process(), kssSucceeded) << ::testing::PrintToString(messages(*step("Cat")));
    EXPECT_EQ(query("target.db", "SELECT * FROM Listing"), (std::vector<std::string>{"1|A|TABLE", "2|V|VIEW"}));
}

}  // namespace kiv

namespace kiv {

TEST_F(DataLoadTest, TextFileDestinationsGetOneInsertParameterPerField) {
    source(2);
    dir.write("out.csv", "Id,Name\r\n");
    dir.write("narrow.csv", "Id\r\n");
    load("[STEP 1]\nStepName=ToText\nStepType=dataload\nSourceConnection=Source\nSourceTableName=People\n"
         "TargetConnection=Text\nTargetTableName=out.csv\nSourceToDestinationColumnMappingSection=Columns\n"
         "[STEP 2]\nStepName=Narrow\nStepType=dataload\nSourceConnection=Source\nSourceTableName=People\n"
         "TargetConnection=Text\nTargetTableName=narrow.csv\nSourceToDestinationColumnMappingSection=Columns\n"
         "[Columns]\nSourceColumn_1=Id\nTargetColumn_1=Id\nSourceColumn_2=Name\nTargetColumn_2=Name\n");
    EXPECT_EQ(step("ToText")->Process(), kssSucceeded) << ::testing::PrintToString(messages(*step("ToText")));
    // A file holding only its header line has text columns: every value is quoted.
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), "Id,Name\r\n\"1\",\"n1\"\r\n\"2\",\"n2\"\r\n");

    EXPECT_EQ(step("Narrow")->Process(), kssFailed);
    ASSERT_EQ(messages(*step("Narrow")).size(), 1u);
    EXPECT_EQ(messages(*step("Narrow"))[0].rfind("7:The destination table [narrow.csv] has 1 fields but 2", 0), 0u);
    EXPECT_EQ(TempDir::read(dir.file("narrow.csv")), "Id\r\n");

    // Mappings listed in another order than the fields still fill the fields they name; two
    // mappings into one field are refused before anything is written.
    dir.write("swapped.csv", "Id,Name\r\n");
    load("[STEP 1]\nStepName=Swapped\nStepType=dataload\nSourceConnection=Source\nSourceTableName=People\n"
         "TargetConnection=Text\nTargetTableName=swapped.csv\nSourceToDestinationColumnMappingSection=Swap\n"
         "[STEP 2]\nStepName=Twice\nStepType=dataload\nSourceConnection=Source\nSourceTableName=People\n"
         "TargetConnection=Text\nTargetTableName=swapped.csv\nSourceToDestinationColumnMappingSection=Twice\n"
         "[Swap]\nSourceColumn_1=Name\nTargetColumn_1=Name\nSourceColumn_2=Id\nTargetColumn_2=Id\n"
         "[Twice]\nSourceColumn_1=Name\nTargetColumn_1=name\nSourceColumn_2=Id\nTargetColumn_2=Name\n");
    EXPECT_EQ(step("Swapped")->Process(), kssSucceeded) << ::testing::PrintToString(messages(*step("Swapped")));
    EXPECT_EQ(TempDir::read(dir.file("swapped.csv")), "Id,Name\r\n\"1\",\"n1\"\r\n\"2\",\"n2\"\r\n");
    EXPECT_EQ(step("Twice")->Process(), kssFailed);
    EXPECT_EQ(messages(*step("Twice")),
              (std::vector<std::string>{"7:More than one column mapping fills the field 'Name' of the "
                                        "destination table [swapped.csv]; a text file destination "
                                        "needs one column mapping per field."}));
    EXPECT_EQ(TempDir::read(dir.file("swapped.csv")), "Id,Name\r\n\"1\",\"n1\"\r\n\"2\",\"n2\"\r\n");

    auto table = std::make_shared<db::Recordset>();
    table->Open("SELECT * FROM [out.csv]", connections->Item("Text")->ADOConnection());
    const auto command = clsKivStep::InsertCommand(nullptr, "out.csv", table->Fields());
    EXPECT_EQ(command->CommandText(), "INSERT INTO [out.csv] (\r\n  [Id]\r\n, [Name] )\r\n VALUES ( ?, ? )");
    ASSERT_EQ(command->Parameters().Count(), 2);
    EXPECT_EQ(command->Parameters().Item(0L)->Name(), "Param-Id");
    EXPECT_EQ(command->Parameters().Item(1L)->Name(), "Param-Name");
}

}  // namespace kiv
