#include "db/access/AccessSystemRows.h"

#include <optional>
#include <stdexcept>

namespace kiv::db::access {

namespace {

sqlite3_stmt* prepared(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    return statement;
}

}  // namespace

AccessSystemRows::AccessSystemRows(sqlite3* db, const char* sql)
    : db_(db), statement_(prepared(db, sql), sqlite3_finalize) {}

bool AccessSystemRows::next() {
    const int code = sqlite3_step(statement_.get());
    if (code != SQLITE_ROW && code != SQLITE_DONE) {
        throw std::runtime_error(sqlite3_errmsg(db_));
    }
    return code == SQLITE_ROW;
}

long long AccessSystemRows::integer(int column) const {
    return sqlite3_column_int64(statement_.get(), column);
}

std::string AccessSystemRows::text(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_.get(), column));
    return bytes != nullptr ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(
                                                     statement_.get(), column)))
                            : std::string();
}

Variant AccessSystemRows::date(int column) const {
    const std::optional<double> serial = Variant::parseDate(text(column));
    return serial ? Variant::fromDate(*serial) : Variant::Null();
}

}  // namespace kiv::db::access
