#pragma once

#include <sql.h>

#include "db/ColumnInfo.h"
#include "db/odbc/OdbcColumnType.h"

namespace kiv::db::odbc {

// One column of a table or a result as the driver describes it, next to what the layer
// makes of it.
struct OdbcColumn {
    ColumnInfo info;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLLEN size = 0;
    SQLSMALLINT digits = 0;
    OdbcColumnType::ReadAs read = OdbcColumnType::ReadAs::Text;
};

}  // namespace kiv::db::odbc
