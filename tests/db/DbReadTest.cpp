#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbFixture.h"
#include "db/Constants.h"
#include "db/Field.h"
#include "db/Recordset.h"

namespace kiv::db::testing {
namespace {

using Kind = Variant::Kind;

class DbRead : public DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        execute(
            "CREATE TABLE People (Id INTEGER, Name VARCHAR(20), Born DATE, Active BIT, "
            "Big BIGINT, Score REAL, Fee MONEY, Note TEXT, Misc)");
        execute(
            "INSERT INTO People VALUES (1, 'Ann', '1990-05-17', 1, 5000000000, 1.5, 2.25, "
            "'first', 7)");
        execute(
            "INSERT INTO People VALUES (2, 'Bob', '2001-12-31 08:30:00', 0, 7, 2, 3, NULL, "
            "'x')");
        execute("INSERT INTO People VALUES (3, 'Cy', NULL, 1, NULL, NULL, NULL, 'third', NULL)");
    }

    std::vector<std::string> names(Recordset& recordset) {
        std::vector<std::string> seen;
        while (!recordset.EOF()) {
            seen.push_back(recordset.Fields().Item("Name")->Value().toText());
            recordset.MoveNext();
        }
        return seen;
    }
};

TEST_F(DbRead, FieldsReportTheDeclaredTypes) {
    auto people = query("SELECT * FROM People");
    const Fields& fields = people->Fields();
    ASSERT_EQ(fields.Count(), 9);
    const std::vector<long> types = {adInteger, adVarChar,  adDate,        adBoolean, adBigInt,
                                     adDouble,  adCurrency, adLongVarChar, adVariant};
    for (long i = 0; i < fields.Count(); ++i) {
        EXPECT_EQ(fields.Item(i)->Type(), types[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(fields.Item("name")->DefinedSize(), 20);
    EXPECT_EQ(fields.Item("Note")->DefinedSize(), 2147483647);
}

TEST_F(DbRead, ValuesArriveAsTheKindsTheirColumnsDeclare) {
    auto people = query("SELECT * FROM People ORDER BY Id");
    const Fields& fields = people->Fields();
    EXPECT_EQ(fields.Item("Id")->Value(), Variant(std::int32_t{1}));
    EXPECT_EQ(fields.Item("Name")->Value(), Variant("Ann"));
    EXPECT_EQ(fields.Item("Born")->Value(),
              Variant::fromDate(Variant::serialFromCivil(1990, 5, 17)));
    EXPECT_EQ(fields.Item("Active")->Value(), Variant(true));
    EXPECT_EQ(fields.Item("Big")->Value(), Variant(std::int64_t{5000000000}));
    EXPECT_EQ(fields.Item("Score")->Value(), Variant(1.5));
    EXPECT_EQ(fields.Item("Fee")->Value(), Variant::fromCurrencyScaled(22500));
    EXPECT_EQ(fields.Item("Misc")->Value(), Variant(std::int32_t{7}));

    people->MoveNext();
    EXPECT_EQ(fields.Item("Born")->Value(),
              Variant::fromDate(Variant::serialFromCivil(2001, 12, 31, 8, 30)));
    EXPECT_EQ(fields.Item("Active")->Value(), Variant(false));
    EXPECT_EQ(fields.Item("Big")->Value().kind(), Kind::BigInt);
    EXPECT_EQ(fields.Item("Score")->Value(), Variant(2.0));
    EXPECT_TRUE(fields.Item("Note")->Value().isNull());
    EXPECT_EQ(fields.Item("Misc")->Value(), Variant("x"));

    people->MoveNext();
    EXPECT_TRUE(fields.Item("Born")->Value().isNull());
    EXPECT_TRUE(fields.Item("Fee")->Value().isNull());
}

TEST_F(DbRead, ASingleColumnGivesTheShortestDecimalOfItsSingleValue) {
    // 0.15 as a Single is 0.1500000059604645 as a Double: computing goes on with that value,
    // and what the column shows is 0.15.
    execute("CREATE TABLE Rates (Rate SINGLE)");
    execute("INSERT INTO Rates VALUES (0.1500000059604645), (1.23456789)");
    auto rates = query("SELECT Rate, Rate * 2 AS Twice FROM Rates");
    EXPECT_EQ(rates->Fields().Item("Rate")->Type(), adSingle);
    EXPECT_EQ(rates->Fields().Item("Rate")->Value(), Variant(0.15));
    EXPECT_EQ(rates->Fields().Item("Twice")->Value(), Variant(0.300000011920929));
    rates->MoveNext();
    EXPECT_EQ(rates->Fields().Item("Rate")->Value(), Variant(1.2345679));
}

TEST_F(DbRead, MovesThroughEveryRowAndStopsPastTheLast) {
    auto people = query("SELECT Name FROM People ORDER BY Id");
    EXPECT_FALSE(people->BOF());
    EXPECT_FALSE(people->EOF());
    EXPECT_EQ(names(*people), (std::vector<std::string>{"Ann", "Bob", "Cy"}));
    EXPECT_TRUE(people->EOF());

    const Error pastTheEnd = errorOf([&] { people->MoveNext(); });
    EXPECT_EQ(pastTheEnd.Number(), adErrNoCurrentRecord);
    const Error noRow = errorOf([&] { people->Fields().Item(0L)->Value(); });
    EXPECT_EQ(noRow.Number(), adErrNoCurrentRecord);
}

TEST_F(DbRead, MoveFirstRunsTheStatementAgain) {
    auto people = query("SELECT Name FROM People ORDER BY Id");
    names(*people);
    people->MoveFirst();
    EXPECT_EQ(names(*people), (std::vector<std::string>{"Ann", "Bob", "Cy"}));
}

TEST_F(DbRead, AnEmptyResultIsBeforeTheFirstAndAfterTheLastRow) {
    auto nobody = query("SELECT * FROM People WHERE Id > 100");
    EXPECT_EQ(nobody->State(), adStateOpen);
    EXPECT_TRUE(nobody->BOF());
    EXPECT_TRUE(nobody->EOF());
    EXPECT_EQ(nobody->Fields().Count(), 9);
    EXPECT_EQ(errorOf([&] { nobody->MoveFirst(); }).Number(), adErrNoCurrentRecord);
}

TEST_F(DbRead, RowsAreReadAsTheCallerMoves) {
    // The third row makes the statement fail; a recordset that read ahead would fail to
    // open.
    auto rows = query(
        "SELECT Id, CASE WHEN Id = 3 THEN abs(-9223372036854775807 - 1) ELSE Id END AS V "
        "FROM People");
    EXPECT_EQ(rows->Fields().Item("V")->Value(), Variant(std::int32_t{1}));
    rows->MoveNext();
    EXPECT_EQ(rows->Fields().Item("V")->Value(), Variant(std::int32_t{2}));
    const Error overflow = errorOf([&] { rows->MoveNext(); });
    EXPECT_NE(overflow.Description().find("integer overflow"), std::string::npos);
}

TEST_F(DbRead, MoveCompleteFollowsOpeningAndEveryMove) {
    auto people = std::make_shared<Recordset>();
    int moves = 0;
    std::vector<bool> onRow;
    const Subscription subscription = people->MoveComplete.subscribe([&] {
        ++moves;
        onRow.push_back(!people->EOF());
    });
    people->Open("SELECT * FROM People", connection_, adOpenForwardOnly, adLockOptimistic,
                 adCmdText);
    EXPECT_EQ(moves, 1);
    people->MoveNext();
    people->MoveNext();
    people->MoveNext();
    people->MoveFirst();
    EXPECT_EQ(onRow, (std::vector<bool>{true, true, true, false, true}));

    auto nobody = std::make_shared<Recordset>();
    int emptyMoves = 0;
    const Subscription empty = nobody->MoveComplete.subscribe([&] { ++emptyMoves; });
    nobody->Open("SELECT * FROM People WHERE 0", connection_);
    EXPECT_EQ(emptyMoves, 0);
}

TEST_F(DbRead, ExpressionColumnsTakeTheTypeOfTheirFirstValue) {
    auto counted = query("SELECT COUNT (*) AS RcdCnt FROM [People]");
    EXPECT_EQ(counted->Fields().Item("RcdCnt")->Type(), adInteger);
    EXPECT_EQ(counted->Fields().Item(0L)->Value(), Variant(std::int32_t{3}));

    auto mixed = query(
        "SELECT Name || '!' AS Shout, Id * 0.5 AS Half, NULL AS Nil, "
        "Id * 10000000000 AS Huge FROM People ORDER BY Id");
    EXPECT_EQ(mixed->Fields().Item("Shout")->Type(), adLongVarChar);
    EXPECT_EQ(mixed->Fields().Item("Half")->Type(), adDouble);
    EXPECT_EQ(mixed->Fields().Item("Nil")->Type(), adVariant);
    EXPECT_EQ(mixed->Fields().Item("Huge")->Type(), adBigInt);
    EXPECT_EQ(mixed->Fields().Item("Shout")->Value(), Variant("Ann!"));
}

TEST_F(DbRead, ExecuteGivesARecordsetForRowsAndACountForChanges) {
    long affected = 0;
    auto rows = connection_->Execute("SELECT Name FROM People", &affected);
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->State(), adStateOpen);
    EXPECT_EQ(affected, -1);
    EXPECT_EQ(rows->ActiveConnection(), connection_);

    EXPECT_FALSE(connection_->Execute("UPDATE People SET Note = 'n' WHERE Id < 3", &affected));
    EXPECT_EQ(affected, 2);
    EXPECT_FALSE(connection_->Execute("DELETE FROM People; DELETE FROM People", &affected));
    EXPECT_EQ(affected, 3);
}

TEST_F(DbRead, ClosingTheConnectionClosesItsRecordsets) {
    auto people = query("SELECT * FROM People");
    auto field = people->Fields().Item(0L);
    connection_->Close();
    EXPECT_EQ(connection_->State(), adStateClosed);
    EXPECT_EQ(people->State(), adStateClosed);
    EXPECT_EQ(errorOf([&] { field->Value(); }).Number(), adErrObjectClosed);
}

TEST_F(DbRead, NamesWithAClosingBracketAreQuotedByDoublingIt) {
    execute("CREATE TABLE [odd]]name] ([a]]b] INTEGER)");
    execute("INSERT INTO [odd]]name] VALUES (5)");
    auto rows = query("SELECT [a]]b] FROM [odd]]name] WHERE 'x]]y' <> ''");
    EXPECT_EQ(rows->Fields().Item(0L)->Name(), "a]b");
    EXPECT_EQ(rows->Fields().Item("a]b")->Value(), Variant(std::int32_t{5}));
}

}  // namespace
}  // namespace kiv::db::testing
