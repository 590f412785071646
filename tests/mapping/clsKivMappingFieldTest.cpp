#include "mapping/clsKivMappingField.h"

#include <gtest/gtest.h>

#include "MappingFixture.h"
#include "db/Error.h"
#include "db/sqlite/SqliteDatabase.h"
#include "diagnostics/Globals.h"

namespace kiv::testing {

namespace {

constexpr const char* kCustomers =
    "CREATE TABLE Customers (Code TEXT, Name TEXT, Region INTEGER, Kind TEXT);"
    "INSERT INTO Customers VALUES ('A17', 'Ann', 1, 'x'), ('B02', NULL, 2, 'y'),"
    "  (NULL, 'Cy', 9, 'x');"
    "CREATE TABLE Regions (Id INTEGER PRIMARY KEY, Kind TEXT, Label TEXT);"
    "INSERT INTO Regions VALUES (1, 'x', 'North'), (2, 'y', NULL), (3, 'x', 'South');";

constexpr const char* kRegionLookup =
    "[Map]\n"
    "SourceMappingType_1=Lookup\n"
    "SourceColumn_1_P1=Region\n"
    "SourceColumn_1_P2=Kind\n"
    "SourceMappingSQLConnection_1=Db\n"
    "SourceMappingSQLStatement_1=SELECT Label FROM Regions WHERE Kind = [P2] AND Id = [ P1 ]\n";

}  // namespace

class clsKivMappingFieldTest : public MappingFixture {
protected:
    void SetUp() override {
        MappingFixture::SetUp();
        sql(kCustomers);
    }

    // Loaded the way a column mapping loads its source side.
    std::shared_ptr<clsKivMappingField> load(std::int16_t number,
                                             std::int32_t purpose = kmpSource) {
        auto field = std::make_shared<clsKivMappingField>();
        field->ErrorMessages(messages);
        field->Environment(environment);
        field->LoadSpecification(&ini, "Map", number, purpose);
        field->DataConnections(connections);
        return field;
    }

