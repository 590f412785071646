#include "db/odbc/OdbcArrayInsert.h"
#include "db/odbc/OdbcEngineFixture.h"
#include "db/odbc/OdbcValuesInsert.h"

namespace kiv::db::odbc::testing {

using OdbcGroupInsertTest = OdbcEngineFixture;

TEST_F(OdbcGroupInsertTest, AValuesInsertSendsExactlyItsRows) {
    setUp("CREATE TABLE pairs (n int, word varchar(10), day date)");
    OdbcValuesInsert insert(*connection, "pairs", columnsOf("pairs"), 3);
    const double day = Variant::serialFromCivil(2024, 2, 29);
    const std::vector<Variant> values = {
        Variant(std::int32_t{1}), Variant("one"),     Variant::fromDate(day),
        Variant(std::int32_t{2}), Variant::Null(),    Variant::Null(),
        Variant(std::int32_t{3}), Variant("thr\"ee"), Variant::fromDate(day + 1)};
    EXPECT_FALSE(insert.send(values.data(), 2));
    EXPECT_TRUE(insert.send(values.data(), 3));
    EXPECT_EQ(
        database.plain.query("SELECT n, word, day FROM pairs ORDER BY n"),
        (std::vector<std::string>{"1|one|2024-02-29", "2|NULL|NULL", "3|thr\"ee|2024-03-01"}));
}

TEST_F(OdbcGroupInsertTest, AnArrayInsertCarriesEveryKindOfValueIntact) {
    setUp(R"(CREATE TABLE kinds (n int8, x float8, t text, c char(3), b bytea, d timestamp,
             tm time, ok bool, m numeric(8,2)))");
    OdbcArrayInsert insert(*connection, "kinds", columnsOf("kinds"), 10);
    const std::vector<Variant> values = {
        Variant(std::int64_t{-9000000000}),
        Variant(0.1),
        Variant("a \"quoted\" {x}, \\ NULL"),
        Variant("ab"),
        Variant(std::string_view("\x00\\\"", 3)),
        Variant::fromDate(Variant::serialFromCivil(2023, 7, 1, 8, 9, 10)),
        Variant::fromDate(Variant::serialFromCivil(1899, 12, 30, 17, 30, 5)),
        Variant(true),
        Variant(1234.565),
        Variant(std::int64_t{1}),
        Variant::Null(),
        Variant("NULL"),
        Variant(""),
        Variant(""),
        Variant::Null(),
        Variant::Null(),
        Variant(false),
        Variant(std::int32_t{7})};
    EXPECT_TRUE(insert.send(values.data(), 2));
    EXPECT_EQ(
        database.plain.query(
            "SELECT n, x, t, c, encode(b, 'hex'), d, tm, ok, m, t IS NULL FROM kinds ORDER BY n"),
        (std::vector<std::string>{
            "-9000000000|0.1|a \"quoted\" {x}, \\ NULL|ab |005c22|2023-07-01 08:09:10|17:30:05|1|"
            "1234.57|0",
            "1|NULL|NULL|   ||NULL|NULL|0|7.00|0"}));
}

}  // namespace kiv::db::odbc::testing
