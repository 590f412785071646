#include "db/Command.h"
#include "db/odbc/OdbcFixture.h"

namespace kiv::db::testing {

namespace {

// Adds the rows first..last, each with its number and a name.
void addPeople(Recordset& target, int first, int last) {
    for (int id = first; id <= last; ++id) {
        target.AddNew();
        target.Fields().Item("id")->Value(Variant(std::int32_t{id}));
        target.Fields().Item("name")->Value(Variant("Person " + std::to_string(id)));
        target.Update();
    }
}

}  // namespace

using OdbcWriteTest = OdbcFixture;

TEST_F(OdbcWriteTest, RowsAddedToATargetAreWrittenAndCommittedAtClose) {
    setUp("CREATE TABLE people (id int, name varchar(40))");
    const auto people = target("people");
    EXPECT_EQ(people->Fields().Count(), 2);
    addPeople(*people, 1, 1234);
    EXPECT_EQ(committedCount("people"), 0);
    people->Close();
    EXPECT_EQ(committedCount("people"), 1234);
    EXPECT_EQ(database.plain.query("SELECT id, name FROM people WHERE id IN (1, 1234) ORDER BY id"),
              (std::vector<std::string>{"1|Person 1", "1234|Person 1234"}));
    EXPECT_EQ(database.plain.scalar("SELECT count(DISTINCT id) FROM people"), "1234");
}

TEST_F(OdbcWriteTest, HeldRowsReachTheServerBeforeAnyOtherStatement) {
    setUp("CREATE TABLE people (id int, name varchar(40))");
    const auto people = target("people");
    addPeople(*people, 1, 3);
    const auto count = connection->Execute("SELECT count(*) AS n FROM people");
    EXPECT_EQ(count->Fields().Item("n")->Value().toLong(), 3);
}

TEST_F(OdbcWriteTest, ATransactionHoldsAtMostTenThousandRows) {
    setUp("CREATE TABLE people (id int, name varchar(40))");
    const auto people = target("people");
    addPeople(*people, 1, 21000);
    EXPECT_EQ(committedCount("people"), 20000);
    people->Close();
    EXPECT_EQ(committedCount("people"), 21000);
}

TEST_F(OdbcWriteTest, RowsOfATableWithAKeyAreGroupedAndCommittedLikeAnyOthers) {
    setUp("CREATE TABLE people (id int PRIMARY KEY, name varchar(40))");
    const auto people = target("people");
    addPeople(*people, 1, 21000);
    EXPECT_EQ(committedCount("people"), 20000);
    people->Close();
    EXPECT_EQ(committedCount("people"), 21000);
}

TEST_F(OdbcWriteTest, AKeyViolationIsReportedWithItsRowAndTheRowsBeforeItStayWritten) {
    setUp("CREATE TABLE people (id int PRIMARY KEY, name varchar(40))");
    const auto people = target("people");
    addPeople(*people, 1, 6);
    people->AddNew();
    people->Fields().Item("id")->Value(Variant(std::int32_t{3}));
    people->Fields().Item("name")->Value(Variant("Again 3"));
    people->Update();
    addPeople(*people, 8, 9);
    const Error error = errorOf([&] { people->UpdateBatch(); });
    EXPECT_EQ(error.SQLState(), "23505");
    EXPECT_EQ(error.RowsAfter(), 2U);
    EXPECT_NE(error.Description().find("duplicate key value violates unique constraint"),
              std::string::npos)
        << error.Description();
    EXPECT_EQ(connection->Errors().Item(0)->SQLState(), "23505");
    EXPECT_EQ(committedCount("people"), 6);
}

TEST_F(OdbcWriteTest, ACheckConstraintRefusesItsRowWhenItIsSent) {
    setUp("CREATE TABLE stock (item varchar(10), qty int CHECK (qty > 0))");
    const auto stock = target("stock");
    for (int row = 1; row <= 7; ++row) {
        stock->AddNew();
        stock->Fields().Item("item")->Value(Variant("i" + std::to_string(row)));
        stock->Fields().Item("qty")->Value(Variant(std::int32_t{row == 7 ? -1 : row}));
        stock->Update();
    }
    const Error error = errorOf([&] { stock->UpdateBatch(); });
    EXPECT_EQ(error.SQLState(), "23514");
    EXPECT_EQ(error.RowsAfter(), 0U);
    EXPECT_EQ(committedCount("stock"), 6);
}

TEST_F(OdbcWriteTest, AValueThatIsNoNumberIsRefusedAtItsRow) {
    setUp("CREATE TABLE people (id int, name varchar(40))");
    const auto people = target("people");
    addPeople(*people, 1, 2);
    people->AddNew();
    people->Fields().Item("id")->Value(Variant("seven"));
    const Error error = errorOf([&] { people->Update(); });
    EXPECT_EQ(error.SQLState(), "22018");
    EXPECT_EQ(error.Description(),
              "[Kiv][ODBC]Cannot convert the value 'seven' to int4 for column 'id'.");
    EXPECT_EQ(committedCount("people"), 2);
}

TEST_F(OdbcWriteTest, TheServerJudgesLengthsAndDecimalsTheDriverMayReportWrongly) {
    setUp("CREATE TABLE notes (short varchar(5), free varchar, exact numeric, money numeric(6,2))");
    const auto notes = target("notes");
    notes->AddNew();
    notes->Fields().Item("short")->Value(Variant("abcde"));
    notes->Fields().Item("free")->Value(Variant(std::string(300, 'x')));
    notes->Fields().Item("exact")->Value(Variant(1.23456789));
    notes->Fields().Item("money")->Value(Variant(1234.565));
    notes->Update();
    notes->AddNew();
    notes->Fields().Item("short")->Value(Variant("abcdef"));
    const Error error = errorOf([&] { notes->UpdateBatch(); });
    EXPECT_EQ(error.SQLState(), "22001");
    notes->Close();
    EXPECT_EQ(database.plain.query("SELECT short, length(free), exact, money FROM notes"),
              (std::vector<std::string>{"abcde|300|1.23456789|1234.57"}));
}

TEST_F(OdbcWriteTest, ValuesOfEveryKindArriveAsTheyWereGiven) {
    setUp(R"(CREATE TABLE kinds (t text, d date, ts timestamp, tm time, b bool, f float8,
             big int8, bin bytea, u uuid))");
    const auto kinds = target("kinds");
    kinds->AddNew();
    kinds->Fields().Item("t")->Value(
        Variant("Gr\xC3\xBC\xC3\x9F"
                "e \xF0\x9F\x98\x80"));
    kinds->Fields().Item("d")->Value(Variant("2024-02-29"));
    kinds->Fields().Item("ts")->Value(
        Variant::fromDate(Variant::serialFromCivil(2023, 7, 1, 8, 9, 10)));
    kinds->Fields().Item("tm")->Value(Variant("17:30:05"));
    kinds->Fields().Item("b")->Value(Variant(true));
    kinds->Fields().Item("f")->Value(Variant("2.5"));
    kinds->Fields().Item("big")->Value(Variant(std::int64_t{9000000000}));
    kinds->Fields().Item("bin")->Value(Variant(std::string_view("\x00\x01\xff", 3)));
    kinds->Fields().Item("u")->Value(Variant("A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11"));
    kinds->Update();
    kinds->Close();
    EXPECT_EQ(
        database.plain.query("SELECT t = U&'Gr\\00FC\\00DFe \\+01F600', d, ts, tm, b, f, big, "
                             "encode(bin, 'hex'), u::text FROM kinds"),
        (std::vector<std::string>{"1|2024-02-29|2023-07-01 08:09:10|17:30:05|1|2.5|"
                                  "9000000000|0001ff|a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"}));
}

