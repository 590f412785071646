#pragma once

#include "db/odbc/OdbcGroupInsert.h"

namespace kiv::db::odbc {

// "INSERT INTO t (a, b) VALUES (?, ?), (?, ?), ...": as many rows of placeholders as the
// statement takes, so it sends exactly that many rows. Understood by every SQL database.
class OdbcValuesInsert : public OdbcGroupInsert {
public:
    // `conflict` ends the statement: what becomes of a row whose key is there already.
    OdbcValuesInsert(const OdbcConnection& connection, const std::string& table,
                     std::vector<const OdbcColumn*> columns, std::size_t rows,
                     const std::string& conflict = {});

    bool send(const Variant* values, std::size_t rows) override;
};

}  // namespace kiv::db::odbc
