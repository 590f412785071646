#pragma once

#include <sql.h>

#include <string>

#include "base/Variant.h"
#include "db/odbc/OdbcColumnType.h"
#include "db/odbc/OdbcText.h"

namespace kiv::db::odbc {

// Reads the values of the current row of a statement, column by column, into Variants.
// Numbers and dates never allocate; text goes into the text buffer the Variant already
// holds when nothing else shares it, through buffers kept here between rows.
class OdbcValues {
public:
    // Reads column `column` (from 1) as `as` into `out`; Null when the database has none.
    // Throws the driver's failure.
    void read(SQLHSTMT statement, SQLUSMALLINT column, OdbcColumnType::ReadAs as, Variant& out);
    // Reads column `column` as text; false when it is Null.
    bool readText(SQLHSTMT statement, SQLUSMALLINT column, std::string& out);

private:
    // Reads a value of fixed size; false when it is Null.
    bool readFixed(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, void* value,
                   SQLLEN size);
    bool readBytes(SQLHSTMT statement, SQLUSMALLINT column, std::string& out);
    void readDateTime(SQLHSTMT statement, SQLUSMALLINT column, Variant& out);
    void readTime(SQLHSTMT statement, SQLUSMALLINT column, Variant& out);

    OdbcText::Wide wide_;
    std::string text_;
};

}  // namespace kiv::db::odbc