TEST_F(OdbcWriteTest, NullForAColumnThatTakesNoneIsRefusedByTheServerAtItsRow) {
    setUp("CREATE TABLE people (id serial, name varchar(40) NOT NULL)");
    const auto people = target("people");
    people->AddNew();
    people->Fields().Item("name")->Value(Variant("first"));
    people->Update();
    people->AddNew();
    people->Fields().Item("name")->Value(Variant::Null());
    EXPECT_EQ(errorOf([&] { people->UpdateBatch(); }).SQLState(), "23502");
    // The refused group and its rows sent again have drawn numbers from the sequence.
    EXPECT_EQ(database.plain.query("SELECT name FROM people"), (std::vector<std::string>{"first"}));
}

TEST_F(OdbcWriteTest, AReadOnlyConnectionOpensNoTableForWriting) {
    setUp("CREATE TABLE people (id int)");
    const auto reading = open(database.connectString(), adModeRead);
    auto people = std::make_shared<Recordset>();
    const Error error = errorOf([&] {
        people->Open("SELECT * FROM [people]", reading, adOpenKeyset, adLockOptimistic, adCmdText);
    });
    EXPECT_EQ(error.SQLState(), "25006");
}

TEST_F(OdbcWriteTest, AnUnknownTableIsReportedByName) {
    const Error error = errorOf([&] { target("nowhere"); });
    EXPECT_EQ(error.SQLState(), "42S02");
    EXPECT_EQ(error.Description(), "[Kiv][ODBC]The table 'nowhere' does not exist.");
}

