#include "base/Text.h"
#include "db/odbc/OdbcFixture.h"

namespace kiv::db::testing {

using OdbcReadTest = OdbcFixture;

namespace {

double serial(int year, int month, int day, int hour = 0, int minute = 0, double second = 0) {
    return Variant::serialFromCivil(year, month, day, hour, minute, second);
}

}  // namespace

TEST_F(OdbcReadTest, RowsAreFetchedAsTheCallerMoves) {
    // The driver fetches two rows at a time here, so the failing third row is only met when
    // the recordset moves to it.
    const auto streaming = open(database.connectString() + "UseDeclareFetch=1;Fetch=2;");
    auto rows = std::make_shared<Recordset>();
    rows->Open("SELECT 10 / (3 - g) AS q FROM generate_series(1, 5) g", streaming);
    EXPECT_EQ(rows->Fields().Item("q")->Value(), Variant(std::int32_t{5}));
    rows->MoveNext();
    EXPECT_EQ(rows->Fields().Item("q")->Value(), Variant(std::int32_t{10}));
    const Error error = errorOf([&] { rows->MoveNext(); });
    EXPECT_EQ(error.SQLState(), "22012");
    EXPECT_NE(error.Description().find("division by zero"), std::string::npos);
}

TEST_F(OdbcReadTest, AQueryIsReadToItsEndAndAgainFromItsStart) {
    const auto rows = query("SELECT g AS n FROM generate_series(1, 20000) g ORDER BY g");
    long count = 0;
    long long sum = 0;
    while (!rows->EOF()) {
        ++count;
        sum += rows->Fields().Item("n")->Value().toLong();
        rows->MoveNext();
    }
    EXPECT_EQ(count, 20000);
    EXPECT_EQ(sum, 20000LL * 20001 / 2);
    rows->MoveFirst();
    EXPECT_EQ(rows->Fields().Item("n")->Value(), Variant(std::int32_t{1}));
}

TEST_F(OdbcReadTest, EveryCommonColumnTypeHasItsCodeAndValue) {
    setUp(R"(CREATE TABLE sample (
        a int2, b int4, c int8, d real, e float8, f numeric(10,2), g numeric(12,0), h bool,
        i char(5), j varchar(20), k text, l date, m time, n timestamp, o uuid, p bytea))");
    setUp(R"(INSERT INTO sample VALUES (-3, 2000000000, 9000000000, 1.5, 2.25, 12345678.91,
        123456789012, true, 'ab', 'xyz', U&'Gr\00FC\00DFe \+01F600', '2024-02-29', '13:45:10',
        '2024-02-29 13:45:10.5', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '\x00ff41'))");
    setUp("INSERT INTO sample (a) VALUES (NULL)");
    // The Unicode driver reports its character types as national ones, and booleans as
    // such when asked to.
    const auto reading = open(database.connectString() + "BoolsAsChar=0;");
    auto rows = std::make_shared<Recordset>();
    rows->Open("SELECT * FROM sample ORDER BY a", reading);
    const std::pair<const char*, long> types[] = {
        {"a", adSmallInt}, {"b", adInteger},     {"c", adBigInt},       {"d", adSingle},
        {"e", adDouble},   {"f", adNumeric},     {"g", adNumeric},      {"h", adBoolean},
        {"i", adWChar},    {"j", adVarWChar},    {"k", adLongVarWChar}, {"l", adDBDate},
        {"m", adDBTime},   {"n", adDBTimeStamp}, {"o", adGUID},         {"p", adLongVarBinary}};
    for (const auto& [name, type] : types) {
        EXPECT_EQ(rows->Fields().Item(name)->Type(), type) << name;
    }
    EXPECT_EQ(rows->Fields().Item("f")->Precision(), 10);
    EXPECT_EQ(rows->Fields().Item("j")->DefinedSize(), 20);
    const auto value = [&](const char* name) { return rows->Fields().Item(name)->Value(); };
    EXPECT_EQ(value("a"), Variant(std::int16_t{-3}));
    EXPECT_EQ(value("b"), Variant(std::int32_t{2000000000}));
    EXPECT_EQ(value("c"), Variant(std::int64_t{9000000000}));
    EXPECT_EQ(value("d"), Variant(1.5));
    EXPECT_EQ(value("e"), Variant(2.25));
    EXPECT_EQ(value("f"), Variant(12345678.91));
    EXPECT_EQ(value("g"), Variant(std::int64_t{123456789012}));
    EXPECT_EQ(value("h"), Variant(true));
    EXPECT_EQ(value("i"), Variant("ab   "));
    EXPECT_EQ(value("j"), Variant("xyz"));
    EXPECT_EQ(value("k"), Variant("Gr\xC3\xBC\xC3\x9F"
                                  "e \xF0\x9F\x98\x80"));
    EXPECT_EQ(value("l"), Variant::fromDate(serial(2024, 2, 29)));
    EXPECT_EQ(value("m"), Variant::fromDate(serial(1899, 12, 30, 13, 45, 10)));
    EXPECT_EQ(value("n"), Variant::fromDate(serial(2024, 2, 29, 13, 45, 10.5)));
    EXPECT_EQ(text::toLower(value("o").toText()), "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11");
    EXPECT_EQ(value("p"), Variant(std::string_view("\x00\xff\x41", 3)));
    rows->MoveNext();
    EXPECT_TRUE(value("a").isNull());
    EXPECT_TRUE(value("k").isNull());
    EXPECT_TRUE(value("n").isNull());
}

