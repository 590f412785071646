#include "mapping/clsKivColumnMapping.h"

#include <gtest/gtest.h>

#include "MappingFixture.h"
#include "diagnostics/Globals.h"
#include "mapping/clsKivColumnMappings.h"

namespace kiv::testing {

namespace {

constexpr const char* kPerform = "clsKivColumnMapping.PerformDataMapping: ";

// A source column and a target column for each conversion-error action, in table order,
// then one whose target column does not exist.
constexpr const char* kConversionActions =
    "[Step]\nRecordIDColumn_1=Id\n"
    "[Cols]\n"
    "SourceColumn_1=T\nTargetColumn_1=When\n"
    "SourceColumn_2=T\nTargetColumn_2=When\nMappingOption_2_ConversionError=Use Previous Value\n"
    "SourceColumn_3=T\nTargetColumn_3=When\n"
    "MappingOption_3_ConversionError=Use Previous Value and Log\n"
    "SourceColumn_4=T\nTargetColumn_4=When\nMappingOption_4_ConversionError=Null\n"
    "SourceColumn_5=T\nTargetColumn_5=When\nMappingOption_5_ConversionError=NULL AND LOG\n"
    "SourceColumn_6=T\nTargetColumn_6=When\nMappingOption_6_ConversionError=Skip Record\n"
    "SourceColumn_7=T\nTargetColumn_7=When\nMappingOption_7_ConversionError=Skip Record and Log\n"
    "SourceColumn_8=T\nTargetColumn_8=Whenn\n";

constexpr const char* kNullLookups =
    "[Cols]\n"
    "SourceMappingType_1=Lookup\nSourceColumn_1=Region\nSourceMappingSQLConnection_1=Db\n"
    "SourceMappingSQLStatement_1=SELECT Label FROM Regions WHERE Id = [P1]\n"
    "SourceMappingOption_1_NULLLookups=Allow\nTargetColumn_1=Label\n"
    "SourceMappingType_2=Lookup\nSourceColumn_2=Region\nSourceMappingSQLConnection_2=Db\n"
    "SourceMappingSQLStatement_2=SELECT Label FROM Regions WHERE Id = [P1]\n"
    "SourceMappingOption_2_NULLLookups=Allow And Log\nTargetColumn_2=Label\n"
    "SourceMappingType_3=Lookup\nSourceColumn_3=Region\nSourceMappingSQLConnection_3=Db\n"
    "SourceMappingSQLStatement_3=SELECT Label FROM Regions WHERE Id = [P1]\n"
    "TargetColumn_3=Label\n"
    "SourceMappingType_4=Lookup\nSourceColumn_4=Region\nSourceMappingSQLConnection_4=Db\n"
    "SourceMappingSQLStatement_4=SELECT Label FROM Regions WHERE Id = [P1]\n"
    "SourceMappingOption_4_NULLLookups=Skip Record\nTargetColumn_4=Label\n"
    "SourceMappingType_5=Lookup\nSourceColumn_5=Region\nSourceMappingSQLConnection_5=Db\n"
    "SourceMappingSQLStatement_5=SELECT Label FROM Regions WHERE Id = [P1]\n"
    "SourceMappingOption_5_NULLLookups=Skip Record And Log\nTargetColumn_5=Label\n";

}  // namespace

class clsKivColumnMappingTest : public MappingFixture {
protected:
    // Section [Cols] loaded the way a step loads it.
    std::shared_ptr<clsKivColumnMappings> loadMappings() {
        auto mappings = std::make_shared<clsKivColumnMappings>();
        mappings->DataConnections(connections);
        mappings->ErrorMessages(messages);
        mappings->Environment(environment);
        mappings->LoadSpecification(&ini, environment, "Cols");
        return mappings;
    }

