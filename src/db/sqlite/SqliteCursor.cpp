#include "db/sqlite/SqliteCursor.h"

#include <sqlite3.h>

#include <utility>

#include "db/sqlite/SqliteEngine.h"
#include "db/sqlite/SqliteValues.h"

namespace kiv::db::sqlite {

using ReadAs = SqliteColumnType::ReadAs;

SqliteCursor::SqliteCursor(std::shared_ptr<SqliteEngine> engine,
                           std::shared_ptr<sqlite3_stmt> statement)
    : engine_(std::move(engine)), statement_(std::move(statement)) {
    const int count = sqlite3_column_count(statement_.get());
    columns_.resize(static_cast<std::size_t>(count));
    reads_.resize(columns_.size(), ReadAs::Any);
    typedByValue_.resize(columns_.size(), false);
    for (int i = 0; i < count; ++i) {
        ColumnInfo& column = columns_[static_cast<std::size_t>(i)];
        const char* name = sqlite3_column_name(statement_.get(), i);
        column.name = name != nullptr ? name : "";
        const char* declared = sqlite3_column_decltype(statement_.get(), i);
        // A column of a table without declared type is a variant column; only expressions
        // take the type of their first value.
        if (declared == nullptr && sqlite3_column_table_name(statement_.get(), i) != nullptr) {
            declared = "";
        }
        if (declared == nullptr) {
            typedByValue_[static_cast<std::size_t>(i)] = true;
            SqliteColumnType::describeValue(SQLITE_NULL, 0, column);
        } else {
            reads_[static_cast<std::size_t>(i)] = SqliteColumnType::describe(declared, column);
        }
    }
}

SqliteCursor::~SqliteCursor() {
    sqlite3_reset(statement_.get());
}

bool SqliteCursor::fetch(std::vector<Variant>& row) {
    if (done_) {
        return false;
    }
    sqlite3_stmt* statement = statement_.get();
    const int code = sqlite3_step(statement);
    if (code == SQLITE_DONE) {
        done_ = true;
        sqlite3_reset(statement);
        return false;
    }
    if (code != SQLITE_ROW) {
        done_ = true;
        const Error failure = engine_->database().error(code);
        sqlite3_reset(statement);
        throw failure;
    }
    if (!typed_) {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (typedByValue_[i]) {
                // Reading the integer only for integers: a conversion would leave the
                // storage class of the value undefined for the read below.
                const int column = static_cast<int>(i);
                const int storageClass = sqlite3_column_type(statement, column);
                const long long integer =
                    storageClass == SQLITE_INTEGER ? sqlite3_column_int64(statement, column) : 0;
                SqliteColumnType::describeValue(storageClass, integer, columns_[i]);
            }
        }
        typed_ = true;
    }
    const std::size_t count = columns_.size();
    for (std::size_t i = 0; i < count; ++i) {
        SqliteValues::read(SqliteValues::stored(statement, static_cast<int>(i)), reads_[i], row[i]);
    }
    return true;
}

void SqliteCursor::rewind() {
    engine_->database().flushHeldRows();
    sqlite3_reset(statement_.get());
    done_ = false;
}

}  // namespace kiv::db::sqlite
