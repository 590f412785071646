#include <gtest/gtest.h>

#include <string>

#include "DbFixture.h"
#include "db/Constants.h"
#include "db/Field.h"
#include "db/Recordset.h"

namespace kiv::db::testing {
namespace {

class DbTarget : public DbFixture {
protected:
    void add(Recordset& recordset, const Variant& id, const Variant& name) {
        recordset.AddNew();
        recordset.Fields().Item("Id")->Value(id);
        recordset.Fields().Item("Name")->Value(name);
        recordset.Update();
    }

    std::string text(const std::string& sql) {
        auto rows = query(sql);
        return rows->EOF() ? "<none>" : rows->Fields().Item(0L)->Value().toText();
    }
};

TEST_F(DbTarget, KnowsTheColumnsWithoutReadingRows) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10), Price NUMERIC(8,2))");
    execute("INSERT INTO Items VALUES (1, 'old', 1)");
    auto items = target("Items");
    EXPECT_EQ(items->State(), adStateOpen);
    EXPECT_TRUE(items->BOF());
    EXPECT_TRUE(items->EOF());
    ASSERT_EQ(items->Fields().Count(), 3);
    EXPECT_EQ(items->Fields().Item("Price")->Type(), adNumeric);
    EXPECT_EQ(items->Fields().Item("Price")->Precision(), 8);
    EXPECT_EQ(items->Fields().Item("Name")->DefinedSize(), 10);
}

TEST_F(DbTarget, RowsBecomeDurableWhenTheRecordsetCloses) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10))");
    auto items = target("Items");
    for (int i = 1; i <= 150; ++i) {
        add(*items, i, "n" + std::to_string(i));
    }
    EXPECT_EQ(committedCount("Items"), 0) << "one transaction for the whole recordset";
    items->Close();
    EXPECT_EQ(committedCount("Items"), 150);
    EXPECT_EQ(text("SELECT group_concat(Name) FROM (SELECT Name FROM Items WHERE Id IN (1, 64, "
                   "65, 150) ORDER BY Id)"),
              "n1,n64,n65,n150");
}

TEST_F(DbTarget, EveryStatementSeesTheRowsAddedBeforeIt) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10))");
    auto items = target("Items");
    for (int i = 1; i <= 10; ++i) {
        add(*items, i, "x");
    }
    EXPECT_EQ(text("SELECT count(*) FROM Items"), "10");

    // Another connection of the program to the same file shares the database, and with it
    // the rows not yet committed; it can write too without waiting for a lock.
    auto other = std::make_shared<Connection>();
    other->Open(connectString());
    add(*items, 11, "y");
    auto counted = other->Execute("SELECT count(*) FROM Items");
    EXPECT_EQ(counted->Fields().Item(0L)->Value().toText(), "11");
    other->Execute("INSERT INTO Items VALUES (12, 'z')");
    items->Close();
    EXPECT_EQ(committedCount("Items"), 12);
}

TEST_F(DbTarget, ValuesAreConvertedToTheDeclaredTypesAndDatesStoredAsIsoText) {
    execute(
        "CREATE TABLE Typed (Id INTEGER, Name VARCHAR(10), Born DATETIME, Paid BIT, "
        "Fee CURRENCY, Note TEXT)");
    auto typed = target("Typed");
    typed->AddNew();
    typed->Fields().Item("Id")->Value(" 42 ");
    typed->Fields().Item("Name")->Value(3.5);
    typed->Fields().Item("Born")->Value("12/31/1999 23:59");
    typed->Fields().Item("Paid")->Value("True");
    typed->Fields().Item("Fee")->Value("1.23456");
    typed->Update();
    typed->Close();
    EXPECT_EQ(text("SELECT typeof(Id) || ' ' || Id || ' ' || Name || ' ' || Born || ' ' || Paid "
                   "|| ' ' || Fee || ' ' || ifnull(Note, 'null') FROM Typed"),
              "integer 42 3.5 1999-12-31 23:59:00 1 1.2346 null");
}