    // "result:target value" of the mapping on every row of `source`, from the first.
    static std::vector<std::string> run(clsKivColumnMapping& mapping, db::Recordset& source) {
        std::vector<std::string> results;
        source.MoveFirst();
        while (!source.EOF()) {
            const std::int32_t result = mapping.PerformDataMapping();
            results.push_back(std::to_string(result) + ":" +
                              valueText(mapping.TargetMappingField()->DataValue()));
            source.MoveNext();
        }
        return results;
    }

    static bool convertible(long sourceType, const Variant& value, long targetType = db::adDate) {
        const auto source = memory({{"S", sourceType}}, {{value}});
        const auto target = memory({{"D", targetType}}, {});
        return clsKivColumnMapping::IsConvertible(source->Fields().Item(0L).get(),
                                                  target->Fields().Item(0L).get());
    }

    std::shared_ptr<db::Recordset> dateTarget() {
        return memory({{"When", db::adDate}, {"Label", db::adVarChar}}, {});
    }
};

TEST_F(clsKivColumnMappingTest, ADisabledMappingLeavesTheTargetAlone) {
    spec("[Cols]\nMappingStatus_1=DISABLED\nSourceColumn_1=T\nTargetColumn_1=Label\n");
    const auto mappings = loadMappings();
    auto source = memory({{"T", db::adVarChar}}, {{Variant("a")}, {Variant("b")}});
    mappings->SourceRecordset(source);
    mappings->TargetRecordset(dateTarget());
    EXPECT_EQ(run(*mappings->Item(1), *source),
              (std::vector<std::string>{"1:<empty>", "1:<empty>"}));
}

TEST_F(clsKivColumnMappingTest, NullSourcesAreCopiedSkippedOrReplacedByThePreviousValue) {
    spec(
        "[Cols]\n"
        "SourceColumn_1=T\nTargetColumn_1=Label\n"
        "SourceColumn_2=T\nTargetColumn_2=Label\nMappingOption_2_NULLSource=skip record\n"
        "SourceColumn_3=T\nTargetColumn_3=Label\nMappingOption_3_NULLSource=Use Previous Value\n");
    const auto mappings = loadMappings();
    auto source =
        memory({{"T", db::adVarChar}}, {{Variant::Null()}, {Variant("a")}, {Variant::Null()}});
    mappings->SourceRecordset(source);
    mappings->TargetRecordset(dateTarget());
    EXPECT_EQ(run(*mappings->Item(1), *source),
              (std::vector<std::string>{"0:<null>", "0:a", "0:<null>"}));
    EXPECT_EQ(run(*mappings->Item(2), *source),
              (std::vector<std::string>{"4:<empty>", "0:a", "4:a"}));
    EXPECT_EQ(run(*mappings->Item(3), *source),
              (std::vector<std::string>{"2:<null>", "0:a", "2:a"}));
    EXPECT_EQ(valueText(mappings->Item(3)->PreviousValue()), "a");
    EXPECT_EQ(messages->Count(), 0);
}

TEST_F(clsKivColumnMappingTest, EachConversionErrorActionHasItsResultValueAndMessage) {
    spec(kConversionActions);
    const auto ids = recordIds();
    const auto mappings = loadMappings();
    auto source = memory({{"Id", db::adInteger}, {"T", db::adVarChar}},
                         {{Variant(1), Variant("2020-05-01")}, {Variant(2), Variant("garbage")}});
    ids->ActiveRecordset(source);
    mappings->SourceRecordset(source);
    mappings->TargetRecordset(dateTarget());
    ASSERT_EQ(mappings->Count(), 8);

    const std::string unable =
        std::string(kPerform) + "Unable to convert source data for field: 'When'.";
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"-1:2020-05-01",
         {"4 9 " + unable, "0 9 " + unable + "\r\n (Occurred on Input Record: '2')"}},
        {"2:2020-05-01", {}},
        {"2:2020-05-01", {"3 11 " + unable + "  Using Previous Value."}},
        {"3:<null>", {}},
        {"3:<null>", {"3 8 " + unable + "  Assigning NULL instead."}},
        {"4:2020-05-01", {}},
        {"4:2020-05-01", {"3 10 " + unable + "  Skipping Record."}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        messages->Clear();
        auto& mapping = *mappings->Item(static_cast<long>(i) + 1);
        EXPECT_EQ(run(mapping, *source),
                  (std::vector<std::string>{"0:2020-05-01", expected[i].first}))
            << "mapping " << i + 1;
        EXPECT_EQ(reported(), expected[i].second) << "mapping " << i + 1;
        EXPECT_EQ(valueText(mapping.PreviousValue()), "2020-05-01");
    }

