#include "db/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

#include "base/Text.h"
#include "db/Parameters.h"
#include "db/ValueCoercion.h"
#include "db/sqlite/SqliteCursor.h"
#include "db/sqlite/SqliteEngine.h"
#include "db/sqlite/SqliteValues.h"

namespace kiv::db::sqlite {

SqliteStatement::SqliteStatement(std::shared_ptr<SqliteEngine> engine,
                                 std::shared_ptr<sqlite3_stmt> statement)
    : engine_(std::move(engine)),
      statement_(std::move(statement)),
      writes_(sqlite3_stmt_readonly(statement_.get()) == 0),
      bound_(static_cast<std::size_t>(sqlite3_bind_parameter_count(statement_.get()))) {}

SqliteStatement::~SqliteStatement() {
    try {
        close();
    } catch (const Error&) {
        // Nobody is left to tell; what was written before stays written.
    }
}

int SqliteStatement::parameterCount() const {
    return static_cast<int>(bound_.size());
}

std::unique_ptr<Cursor> SqliteStatement::run(const Parameters& parameters, long& recordsAffected) {
    SqliteDatabase& database = engine_->database();
    if (parameters.Count() != parameterCount()) {
        throw database.error(SQLITE_RANGE, "07002",
                             "The statement has " + text::decimal(parameterCount()) +
                                 " placeholders but the command has " +
                                 text::decimal(parameters.Count()) + " parameters.");
    }
    database.flushHeldRows();
    sqlite3_stmt* statement = statement_.get();
    sqlite3_reset(statement);
    for (std::size_t i = 0; i < bound_.size(); ++i) {
        const Parameter& parameter = *parameters.Item(static_cast<long>(i));
        // Parameters convert to their declared type; their size does not limit the value.
        ColumnInfo column;
        column.name = parameter.Name();
        column.type = parameter.Type();
        if (const auto refusal = ValueCoercion::coerce(parameter.Value(), column, bound_[i])) {
            throw database.error(SQLITE_MISMATCH, refusal->sqlState, refusal->description);
        }
        SqliteValues::toStorageForm(bound_[i]);
        const int code = SqliteValues::bindValue(statement, static_cast<int>(i) + 1, bound_[i]);
        if (code != SQLITE_OK) {
            throw database.error(code);
        }
    }
    if (writes_) {
        if (!writing_) {
            database.joinWriters();
            writing_ = true;
        }
        database.beginWriting();
    }
    if (sqlite3_column_count(statement) > 0) {
        recordsAffected = -1;
        return std::make_unique<SqliteCursor>(engine_, statement_);
    }
    const int code = sqlite3_step(statement);
    if (code != SQLITE_DONE && code != SQLITE_ROW) {
        const Error failure = database.error(code);
        sqlite3_reset(statement);
        throw database.commitAfterFailure(failure);
    }
    recordsAffected = static_cast<long>(sqlite3_changes(database.handle()));
    sqlite3_reset(statement);
    return nullptr;
}

void SqliteStatement::close() {
    if (writing_) {
        writing_ = false;
        engine_->database().leaveWriters();
    }
}

}  // namespace kiv::db::sqlite