TEST_F(DbTarget, AValueThatDoesNotConvertIsRefusedNamingColumnAndValue) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10))");
    auto items = target("Items");
    add(*items, 1, "ok");
    items->AddNew();
    items->Fields().Item("Id")->Value("[twelve]");
    const Error refused = errorOf([&] { items->Update(); });
    EXPECT_EQ(refused.SQLState(), "22018");
    EXPECT_EQ(refused.Description().rfind("[Kiv][SQLite]", 0), 0U);
    // What a user is shown: the text after the last "]".
    const std::string shown = refused.Description().substr(refused.Description().rfind(']') + 1);
    EXPECT_NE(shown.find("twelve"), std::string::npos) << shown;
    EXPECT_NE(shown.find("'Id'"), std::string::npos) << shown;
    ASSERT_EQ(connection_->Errors().Count(), 1);
    EXPECT_EQ(connection_->Errors().Item(0)->SQLState(), "22018");

    EXPECT_EQ(committedCount("Items"), 1) << "rows before a failure are committed at once";
    items->CancelUpdate();
    items->Close();
    EXPECT_EQ(text("SELECT count(*) FROM Items"), "1");
}

TEST_F(DbTarget, TextLongerThanTheDeclaredLengthIsRefused) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(5), Code CHAR(2))");
    auto items = target("Items");
    add(*items, 1, "äöüßé");  // five characters, ten bytes
    items->AddNew();
    items->Fields().Item("Code")->Value("ABC");
    const Error refused = errorOf([&] { items->Update(); });
    EXPECT_EQ(refused.SQLState(), "22001");
    EXPECT_NE(refused.Description().find("String data, right truncation"), std::string::npos);
    EXPECT_NE(refused.Description().find("'Code'"), std::string::npos);
}

TEST_F(DbTarget, AFailureInTheMiddleKeepsTheRowsBeforeAndReportsTheFailingRow) {
    execute("CREATE TABLE Keyed (Id INTEGER PRIMARY KEY, Name VARCHAR(10))");
    auto keyed = target("Keyed");
    for (int id : {1, 2, 3}) {
        add(*keyed, id, "a");
    }
    keyed->AddNew();
    keyed->Fields().Item("Id")->Value(2);
    const Error duplicate = errorOf([&] { keyed->Update(); });
    EXPECT_EQ(duplicate.SQLState(), "23000");
    EXPECT_EQ(duplicate.NativeError(), SQLITE_CONSTRAINT_PRIMARYKEY);
    EXPECT_NE(duplicate.Description().find("Keyed.Id"), std::string::npos);
    EXPECT_EQ(committedCount("Keyed"), 3);

    // The recordset goes on after the failure, in a new transaction.
    keyed->CancelUpdate();
    add(*keyed, 4, "b");
    keyed->Close();
    EXPECT_EQ(committedCount("Keyed"), 4);
}

TEST_F(DbTarget, AGroupThatFailsIsSentAgainRowByRow) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10))");
    auto items = target("Items");
    // An index made after the recordset opened can refuse rows the recordset holds back.
    execute("CREATE UNIQUE INDEX OneId ON Items (Id)");
    for (int i = 1; i < 64; ++i) {
        add(*items, i == 40 ? 10 : i, "r" + std::to_string(i));
    }
    items->AddNew();
    items->Fields().Item("Id")->Value(64);
    const Error duplicate = errorOf([&] { items->Update(); });
    EXPECT_EQ(duplicate.SQLState(), "23000");
    EXPECT_NE(duplicate.Description().find("UNIQUE constraint failed: Items.Id"),
              std::string::npos);
    EXPECT_EQ(committedCount("Items"), 39);
    EXPECT_EQ(text("SELECT max(Name) FROM Items WHERE Id = 39"), "r39");
}

TEST_F(DbTarget, HeldRowsThatFailWhenAnotherStatementRunsAreReportedByTheNextSave) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10))");
    auto items = target("Items");
    execute("CREATE UNIQUE INDEX OneId ON Items (Id)");
    add(*items, 1, "a");
    add(*items, 1, "b");
    EXPECT_EQ(text("SELECT count(*) FROM Items"), "1");
    items->AddNew();
    items->Fields().Item("Id")->Value(2);
    EXPECT_EQ(errorOf([&] { items->Update(); }).SQLState(), "23000");
}

TEST_F(DbTarget, HeldRowsThatFailWhileClosingAreReportedByClose) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10))");
    auto items = target("Items");
    execute("CREATE UNIQUE INDEX OneId ON Items (Id)");
    for (int id : {1, 2, 3, 2, 5}) {
        add(*items, id, "v");
    }
    const Error duplicate = errorOf([&] { items->Close(); });
    EXPECT_EQ(duplicate.SQLState(), "23000");
    EXPECT_EQ(items->State(), adStateClosed);
    EXPECT_EQ(committedCount("Items"), 3);
}