    messages->Clear();
    EXPECT_EQ(run(*mappings->Item(8), *source),
              (std::vector<std::string>{"-1:<empty>", "-1:<empty>"}));
    const std::string missing =
        std::string(kPerform) + "Field: 'Whenn' in Target Table does not exist.";
    EXPECT_EQ(reported(),
              (std::vector<std::string>{
                  "4 10 " + missing, "0 10 " + missing + "\r\n (Occurred on Input Record: '1')",
                  "4 10 " + missing, "0 10 " + missing + "\r\n (Occurred on Input Record: '2')"}));
}

TEST_F(clsKivColumnMappingTest, DateTargetsTakeDaysOfTheYears100To9999Only) {
    EXPECT_TRUE(convertible(db::adInteger, Variant(-657434)));
    EXPECT_TRUE(convertible(db::adInteger, Variant(2958465)));
    EXPECT_FALSE(convertible(db::adInteger, Variant(-657435)));
    EXPECT_FALSE(convertible(db::adInteger, Variant(2958466)));
    EXPECT_FALSE(convertible(db::adBigInt, Variant(std::int64_t{2958466})));
    EXPECT_FALSE(convertible(db::adDouble, Variant(1.0)));
    EXPECT_FALSE(convertible(db::adCurrency, Variant::fromCurrency(1.0)));
    EXPECT_TRUE(convertible(db::adDouble, Variant::Null()));
    // A timestamp (a server's date and time) goes into a date column like the same text would.
    EXPECT_TRUE(convertible(db::adDBTimeStamp, Variant::fromDate(46024.127836)));
    EXPECT_TRUE(convertible(db::adDBTimeStamp, Variant("2026-01-02 03:04:05")));
    EXPECT_FALSE(convertible(db::adDBTimeStamp, Variant::fromDate(2958465.5)));

    EXPECT_TRUE(convertible(db::adVarChar, Variant("0100-01-01")));
    EXPECT_TRUE(convertible(db::adVarChar, Variant("0100-01-01 12:00")));  // -657434.5: even
    EXPECT_FALSE(convertible(db::adVarChar, Variant("0100-01-01 18:00")));
    EXPECT_TRUE(convertible(db::adVarChar, Variant("9999-12-31")));
    EXPECT_FALSE(convertible(db::adVarChar, Variant("9999-12-31 12:00")));  // 2958465.5: even
    EXPECT_FALSE(convertible(db::adVarChar, Variant("garbage")));
    EXPECT_TRUE(convertible(db::adDate, Variant::fromDate(2958465.4)));
    EXPECT_FALSE(convertible(db::adDate, Variant::fromDate(2958465.5)));

    EXPECT_TRUE(convertible(db::adVarChar, Variant("garbage"), db::adVarChar));
    EXPECT_TRUE(convertible(db::adDouble, Variant(1.0), db::adInteger));
    EXPECT_FALSE(clsKivColumnMapping::IsConvertible(nullptr, nullptr));
}

TEST_F(clsKivColumnMappingTest, AConstantGoesIntoADateTargetUncheckedAndIsNoPreviousValue) {
    spec("[Cols]\nSourceMappingType_1=Constant\nSourceValue_1=not a date\nTargetColumn_1=When\n");
    const auto mappings = loadMappings();
    auto source = memory({{"T", db::adVarChar}}, {{Variant("a")}});
    mappings->SourceRecordset(source);
    mappings->TargetRecordset(dateTarget());
    EXPECT_EQ(run(*mappings->Item(1), *source), (std::vector<std::string>{"0:not a date"}));
    EXPECT_TRUE(mappings->Item(1)->PreviousValue().isNull());
}

