#include "db/odbc/OdbcGroupInsert.h"

#include <sqlext.h>

#include <utility>

#include "db/odbc/OdbcConnection.h"

namespace kiv::db::odbc {

OdbcGroupInsert::OdbcGroupInsert(const OdbcConnection& connection,
                                 std::vector<const OdbcColumn*> columns, std::size_t capacity)
    : connection_(connection), columns_(std::move(columns)), capacity_(capacity) {}

std::string OdbcGroupInsert::intoClause(const std::string& table) const {
    std::string sql = "INSERT INTO " + connection_.quote(table) + " (";
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + connection_.quote(columns_[i]->info.name);
    }
    return sql + ")";
}

void OdbcGroupInsert::prepare(const std::string& sql, std::size_t parameters) {
    statement_ = connection_.statement();
    OdbcText::Wide text = OdbcText::wide(sql);
    if (!SQL_SUCCEEDED(SQLPrepareW(statement_.get(), text.data(), SQL_NTS))) {
        throw connection_.error(statement_);
    }
    parameters_ = std::vector<OdbcParameter>(parameters);
}

void OdbcGroupInsert::execute() {
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
        if (!SQL_SUCCEEDED(
                parameters_[i].bind(statement_.get(), static_cast<SQLUSMALLINT>(i + 1)))) {
            throw connection_.error(statement_);
        }
    }
    const SQLRETURN code = SQLExecute(statement_.get());
    if (!SQL_SUCCEEDED(code) && code != SQL_NO_DATA) {
        throw connection_.error(statement_);
    }
}

}  // namespace kiv::db::odbc
