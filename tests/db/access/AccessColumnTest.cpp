#include <gtest/gtest.h>

#include "db/ColumnInfo.h"
#include "db/access/AccessColumn.h"
#include "db/access/Mdb.h"
#include "db/sqlite/SqliteColumnType.h"

namespace kiv::db::access {
namespace {

// The type code and size the database layer reports for a column of the file.
std::string reported(int type, int size = 0, int precision = 0, int scale = 0) {
    ColumnInfo column;
    sqlite::SqliteColumnType::describe(
        AccessColumn{"c", type, size, precision, scale}.declaredType(), column);
    return std::to_string(column.type) + " " + std::to_string(column.definedSize) +
           (column.type == adNumeric
                ? " " + std::to_string(column.precision) + "," + std::to_string(column.numericScale)
                : "");
}

TEST(AccessColumnTypes, EachStorageTypeHasTheCodeThePlatformReported) {
    EXPECT_EQ(reported(MDB_TEXT, 50), "202 50");
    EXPECT_EQ(reported(MDB_MEMO), "203 2147483647");
    EXPECT_EQ(reported(MDB_BYTE), "17 1");
    EXPECT_EQ(reported(MDB_INT), "2 2");
    EXPECT_EQ(reported(MDB_LONGINT), "3 4");
    EXPECT_EQ(reported(MDB_COMPLEX), "3 4");
    EXPECT_EQ(reported(MDB_FLOAT), "4 4");
    EXPECT_EQ(reported(MDB_DOUBLE), "5 8");
    EXPECT_EQ(reported(MDB_MONEY), "6 8");
    EXPECT_EQ(reported(MDB_DATETIME), "7 8");
    EXPECT_EQ(reported(MDB_BOOL), "11 2");
    EXPECT_EQ(reported(MDB_NUMERIC, 17, 18, 4), "131 19 18,4");
    EXPECT_EQ(reported(MDB_REPID), "72 38");
    EXPECT_EQ(reported(MDB_OLE), "205 2147483647");
    EXPECT_EQ(reported(MDB_BINARY, 16), "204 16");
    EXPECT_EQ(reported(AccessColumn::LargeNumber), "20 8");
}

}  // namespace
}  // namespace kiv::db::access