TEST_F(clsKivColumnMappingTest, NullLookupResultsFollowTheLookupAction) {
    sql("CREATE TABLE Customers (Region INTEGER);"
        "INSERT INTO Customers VALUES (1), (2), (9);"
        "CREATE TABLE Regions (Id INTEGER PRIMARY KEY, Label TEXT);"
        "INSERT INTO Regions VALUES (1, 'North'), (2, NULL);");
    spec(kNullLookups);
    connection->OpenConnection();
    const auto mappings = loadMappings();
    auto source = rows("SELECT Region FROM Customers ORDER BY rowid");
    mappings->SourceRecordset(source);
    mappings->TargetRecordset(dateTarget());
    const std::string nullLookup =
        std::string(kPerform) + "Lookup based on source record resulted in a NULL value.";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> expected = {
        {{"0:North", "0:<null>", "0:<null>"}, {}},
        {{"0:North", "0:<null>", "0:<null>"}, {"1 2 " + nullLookup, "1 2 " + nullLookup}},
        {{"0:North", "-3:North", "-3:North"}, {"4 3 " + nullLookup, "4 3 " + nullLookup}},
        {{"0:North", "4:North", "4:North"}, {}},
        {{"0:North", "4:North", "4:North"},
         {"3 4 " + nullLookup + " Record has been skipped.",
          "3 4 " + nullLookup + " Record has been skipped."}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        messages->Clear();
        EXPECT_EQ(run(*mappings->Item(static_cast<long>(i) + 1), *source), expected[i].first)
            << "mapping " << i + 1;
        EXPECT_EQ(reported(), expected[i].second) << "mapping " << i + 1;
    }
}

TEST_F(clsKivColumnMappingTest, ALookupWithoutConnectionGivesAnEmptyValueAndAMessagePerRow) {
    spec(
        "[Cols]\nSourceMappingType_1=Lookup\nSourceColumn_1=T\nTargetColumn_1=Label\n"
        "SourceMappingSQLStatement_1=SELECT [P1]\n");
    const auto mappings = loadMappings();
    auto source = memory({{"T", db::adVarChar}}, {{Variant("a")}, {Variant("b")}});
    mappings->SourceRecordset(source);
    mappings->TargetRecordset(dateTarget());
    messages->Clear();
    EXPECT_EQ(run(*mappings->Item(1), *source),
              (std::vector<std::string>{"0:<empty>", "0:<empty>"}));
    const std::string noConnection =
        "clsKivColumnMapping: No Data Connection has been defined for Lookup targeting field: "
        "Label";
    std::vector<std::string> twelve;
    for (const auto& line : reported()) {
        if (line.find(" 12 ") != std::string::npos) {
            twelve.push_back(line);
        }
    }
    EXPECT_EQ(twelve, (std::vector<std::string>{"4 12 " + noConnection, "0 12 " + noConnection,
                                                "4 12 " + noConnection, "0 12 " + noConnection}));
}

TEST_F(clsKivColumnMappingTest, OptionTextsParseSilentlyAndFollowTheEnvironment) {
    environment->Add("State", "Disabled");
    spec(
        "[Cols]\n"
        "SourceColumn_1=A\nTargetColumn_1=B\n"
        "MappingOption_1_ConversionError=USE PREVIOUS VALUE AND LOG\n"
        "MappingOption_1_NULLSource=bogus\nMappingStatus_1=maybe\n"
        "SourceColumn_2=A\nTargetColumn_2=B\nMappingOption_2_ConversionError=Skip  Record\n"
        "MappingOption_2_NULLSource=\" use previous value \"\nMappingStatus_2=$(State)\n");
    const auto mappings = loadMappings();
    auto& first = *mappings->Item(1);
    EXPECT_EQ(first.ConversionErrorAction(), kceUsePreviousValueAndLog);
    EXPECT_EQ(first.NULLSourceCopyAction(), knsCopyNULL);
    EXPECT_EQ(first.ColumnMappingStatus(), kcsEnabled);
    auto& second = *mappings->Item(2);
    EXPECT_EQ(second.ConversionErrorAction(), kceError);
    EXPECT_EQ(second.NULLSourceCopyAction(), knsUsePreviousValue);
    EXPECT_EQ(second.ColumnMappingStatus(), kcsDisabled);
    environment->Add("State", "enabled");
    EXPECT_EQ(second.ColumnMappingStatus(), kcsEnabled);
    EXPECT_EQ(messages->Count(), 0);

    first.NULLSourceCopyAction(5);
    EXPECT_EQ(first.NULLSourceCopyAction(), knsCopyNULL);
    first.NULLSourceCopyAction(knsSkipRecord);
    EXPECT_EQ(first.NULLSourceCopyAction(), knsSkipRecord);
    first.ConversionErrorAction(9);
    EXPECT_EQ(first.ConversionErrorAction(), kceError);
    first.ColumnMappingStatus(7);
    EXPECT_EQ(first.ColumnMappingStatus(), kcsEnabled);
}

TEST_F(clsKivColumnMappingTest, AMappingWithoutFileOrFieldsFailsWithAMessage) {
    clsKivColumnMapping mapping;
    mapping.ErrorMessages(messages);
    EXPECT_FALSE(mapping.LoadSpecification(nullptr, "Cols", 1));
    mapping.SourceMappingField(nullptr);
    EXPECT_FALSE(mapping.SourceRecordset());
    EXPECT_EQ(mapping.PerformDataMapping(), kcmError);
    EXPECT_EQ(reported(), (std::vector<std::string>{
                              "4 0 clsKivColumnMapping: Specification File was not provided.",
                              std::string("4 1 ") + kPerform +
                                  "Source or Target Mapping Field is not defined."}));
}

TEST_F(clsKivColumnMappingTest, DumpShowsTheOptionsFieldsAndMessages) {
    gbDebugEnabled = true;
    auto log = std::make_shared<clsDebugLog>();
    log->LogFileName(dir.file("dump.log"));
    spec(
        "[Cols]\nMappingStatus_1=disabled\nMappingOption_1_ConversionError=null and log\n"
        "SourceColumn_1=A\nTargetColumn_1=B\n");
    const auto mappings = loadMappings();
    mappings->Item(1)->Dump(log.get());
    clsKivColumnMapping bare;
    bare.SourceMappingField(nullptr);
    bare.Dump(log.get());
    log->CloseLog();
    const std::string dump = TempDir::read(dir.file("dump.log"));
    for (const char* lines :
         {"clsKivColumnMapping - Dump...\r\n"
          "Mapping Status: Disabled (1) - Before Environment Substitution: 'disabled'\r\n"
          "NULL Source Field Mapping Option: Copy NULL (0) -  Before Environment "
          "Substitution: 'Copy NULL'\r\n"
          "Conversion Error Mapping Option: Null and Log (4) - Before Environment "
          "Substitution: 'null and log'\r\n"
          "Source Mapping Field Definition:\r\n"
          "   clsKivMappingField - Dump...\r\n",
          "Column Mapping Messages:\r\n   Number of Associated Messages: 0\r\n",
          "Source Mapping Field Definition:\r\n   No Source Mapping Field Defined.\r\n   \r\n"
          "Target Mapping Field Definition:\r\n   clsKivMappingField - Dump...\r\n",
          "Data Connections associated with this object:\r\n"
          "   No Kiv Connection collection associated with this object.\r\n"
          "Column Mapping Messages:\r\n   Message Collection is << Nothing >>\r\n"}) {
        EXPECT_NE(dump.find(lines), std::string::npos) << lines;
    }
}

}  // namespace kiv::testing