TEST_F(OdbcReadTest, LongTextIsReadWhole) {
    setUp("CREATE TABLE notes (body text)");
    setUp("INSERT INTO notes VALUES (repeat(U&'\\00E9x', 50000))");
    const auto rows = query("SELECT body FROM notes");
    const Variant body = rows->Fields().Item("body")->Value();
    EXPECT_EQ(body.textView().size(), 150000U);
    EXPECT_EQ(body.textView().substr(0, 6), "\xC3\xA9x\xC3\xA9x");
}

TEST_F(OdbcReadTest, NamesOfGeneratedStatementsAreQuotedForTheDriver) {
    setUp(R"(CREATE TABLE "Order Details" ("Unit Price" int))");
    setUp(R"(INSERT INTO "Order Details" VALUES (4), (5))");
    const auto rows = query("SELECT * FROM [Order Details]");
    EXPECT_EQ(rows->Fields().Item("Unit Price")->Value(), Variant(std::int32_t{4}));
    const auto count = connection->Execute("SELECT COUNT (*) AS RcdCnt FROM [Order Details]");
    EXPECT_EQ(count->Fields().Item("RcdCnt")->Value().toLong(), 2);
}

TEST_F(OdbcReadTest, StatementsTheUserWritesReachTheServerAsWritten) {
    const auto rows = query("SELECT (ARRAY[10, 20, 30])[2] AS second");
    EXPECT_EQ(rows->Fields().Item("second")->Value(), Variant(std::int32_t{20}));
}

TEST_F(OdbcReadTest, AFailingStatementLeavesTheDriversDiagnosticsInErrors) {
    const Error error = errorOf([&] { query("SELECT * FROM nowhere"); });
    EXPECT_EQ(error.Source(), "Kiv.ODBC");
    EXPECT_EQ(error.SQLState(), "42P01");
    EXPECT_EQ(error.NativeError(), 1);
    EXPECT_EQ(error.Description().rfind("[Kiv][ODBC]ERROR: relation \"nowhere\" does not exist", 0),
              0U)
        << error.Description();
    ASSERT_EQ(connection->Errors().Count(), 1);
    EXPECT_EQ(connection->Errors().Item(0)->SQLState(), "42P01");
}

TEST_F(OdbcReadTest, ExecuteCountsTheRowsAStatementChanged) {
    setUp("CREATE TABLE counted (n int)");
    setUp("INSERT INTO counted SELECT generate_series(1, 5)");
    long affected = -2;
    EXPECT_FALSE(connection->Execute("UPDATE counted SET n = n + 1 WHERE n > 2", &affected));
    EXPECT_EQ(affected, 3);
    EXPECT_FALSE(connection->Execute("DELETE FROM counted WHERE n > 100", &affected));
    EXPECT_EQ(affected, 0);
    const auto rows = connection->Execute(
        "DELETE FROM counted WHERE n = 1; SELECT count(*) AS c FROM counted", &affected);
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->Fields().Item("c")->Value().toLong(), 4);
}

}  // namespace kiv::db::testing
