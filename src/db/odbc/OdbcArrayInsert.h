#pragma once

#include <string>
#include <vector>

#include "db/odbc/OdbcGroupInsert.h"

namespace kiv::db::odbc {

// PostgreSQL's way of adding many rows with one statement:
// "INSERT INTO t (a, b) SELECT * FROM unnest(CAST(? AS int4[]), CAST(? AS varchar[]))", one
// array of values per column. One statement takes any number of rows, the driver handles
// one parameter per column, and the server reads each value as plainly as from a file,
// which makes this the quickest way in short of COPY, which ODBC does not offer.
class OdbcArrayInsert : public OdbcGroupInsert {
public:
    // `conflict` ends the statement: what becomes of a row whose key is there already.
    OdbcArrayInsert(const OdbcConnection& connection, const std::string& table,
                    std::vector<const OdbcColumn*> columns, std::size_t rows,
                    const std::string& conflict = {});

    // Whether the database declares a type for every column, to cast its array to.
    static bool suits(const std::vector<const OdbcColumn*>& columns);

    bool send(const Variant* values, std::size_t rows) override;

private:
    static void appendElement(std::string& array, const Variant& value, const OdbcColumn& column);

    std::vector<std::string> arrays_;
};

}  // namespace kiv::db::odbc