TEST_F(OdbcWriteTest, AnInsertCommandRunsOncePerRowInsideTransactions) {
    setUp("CREATE TABLE people (id int PRIMARY KEY, name varchar(40))");
    auto insert = std::make_shared<Command>();
    insert->ActiveConnection(connection);
    insert->CommandText("INSERT INTO [people] (\r\n  [id]\r\n, [name] )\r\n VALUES ( ?, ? )");
    insert->Parameters().Append(insert->CreateParameter("Param-id", adInteger, adParamInput, 4));
    insert->Parameters().Append(insert->CreateParameter("Param-name", adVarChar, adParamInput, 40));
    for (int id = 1; id <= 4; ++id) {
        insert->Parameters().Item(0)->Value(Variant(std::to_string(id)));
        insert->Parameters().Item(1)->Value(Variant("P" + std::to_string(id)));
        long affected = 0;
        insert->Execute(&affected);
        EXPECT_EQ(affected, 1);
    }
    EXPECT_EQ(committedCount("people"), 0);
    insert->Parameters().Item(0)->Value(Variant("2"));
    EXPECT_EQ(errorOf([&] { insert->Execute(); }).SQLState(), "23505");
    EXPECT_EQ(committedCount("people"), 4);
    insert->ActiveConnection(nullptr);
    EXPECT_EQ(database.plain.query("SELECT name FROM people ORDER BY id"),
              (std::vector<std::string>{"P1", "P2", "P3", "P4"}));
}

TEST_F(OdbcWriteTest, ALookupCommandFindsRowsByATextParameter) {
    setUp("CREATE TABLE country (id int, name varchar(20))");
    setUp("INSERT INTO country VALUES (1, 'France'), (2, 'Spain')");
    auto lookup = std::make_shared<Command>();
    lookup->ActiveConnection(connection);
    lookup->CommandText("SELECT name FROM country WHERE id = ?");
    lookup->Parameters().Append(lookup->CreateParameter("1-id", adVarChar, adParamInput, 50));
    for (const auto& [id, name] : {std::pair{"2", "Spain"}, std::pair{"1", "France"}}) {
        lookup->Parameters().Item(0)->Value(Variant(id));
        const auto found = lookup->Execute();
        ASSERT_TRUE(found);
        EXPECT_EQ(found->Fields().Item(0)->Value(), Variant(name));
    }
    lookup->Parameters().Item(0)->Value(Variant("9"));
    EXPECT_TRUE(lookup->Execute()->EOF());
}

}  // namespace kiv::db::testing
