#include "mapping/clsKivColumnMappings.h"

#include <gtest/gtest.h>

#include "MappingFixture.h"
#include "diagnostics/Globals.h"

namespace kiv::testing {

class clsKivColumnMappingsTest : public MappingFixture {
protected:
    std::shared_ptr<clsKivColumnMappings> loadMappings() {
        auto mappings = std::make_shared<clsKivColumnMappings>();
        mappings->DataConnections(connections);
        mappings->ErrorMessages(messages);
        mappings->Environment(environment);
        loaded = mappings->LoadSpecification(&ini, environment, "Cols");
        return mappings;
    }

    // The row results of two mappings over a text column T into a date column When and a
    // text column Label, the first with conversion-error action `action`.
    std::vector<std::int32_t> rowResults(const std::string& action, Variant& secondTarget) {
        spec(
            "[Cols]\n"
            "SourceColumn_1=T\nTargetColumn_1=When\nMappingOption_1_ConversionError=" +
            action +
            "\n"
            "SourceColumn_2=T\nTargetColumn_2=Label\n");
        const auto mappings = loadMappings();
        auto source =
            memory({{"T", db::adVarChar}}, {{Variant("2020-01-01")}, {Variant("garbage")}});
        mappings->SourceRecordset(source);
        mappings->TargetRecordset(memory({{"When", db::adDate}, {"Label", db::adVarChar}}, {}));
        std::vector<std::int32_t> results;
        for (; !source->EOF(); source->MoveNext()) {
            results.push_back(mappings->PerformDataMappings());
        }
        secondTarget = mappings->Item(2)->TargetMappingField()->DataValue();
        return results;
    }

