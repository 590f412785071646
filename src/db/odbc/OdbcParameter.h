#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "base/Variant.h"
#include "db/odbc/OdbcText.h"

namespace kiv::db::odbc {

// One placeholder of a prepared statement and the buffer its value is bound from. A value
// is kept in the C form the placeholder's SQL type calls for (numbers as numbers, dates as
// date structures, text as UTF-16); the buffer is bound again only when that form changes
// or the text had to move, so a statement run for many rows is bound once.
class OdbcParameter {
public:
    // The SQL type, size and decimal digits the placeholder stands for.
    void target(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits) noexcept;
    SQLSMALLINT sqlType() const noexcept { return sqlType_; }

    // Takes `value` in the kind the target type converts to (Null for none).
    void set(const Variant& value);
    // Takes a text, whatever the target type.
    void setText(std::string_view text);

    // Binds the buffer to placeholder `index` (from 1) of `statement` when it moved since
    // the last binding; gives the driver's result.
    SQLRETURN bind(SQLHSTMT statement, SQLUSMALLINT index);

private:
    void setDate(double serial);
    SQLSMALLINT naturalCType() const noexcept;
    SQLPOINTER buffer() noexcept;
    SQLLEN bufferLength() const noexcept;
    SQLULEN columnSize() const noexcept;

    SQLSMALLINT sqlType_ = SQL_VARCHAR;
    SQLULEN size_ = 0;
    SQLSMALLINT digits_ = 0;

    SQLSMALLINT cType_ = SQL_C_WCHAR;
    SQLLEN indicator_ = SQL_NULL_DATA;
    union {
        SQLCHAR bit;
        SQLINTEGER integer;
        SQLBIGINT bigInt;
        SQLDOUBLE real;
        SQL_DATE_STRUCT date;
        SQL_TIME_STRUCT time;
        SQL_TIMESTAMP_STRUCT timestamp;
    } fixed_ = {};
    OdbcText::Wide text_;
    std::string bytes_;

    SQLPOINTER boundBuffer_ = nullptr;
    SQLSMALLINT boundCType_ = 0;
};

}  // namespace kiv::db::odbc
