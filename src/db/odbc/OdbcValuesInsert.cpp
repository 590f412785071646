#include "db/odbc/OdbcValuesInsert.h"

#include <utility>

#include "db/odbc/OdbcConnection.h"

namespace kiv::db::odbc {

OdbcValuesInsert::OdbcValuesInsert(const OdbcConnection& connection, const std::string& table,
                                   std::vector<const OdbcColumn*> columns, std::size_t rows,
                                   const std::string& conflict)
    : OdbcGroupInsert(connection, std::move(columns), rows) {
    const std::size_t width = columns_.size();
    if (width == 0) {
        prepare("INSERT INTO " + connection_.quote(table) + " DEFAULT VALUES", 0);
        return;
    }
    std::string placeholders = "(";
    for (std::size_t i = 0; i < width; ++i) {
        placeholders += i == 0 ? "?" : ", ?";
    }
    placeholders += ")";
    std::string sql = intoClause(table) + " VALUES ";
    for (std::size_t row = 0; row < rows; ++row) {
        sql += (row == 0 ? "" : ", ") + placeholders;
    }
    prepare(sql + conflict, rows * width);
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t i = 0; i < width; ++i) {
            const OdbcColumn& column = *columns_[i];
            parameters_[row * width + i].target(
                column.sqlType, column.size > 0 ? static_cast<SQLULEN>(column.size) : 0,
                column.digits);
        }
    }
}

bool OdbcValuesInsert::send(const Variant* values, std::size_t rows) {
    if (rows != capacity_) {
        return false;
    }
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
        parameters_[i].set(values[i]);
    }
    execute();
    return true;
}

}  // namespace kiv::db::odbc