    // The field's value on every row of `source`, from the row it is on.
    static std::vector<std::string> valuesPerRow(clsKivMappingField& field, db::Recordset& source) {
        std::vector<std::string> values;
        while (!source.EOF()) {
            values.push_back(valueText(field.DataValue()) + (field.FieldIsNull() ? "/null" : ""));
            source.MoveNext();
        }
        return values;
    }
};

TEST_F(clsKivMappingFieldTest, KeysAreReadByPurposeNumberAndPrecedence) {
    spec(
        "[Map]\n"
        "SourceMappingType_1=\" LOOKUP \"\n"
        "SourceColumn_1=Code\n"
        "SourceColumn_1_P1=Ignored\n"
        "SourceMappingType_2=Con stant\n"
        "SourceValue_2=Fixed\n"
        "SourceColumn_2=NotRead\n"
        "SourceMappingType_3=lookup\n"
        "SourceColumn_3_P1=A\n"
        "SourceColumn_3_P2=B\n"
        "SourceColumn_3_P4=D\n"
        "SourceMappingOption_3_NULLLookups=skip record and log\n"
        "SourceMappingType_4=Lookup\n"
        "SourceMappingOption_4_NULLLookups=\n"
        "SourceMappingSQLStatement_4=SELECT 1\n"
        "TargetColumn_5=Out\n"
        "RecordIDColumn_6=Id\n");
    const auto first = load(1);
    EXPECT_EQ(first->MappingType(), kmtLookup);
    EXPECT_EQ(first->ColumnCount(), 1);
    EXPECT_EQ(first->ColumnName(1), "Code");
    EXPECT_EQ(first->NULLLookupAction(), knlGenerateError);

    const auto second = load(2);
    EXPECT_EQ(second->MappingType(), kmtCopy);
    EXPECT_EQ(second->ConstantValue(), "Fixed");
    EXPECT_EQ(second->ColumnCount(), 1);
    EXPECT_EQ(second->ColumnName(1), "");

    const auto third = load(3);
    EXPECT_EQ(third->ColumnCount(), 2);
    EXPECT_EQ(third->ColumnName(2), "B");
    EXPECT_EQ(third->ColumnName(3), "");
    EXPECT_EQ(third->NULLLookupAction(), knlSkipRecordAndLog);

    auto fourth = std::make_shared<clsKivMappingField>();
    EXPECT_FALSE(fourth->LoadSpecification(&ini, "Map", 4, kmpSource));
    EXPECT_EQ(fourth->NULLLookupAction(), knlGenerateError);
    EXPECT_EQ(fourth->LookupSQLStatement(), "SELECT 1");

    EXPECT_FALSE(fourth->LoadSpecification(&ini, "Map", 5, kmpSource));
    EXPECT_TRUE(fourth->LoadSpecification(&ini, "Map", 5, kmpTarget));
    EXPECT_TRUE(fourth->LoadSpecification(&ini, "Map", 6, kmpRecordID));
    EXPECT_EQ(fourth->ColumnName(1), "Id");
    EXPECT_FALSE(fourth->LoadSpecification(nullptr, "Map", 6, kmpRecordID));
}

TEST_F(clsKivMappingFieldTest, CodesWrittenAsNumbersReadBackThroughTheirTexts) {
    clsKivMappingField field;
    field.MappingType(9);
    EXPECT_EQ(field.MappingType(), kmtCopy);
    field.NULLLookupAction(7);  // shown as "Unknown", which reads as Generate Error
    EXPECT_EQ(field.NULLLookupAction(), knlGenerateError);
    field.MappingPurpose(5);
    EXPECT_EQ(field.MappingPurpose(), kmpUnknown);
    field.MappingPurpose(kmpRecordID);
    EXPECT_EQ(field.MappingPurpose(), kmpRecordID);
    EXPECT_EQ(field.ColumnCount(), 1);
    field.MappingType(kmtConstant);
    EXPECT_EQ(field.ColumnCount(), 0);
    EXPECT_FALSE(field.FieldIsNull());
}

TEST_F(clsKivMappingFieldTest, StatementLinesAreJoinedUpToTheFirstGap) {
    spec(
        "[Map]\n"
        "SourceMappingSQLStatement_1_Line_001=SELECT Label\n"
        "SourceMappingSQLStatement_1_Line_002=FROM Regions\n"
        "SourceMappingSQLStatement_1_Line_004=WHERE never\n"
        "SourceMappingSQLStatement_2=SELECT 2\n"
        "SourceMappingSQLStatement_2_Line_001=ignored\n");
    EXPECT_EQ(clsKivMappingField::ReadMultiLineValue(ini, "Map", "SourceMappingSQLStatement_1"),
              "SELECT Label\r\nFROM Regions");
    EXPECT_EQ(clsKivMappingField::ReadMultiLineValue(ini, "Map", "SourceMappingSQLStatement_2"),
              "SELECT 2");
    EXPECT_EQ(clsKivMappingField::ReadMultiLineValue(ini, "Map", "SourceMappingSQLStatement_3"),
              "");
}

TEST_F(clsKivMappingFieldTest, PlaceholdersBecomeParametersInTheirOrder) {
    spec(kRegionLookup);
    const auto field = load(1);
    ASSERT_TRUE(field->LookupCommand());
    EXPECT_EQ(field->LookupCommand()->CommandText(),
              "SELECT Label FROM Regions WHERE Kind = ? AND Id = ?");
    const auto& parameters = field->LookupCommand()->Parameters();
    ASSERT_EQ(parameters.Count(), 2);
    EXPECT_EQ(parameters.Item(0L)->Name(), "1-Kind");
    EXPECT_EQ(parameters.Item(1L)->Name(), "2-Region");
    EXPECT_EQ(parameters.Item(1L)->Type(), db::adVarChar);
    EXPECT_EQ(parameters.Item(1L)->Size(), 50);
    EXPECT_EQ(field->NumLookupParamColumns(), 2);

    field->LookupSQLStatement("SELECT [P1] WHERE x = [] AND y = [P2]");
    EXPECT_EQ(field->LookupCommand()->CommandText(), "SELECT ? WHERE x = [] AND y = [P2]");
    EXPECT_EQ(field->LookupCommand()->Parameters().Count(), 1);
}

TEST_F(clsKivMappingFieldTest, CopyFollowsTheRowsAndAddressesColumnsByNumber) {
    spec("[Map]\nSourceColumn_1=column_num_2\n");
    const auto field = load(1);
    auto source = rows("SELECT Code, Name FROM Customers ORDER BY rowid");
    field->ActiveRecordset(source);
    ASSERT_TRUE(field->ActiveField());
    EXPECT_EQ(field->ActiveField()->Name(), "Name");
    EXPECT_EQ(valuesPerRow(*field, *source),
              (std::vector<std::string>{"Ann", "<null>/null", "Cy"}));
    EXPECT_EQ(valueText(field->DataValue()), "Cy");
    EXPECT_TRUE(messages->Count() == 0);
}

TEST_F(clsKivMappingFieldTest, ACopyFieldWithAValueHasNoColumnToBind) {
    spec("[Map]\nSourceValue_1=Fixed\nSourceColumn_1=Code\n");
    const auto field = load(1);
    auto source = rows("SELECT Code FROM Customers");
    field->ActiveRecordset(source);
    source->MoveNext();
    EXPECT_TRUE(field->DataValue().isEmpty());
    EXPECT_TRUE(field->FieldIsNull());
    const std::string unbound = "4 24 clsKivMappingField: Unable to locate field named: ";
    EXPECT_EQ(messages->CountMsgType(kMsgError), 3);
    EXPECT_EQ(reported().front(), unbound);
}

TEST_F(clsKivMappingFieldTest, ALostColumnIsReportedOnEveryRowAndTheValueStays) {
    environment->Add("Col", "Name");
    spec("[Step]\nRecordIDColumn_1=Code\n[Map]\nSourceColumn_1=$(Col)\n");
    const auto ids = recordIds();
    const auto field = load(1);
    auto source = rows("SELECT Code, Name FROM Customers ORDER BY rowid");
    ids->ActiveRecordset(source);
    field->ActiveRecordset(source);
    EXPECT_EQ(valueText(field->DataValue()), "Ann");

    const std::string text = "clsKivMappingField: Unable to locate field named: Nope";
    const auto pairFor = [&](const std::string& record) {
        return std::vector<std::string>{
            "4 24 " + text, "0 24 " + text + "\r\n (Occurred on Input Record: " + record + ")"};
    };
    environment->Add("Col", "Nope");
    const std::vector<std::string> rebinding = reported();
    ASSERT_GE(rebinding.size(), 2U);
    EXPECT_EQ(std::vector<std::string>(rebinding.end() - 2, rebinding.end()), pairFor("'A17'"));
    EXPECT_EQ(valueText(field->DataValue()), "Ann");
    EXPECT_TRUE(field->FieldIsNull());

    source->MoveNext();
    source->MoveNext();
    std::vector<std::string> expected = rebinding;
    for (const char* record : {"'B02'", "'<null>'"}) {
        const auto pair = pairFor(record);
        expected.insert(expected.end(), pair.begin(), pair.end());
    }
    EXPECT_EQ(reported(), expected);
    EXPECT_EQ(valueText(field->DataValue()), "Ann");
}

TEST_F(clsKivMappingFieldTest, AConstantIsTheSubstitutedTextOnEveryRow) {
    environment->Add("Batch", "7");
    spec("[Map]\nSourceMappingType_1=Constant\nSourceValue_1=B$(Batch)\n");
    const auto field = load(1);
    auto source = rows("SELECT Code FROM Customers");
    field->ActiveRecordset(source);
    EXPECT_EQ(valueText(field->DataValue()), "B7");
    environment->Add("Batch", "8");
    EXPECT_EQ(valueText(field->DataValue()), "B8");
    EXPECT_FALSE(field->FieldIsNull());
    EXPECT_FALSE(field->ActiveField());
}

TEST_F(clsKivMappingFieldTest, ALookupRunsForEveryRowWithThatRowsValues) {
    spec(kRegionLookup);
    connection->OpenConnection();
    const auto field = load(1);
    auto source = rows("SELECT Kind, Code, Region FROM Customers ORDER BY rowid");
    field->ActiveRecordset(source);
    EXPECT_EQ(valuesPerRow(*field, *source),
              (std::vector<std::string>{"North", "<null>/null", "<null>/null"}));
    EXPECT_FALSE(field->ActiveField());  // the last lookup found no row
    EXPECT_EQ(messages->Count(), 0);
}

TEST_F(clsKivMappingFieldTest, ALookupPerRowIsPreparedOnceForAllRows) {
    std::string statements = "BEGIN; CREATE TABLE Many (Id INTEGER PRIMARY KEY, Code INTEGER);";
    for (int i = 1; i <= 300; ++i) {
        statements += "INSERT INTO Many VALUES (" + std::to_string(i) + ", " +
                      std::to_string(i % 3 + 1) + ");";
    }
    sql(statements + "COMMIT;");
    spec(
        "[Map]\nSourceMappingType_1=Lookup\nSourceColumn_1=Code\nSourceMappingSQLConnection_1=Db\n"
        "SourceMappingSQLStatement_1=SELECT Label FROM Regions WHERE Id = [P1]\n");
    connection->OpenConnection();
    const auto field = load(1);
    auto source = rows("SELECT Code FROM Many ORDER BY Id");
    const unsigned long before = db::sqlite::SqliteDatabase::prepareCount();
    field->ActiveRecordset(source);
    std::string labels;
    for (int row = 1; row <= 150; ++row) {
        labels += field->FieldIsNull() ? '-' : field->DataValue().toText().front();
        source->MoveNext();
    }
    EXPECT_EQ(db::sqlite::SqliteDatabase::prepareCount() - before, 1U);
    EXPECT_EQ(labels.substr(0, 6), "-SN-SN");

    environment->Add("Unrelated", "x");  // rebuilds the command with the same text
    source->MoveNext();
    EXPECT_EQ(db::sqlite::SqliteDatabase::prepareCount() - before, 1U);

    field->LookupSQLStatement("SELECT Kind FROM Regions WHERE Id = [P1]");
    source->MoveNext();
    EXPECT_EQ(db::sqlite::SqliteDatabase::prepareCount() - before, 2U);
    EXPECT_EQ(valueText(field->DataValue()), "x");
}

TEST_F(clsKivMappingFieldTest, APlaceholderWithoutANumberLeavesTheFieldWithoutACommand) {
    spec(
        "[Step]\nRecordIDColumn_1=Code\n"
        "[Map]\nSourceMappingType_1=Lookup\nSourceColumn_1=Region\nSourceMappingSQLConnection_1="
        "Db\n"
        "SourceMappingSQLStatement_1=SELECT Label FROM Regions WHERE Id = [Px]\n");
    const auto ids = recordIds();
    const auto field = load(1);
    environment->Add("Again", "y");
    EXPECT_FALSE(field->LookupCommand());
    EXPECT_EQ(field->NumLookupParamColumns(), 0);
    auto source = rows("SELECT Code, Region FROM Customers ORDER BY rowid");
    ids->ActiveRecordset(source);
    field->ActiveRecordset(source);
    EXPECT_TRUE(field->FieldIsNull());
    const std::string noCommand =
        "No Lookup Command Object. Perhaps no Lookup Data Connection was associated with "
        "Lookup SQL:\r\nSELECT Label FROM Regions WHERE Id = [Px]";
    EXPECT_EQ(
        reported(),
        (std::vector<std::string>{
            "4 5 clsKivMappingField: Unable to prepare the Lookup SQL Statement: the "
            "placeholder '[Px]' does not give a column number. Lookup SQL:\r\n"
            "SELECT Label FROM Regions WHERE Id = [Px]",
            "4 3 clsKivMappingField: " + noCommand,
            "0 3 clsKivMappingField: " + noCommand + "\r\n (Occurred on Input Record: 'A17')"}));
}

TEST_F(clsKivMappingFieldTest, AnUnknownLookupConnectionGivesNullOnEveryRow) {
    spec(
        "[Map]\nSourceMappingType_1=Lookup\nSourceColumn_1=Region\nSourceMappingSQLConnection_1="
        "Gone\n"
        "SourceMappingSQLStatement_1=SELECT Label FROM Regions WHERE Id = [P1]\n");
    const auto field = load(1);
    EXPECT_FALSE(field->LookupConnection());
    auto source = rows("SELECT Region FROM Customers");
    field->ActiveRecordset(source);
    source->MoveNext();
    EXPECT_TRUE(field->DataValue().isNull());
    EXPECT_EQ(messages->CountMsgType(kMsgError), 2);
}

TEST_F(clsKivMappingFieldTest, ALookupFailureReachesTheCodeThatMovesTheRecordset) {
    spec(
        "[Map]\nSourceMappingType_1=Lookup\nSourceColumn_1=Region\nSourceMappingSQLConnection_1="
        "Db\n"
        "SourceMappingSQLStatement_1=SELECT Label FROM Missing WHERE Id = [P1]\n");
    connection->OpenConnection();
    const auto field = load(1);
    auto source = rows("SELECT Region FROM Customers");
    EXPECT_THROW(field->ActiveRecordset(source), db::Error);
    EXPECT_THROW(source->MoveNext(), db::Error);
    ASSERT_EQ(connection->ADOConnection()->Errors().Count(), 1);
    EXPECT_NE(connection->ADOConnection()->Errors().Item(0)->Description().find("Missing"),
              std::string::npos);
    EXPECT_EQ(messages->Count(), 0);
}

TEST_F(clsKivMappingFieldTest, TheCommandIsAttachedWhenItsConnectionOpensLater) {
    spec(kRegionLookup);
    auto field = std::make_shared<clsKivMappingField>();  // shares no environment
    field->LoadSpecification(&ini, "Map", 1, kmpSource);
    field->DataConnections(connections);
    ASSERT_TRUE(field->LookupCommand());
    EXPECT_FALSE(field->LookupCommand()->ActiveConnection());
    auto source = rows("SELECT Region, Kind FROM Customers ORDER BY rowid");
    EXPECT_EQ(field->LookupCommand()->ActiveConnection(), connection->ADOConnection());
    field->ActiveRecordset(source);
    EXPECT_EQ(valueText(field->DataValue()), "North");
}

TEST_F(clsKivMappingFieldTest, TargetValuesGoIntoTheRowBeingAddedExceptForTextFiles) {
    sql("CREATE TABLE Out (Name VARCHAR(20))");
    spec("[Map]\nTargetColumn_1=name\n");
    const auto field = load(1, kmpTarget);
    auto out = target("Out");
    field->ActiveRecordset(out);
    out->AddNew();
    field->DataValue(Variant("Zed"));
    EXPECT_EQ(valueText(out->Fields().Item(0L)->Value()), "Zed");
    out->Update();
    out->Close();
    auto written = rows("SELECT Name FROM Out");
    EXPECT_EQ(valueText(written->Fields().Item(0L)->Value()), "Zed");

    TempDir folder;
    folder.write("out.csv", "Name\r\n");
    auto text = connections->Add("Txt");
    text->KivConnectionType(kctTextFile);
    text->DatabaseName(folder.path());
    ASSERT_TRUE(text->OpenConnection());
    auto textRows = text->ADOConnection()->Execute("SELECT * FROM [out.csv]");
    field->ActiveRecordset(textRows);
    field->DataValue(Variant("Ivy"));
    EXPECT_EQ(valueText(field->DataValue()), "Ivy");
}

TEST_F(clsKivMappingFieldTest, DumpShowsSettingsWithTheirWrittenForms) {
    gbDebugEnabled = true;
    auto log = std::make_shared<clsDebugLog>();
    log->LogFileName(dir.file("dump.log"));
    environment->Add("Table", "Regions");
    spec(
        "[Map]\nSourceMappingType_1=Lookup\nSourceColumn_1_P1=Region\nSourceMappingSQLConnection_1="
        "Db\n"
        "SourceMappingSQLStatement_1_Line_001=SELECT Label\n"
        "SourceMappingSQLStatement_1_Line_002=FROM $(Table) WHERE Id = [P1]\n");
    const auto field = load(1);
    field->DebugLog(log);
    field->Dump();
    log->CloseLog();
    const std::string dump = TempDir::read(dir.file("dump.log"));
    for (const char* line :
         {"clsKivMappingField - Dump...\r\n",
          "   Mapping Purpose:               Source (0) -  Value Before Environment: 'Source'\r\n",
          "   Mapping Type:                  Lookup (1) -  Value Before Environment: 'Lookup'\r\n",
          "   NULL Lookup Action:            Generate Error (2) -  Value Before Environment: "
          "'Generate Error'\r\n",
          "   Constant Value:                '' -  Value Before Environment: ''\r\n",
          "   Active Record Set Assigned:    False\r\n",
          "   Lookup Command Object Defined: True\r\n", "   Data Column Count: 1\r\n",
          "      1: 'Region' - Value Before Environment: 'Region'\r\n",
          "   Lookup Connection: 'Db' -  Value Before Environment: 'Db'\r\n",
          "   Lookup Mapping Connection: Assigned (Actual Connection Name: 'Db')\r\n",
          "      After Environment Substitution:\r\n"
          "         SELECT Label\r\n"
          "         FROM Regions WHERE Id = [P1]\r\n"
          "      Before Environment Substitution:\r\n"
          "         SELECT Label\r\n"
          "         FROM $(Table) WHERE Id = [P1]\r\n",
          "   Data Connections associated with this object:\r\n"
          "      Number of connections in the collection: 1\r\n"
          "      Connection 1: Db\r\n"}) {
        EXPECT_NE(dump.find(line), std::string::npos) << line;
    }
}

}  // namespace kiv::testing