    bool loaded = false;
};

TEST_F(clsKivColumnMappingsTest, MappingsAreReadUpToTheFirstGap) {
    gbDebugEnabled = true;
    auto log = std::make_shared<clsDebugLog>();
    log->LogFileName(dir.file("dump.log"));
    spec(
        "[Cols]\n"
        "SourceColumn_1=A\nTargetColumn_1=A\n"
        "SourceValue_2=x\nTargetColumn_2=B\n"
        "SourceColumn_4=D\nTargetColumn_4=D\n");
    const auto mappings = loadMappings();
    EXPECT_TRUE(loaded);
    EXPECT_EQ(mappings->Count(), 2);
    mappings->DebugLog(log);
    mappings->Dump();
    log->CloseLog();
    EXPECT_TRUE(TempDir::read(dir.file("dump.log"))
                    .starts_with("Number of Expected Column Mappings: 2\r\n"
                                 "Number of Actual Column Mappings:   2\r\n"
                                 "Column Mapping: 1\r\n"
                                 "   clsKivColumnMapping - Dump...\r\n"));
    EXPECT_EQ(messages->Count(), 0);
}

TEST_F(clsKivColumnMappingsTest, AMappingWithoutTargetKeysEndsTheList) {
    spec(
        "[Cols]\n"
        "SourceColumn_1=A\nTargetColumn_1=A\n"
        "SourceColumn_2=B\nTargetMappingType_2=Copy\nMappingStatus_2=Enabled\n"
        "SourceColumn_3=C\nTargetColumn_3=C\n");
    EXPECT_EQ(loadMappings()->Count(), 1);
    spec("[Cols]\nSourceColumn_2=B\nTargetColumn_2=B\n");
    EXPECT_EQ(loadMappings()->Count(), 0);
    EXPECT_FALSE(loaded);
}

TEST_F(clsKivColumnMappingsTest, TheRowResultIsTheLastMappingsOrTheFirstThatStopsTheRow) {
    Variant second;
    EXPECT_EQ(rowResults("Null", second), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(valueText(second), "garbage");
    EXPECT_EQ(rowResults("Skip Record", second), (std::vector<std::int32_t>{0, 4}));
    EXPECT_EQ(valueText(second), "2020-01-01");
    EXPECT_EQ(rowResults("Error", second), (std::vector<std::int32_t>{0, -1}));
    EXPECT_EQ(valueText(second), "2020-01-01");

    clsKivColumnMappings empty;
    const auto source = memory({{"T", db::adVarChar}}, {{Variant("a")}});
    empty.SourceRecordset(source);
    EXPECT_EQ(empty.SourceRecordset(), source);
    EXPECT_EQ(empty.PerformDataMappings(), 0);
}

// A load as the data load step runs it: identification fields and mappings bound to the
// source rows, one new target row per source row, saved unless the mappings say otherwise.
TEST_F(clsKivColumnMappingsTest, CopiesConstantsAndLookupsFillTheTargetRowByRow) {
    sql("CREATE TABLE Customers (Code TEXT, Name TEXT, Region INTEGER);"
        "INSERT INTO Customers VALUES ('A17', 'Ann', 1), ('B02', NULL, 2), (NULL, 'Cy', 9),"
        "  ('D4', NULL, 3);"
        "CREATE TABLE Regions (Id INTEGER PRIMARY KEY, Label TEXT);"
        "INSERT INTO Regions VALUES (1, 'North'), (2, NULL), (3, 'South');"
        "CREATE TABLE Out (Code VARCHAR(10), Name VARCHAR(20), Label VARCHAR(20),"
        "  Fixed VARCHAR(10));");
    environment->Add("Batch", "B1");
    spec(
        "[Step]\nRecordIDColumn_1=Code\n"
        "[Cols]\n"
        "SourceColumn_1=Code\nTargetColumn_1=Code\n"
        "SourceColumn_2=Name\nTargetColumn_2=Name\nMappingOption_2_NULLSource=Use Previous Value\n"
        "SourceMappingType_3=Lookup\nSourceColumn_3=Region\nSourceMappingSQLConnection_3=Db\n"
        "SourceMappingSQLStatement_3=SELECT Label FROM Regions WHERE Id = [P1]\n"
        "SourceMappingOption_3_NULLLookups=Skip Record And Log\nTargetColumn_3=Label\n"
        "SourceMappingType_4=Constant\nSourceValue_4=$(Batch)\nTargetColumn_4=Fixed\n");
    const auto ids = recordIds();
    const auto mappings = loadMappings();
    auto source = rows("SELECT Code, Name, Region FROM Customers ORDER BY rowid");
    auto out = target("Out");
    ids->ActiveRecordset(source);
    mappings->SourceRecordset(source);
    mappings->TargetRecordset(out);
    std::vector<std::int32_t> results;
    for (; !source->EOF(); source->MoveNext()) {
        out->AddNew();
        results.push_back(mappings->PerformDataMappings());
        if (results.back() < 0 || results.back() == kcmSkipRecord) {
            out->CancelUpdate();
        } else {
            out->Update();
        }
    }
    out->Close();
    mappings->CloseRecordsets();
    EXPECT_EQ(results, (std::vector<std::int32_t>{0, 4, 4, 0}));
    EXPECT_EQ(valueText(mappings->Item(2)->PreviousValue()), "Cy");

    std::vector<std::string> written;
    for (auto saved = rows("SELECT Code, Name, Label, Fixed FROM Out ORDER BY rowid");
         !saved->EOF(); saved->MoveNext()) {
        std::string line;
        for (const auto& field : saved->Fields()) {
            line += valueText(field->Value()) + " ";
        }
        written.push_back(line);
    }
    EXPECT_EQ(written, (std::vector<std::string>{"A17 Ann North B1 ", "D4 Cy South B1 "}));
    const std::string skipped =
        "3 4 clsKivColumnMapping.PerformDataMapping: Lookup based on source record resulted in "
        "a NULL value. Record has been skipped.";
    EXPECT_EQ(reported(), (std::vector<std::string>{skipped, skipped}));
}

}  // namespace kiv::testing
