#include <gtest/gtest.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "db/Constants.h"
#include "db/odbc/OdbcColumnType.h"

using namespace kiv::db;
using kiv::Variant;
using odbc::OdbcColumnType;
using ReadAs = OdbcColumnType::ReadAs;

namespace {

ColumnInfo described(SQLSMALLINT sqlType, SQLLEN size = 0, SQLSMALLINT digits = 0,
                     bool isUnsigned = false, ReadAs* read = nullptr) {
    ColumnInfo column;
    const ReadAs as = OdbcColumnType::describe(sqlType, size, digits, isUnsigned, column);
    if (read != nullptr) {
        *read = as;
    }
    return column;
}

}  // namespace

TEST(OdbcColumnTypeTest, EveryCommonOdbcTypeHasItsDataTypeCode) {
    const std::pair<SQLSMALLINT, long> expected[] = {{SQL_INTEGER, 3},
                                                     {SQL_SMALLINT, 2},
                                                     {SQL_BIGINT, 20},
                                                     {SQL_REAL, 4},
                                                     {SQL_FLOAT, 5},
                                                     {SQL_DOUBLE, 5},
                                                     {SQL_DECIMAL, 131},
                                                     {SQL_NUMERIC, 131},
                                                     {SQL_BIT, 11},
                                                     {SQL_TINYINT, 16},
                                                     {SQL_CHAR, 129},
                                                     {SQL_VARCHAR, 200},
                                                     {SQL_LONGVARCHAR, 201},
                                                     {SQL_WCHAR, 130},
                                                     {SQL_WVARCHAR, 202},
                                                     {SQL_WLONGVARCHAR, 203},
                                                     {SQL_TYPE_DATE, 133},
                                                     {SQL_TYPE_TIME, 134},
                                                     {SQL_TYPE_TIMESTAMP, 135},
                                                     {SQL_GUID, 72},
                                                     {SQL_BINARY, 128},
                                                     {SQL_VARBINARY, 204},
                                                     {SQL_LONGVARBINARY, 205},
                                                     {SQL_DATE, 133},
                                                     {SQL_TIMESTAMP, 135}};
    for (const auto& [sqlType, code] : expected) {
        EXPECT_EQ(described(sqlType, 10, 2).type, code) << "ODBC type " << sqlType;
    }
}

TEST(OdbcColumnTypeTest, AnUnsignedTinyIntegerIsTheUnsignedCode) {
    EXPECT_EQ(described(SQL_TINYINT, 3, 0, true).type, adUnsignedTinyInt);
}

TEST(OdbcColumnTypeTest, SizesAndPrecisionAreThoseTheDriverReports) {
    const ColumnInfo text = described(SQL_VARCHAR, 40);
    EXPECT_EQ(text.definedSize, 40);
    EXPECT_EQ(text.precision, 0);
    const ColumnInfo number = described(SQL_NUMERIC, 10, 2);
    EXPECT_EQ(number.precision, 10);
    EXPECT_EQ(number.numericScale, 2);
    const ColumnInfo whole = described(SQL_INTEGER, 10);
    EXPECT_EQ(whole.definedSize, 4);
    EXPECT_EQ(whole.precision, 10);
    const ColumnInfo memo = described(SQL_WLONGVARCHAR, SQL_NO_TOTAL);
    EXPECT_EQ(memo.definedSize, 2147483647);
    EXPECT_NE(memo.attributes & adFldLong, 0);
}

TEST(OdbcColumnTypeTest, ValuesAreReadAsTheKindTheirTypeHolds) {
    ReadAs read = ReadAs::Text;
    described(SQL_SMALLINT, 5, 0, false, &read);
    EXPECT_EQ(read, ReadAs::Integer);
    described(SQL_NUMERIC, 18, 0, false, &read);
    EXPECT_EQ(read, ReadAs::BigInt);
    // Other decimals are read as text, to keep digits a double does not hold.
    described(SQL_NUMERIC, 19, 0, false, &read);
    EXPECT_EQ(read, ReadAs::Decimal);
    described(SQL_DECIMAL, 10, 2, false, &read);
    EXPECT_EQ(read, ReadAs::Decimal);
    described(SQL_TYPE_DATE, 10, 0, false, &read);
    EXPECT_EQ(read, ReadAs::DateTime);
    described(SQL_TYPE_TIME, 8, 0, false, &read);
    EXPECT_EQ(read, ReadAs::Time);
    described(SQL_LONGVARBINARY, 0, 0, false, &read);
    EXPECT_EQ(read, ReadAs::Binary);
}

TEST(OdbcColumnTypeTest, ATypeWithoutCodeIsReadAsText) {
    ReadAs read = ReadAs::Long;
    const ColumnInfo column = described(-155, 34, 7, false, &read);
    EXPECT_EQ(column.type, adVarWChar);
    EXPECT_EQ(column.definedSize, 34);
    EXPECT_EQ(read, ReadAs::Text);
}

TEST(OdbcColumnTypeTest, PlainCharacterTypesAreKnownByName) {
    EXPECT_TRUE(OdbcColumnType::isPlainText("varchar"));
    EXPECT_TRUE(OdbcColumnType::isPlainText("NVARCHAR"));
    EXPECT_TRUE(OdbcColumnType::isPlainText("bpchar"));
    EXPECT_FALSE(OdbcColumnType::isPlainText("json"));
    EXPECT_FALSE(OdbcColumnType::isPlainText("bool"));
    EXPECT_FALSE(OdbcColumnType::isPlainText(""));
}

TEST(OdbcColumnTypeTest, ParametersAreDeclaredByTheirTypeOrTheirValue) {
    EXPECT_EQ(OdbcColumnType::sqlTypeFor(adVarChar, Variant("x")), SQL_VARCHAR);
    EXPECT_EQ(OdbcColumnType::sqlTypeFor(adVarWChar, Variant("x")), SQL_WVARCHAR);
    EXPECT_EQ(OdbcColumnType::sqlTypeFor(adInteger, Variant("7")), SQL_INTEGER);
    EXPECT_EQ(OdbcColumnType::sqlTypeFor(adDBDate, Variant()), SQL_TYPE_DATE);
    EXPECT_EQ(OdbcColumnType::sqlTypeFor(adEmpty, Variant(std::int64_t{7})), SQL_BIGINT);
    EXPECT_EQ(OdbcColumnType::sqlTypeFor(adEmpty, Variant(true)), SQL_BIT);
    EXPECT_EQ(OdbcColumnType::sqlTypeFor(adVariant, Variant::Null()), SQL_VARCHAR);
}