TEST_F(DbTarget, NumbersOutsideTheColumnsRangeAreRefused) {
    execute("CREATE TABLE Sized (Small SMALLINT, Amount DECIMAL(5,2), Day DATE)");
    auto sized = target("Sized");
    const auto refusal = [&](const char* column, const Variant& value) {
        sized->AddNew();
        sized->Fields().Item(column)->Value(value);
        const Error error = errorOf([&] { sized->Update(); });
        sized->CancelUpdate();
        return error.SQLState();
    };
    EXPECT_EQ(refusal("Small", 40000), "22003");
    EXPECT_EQ(refusal("Amount", 1000), "22003");
    EXPECT_EQ(refusal("Day", 3000000.0), "22008");
    EXPECT_EQ(refusal("Day", "not a day"), "22018");
    sized->AddNew();
    sized->Fields().Item("Amount")->Value("999.994");
    sized->Update();
    sized->Close();
    EXPECT_EQ(text("SELECT Amount FROM Sized"), "999.99");
}

TEST_F(DbTarget, ColumnsLeftOutTakeTheirDefaults) {
    execute(
        "CREATE TABLE Items (Id INTEGER NOT NULL, Name VARCHAR(10) DEFAULT 'none', "
        "Code TEXT NOT NULL DEFAULT 'c', Seq INTEGER PRIMARY KEY)");
    auto items = target("Items");
    items->AddNew();
    items->Fields().Item("Id")->Value(1);
    items->Update();
    items->AddNew();
    items->Fields().Item("Name")->Value("x");
    const Error missing = errorOf([&] { items->Update(); });
    EXPECT_EQ(missing.SQLState(), "23000");
    EXPECT_NE(missing.Description().find("NOT NULL constraint failed: Items.Id"),
              std::string::npos);
    items->CancelUpdate();
    items->Close();
    EXPECT_EQ(text("SELECT Id || Name || Code || Seq FROM Items"), "1nonec1");
}

TEST_F(DbTarget, ValuesAreWrittenOnlyBetweenAddNewAndUpdate) {
    execute("CREATE TABLE Items (Id INTEGER)");
    auto items = target("Items");
    EXPECT_EQ(errorOf([&] { items->Fields().Item(0L)->Value(1); }).Number(), adErrIllegalOperation);
    items->AddNew();
    items->Fields().Item(0L)->Value(1);
    items->CancelUpdate();
    items->Close();
    EXPECT_EQ(committedCount("Items"), 0);
}

TEST_F(DbTarget, ANewRowReadsNullUntilItsValuesAreGiven) {
    execute("CREATE TABLE Items (Id INTEGER, Name VARCHAR(10))");
    auto items = target("Items");
    add(*items, 1, "first");
    items->AddNew();
    EXPECT_TRUE(items->Fields().Item("Name")->Value().isNull());
    items->Fields().Item("Id")->Value(2);
    items->Update();
    EXPECT_EQ(items->Fields().Item("Id")->Value(), Variant(std::int32_t{2}));
    EXPECT_TRUE(items->Fields().Item("Name")->Value().isNull());
    items->Close();
    EXPECT_EQ(text("SELECT count(*) FROM Items WHERE Name IS NULL"), "1");
}

TEST_F(DbTarget, AStreamingRecordsetDoesNotTakeNewRows) {
    execute("CREATE TABLE Items (Id INTEGER)");
    auto items = query("SELECT * FROM Items");
    EXPECT_EQ(errorOf([&] { items->AddNew(); }).Number(), adErrFeatureNotAvailable);
}

TEST_F(DbTarget, AnUnknownTableFailsToOpen) {
    const Error missing = errorOf([&] { target("Nowhere"); });
    EXPECT_EQ(missing.SQLState(), "42S02");
    EXPECT_NE(missing.Description().find("Nowhere"), std::string::npos);
}

TEST_F(DbTarget, ABracketedNameWithAClosingBracketIsATarget) {
    execute("CREATE TABLE [a]]b] ([c]]d] INTEGER)");
    auto odd = std::make_shared<Recordset>();
    odd->Open("SELECT * FROM [a]]b]", connection_, adOpenKeyset, adLockOptimistic, adCmdText);
    for (int i = 0; i < 70; ++i) {
        odd->AddNew();
        odd->Fields().Item("c]d")->Value(i);
        odd->Update();
    }
    odd->Close();
    EXPECT_EQ(committedCount("a]b"), 70);
}

}  // namespace
}  // namespace kiv::db::testing
