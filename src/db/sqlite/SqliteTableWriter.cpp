#include "db/sqlite/SqliteTableWriter.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "base/Text.h"
#include "db/DataType.h"
#include "db/SqlText.h"
#include "db/ValueCoercion.h"
#include "db/sqlite/SqliteEngine.h"
#include "db/sqlite/SqliteValues.h"

namespace kiv::db::sqlite {

namespace {

// Rows per multi-row INSERT: enough to pay for the statement once per group, few enough to
// stay far below SQLite's limits on bound values and compound rows.
constexpr std::size_t GroupRows = 64;

// Such a column takes a new row number for Null, whatever else it declares.
bool isRowNumber(const ColumnInfo& column) {
    return column.primaryKey && text::iequals(column.declaredType, "INTEGER");
}

}  // namespace

SqliteTableWriter::SqliteTableWriter(std::shared_ptr<SqliteEngine> engine, std::string table,
                                     const std::vector<std::string>& mergeKeys)
    : engine_(std::move(engine)), table_(std::move(table)) {
    columns_ = engine_->tableColumns(table_);
    if (columns_.empty()) {
        throw engine_->database().error(SQLITE_ERROR, "42S02", "no such table: " + table_);
    }
    for (ColumnInfo& column : columns_) {
        column.attributes |= adFldUpdatable;
    }
    groupable_ = groupable();
    if (!mergeKeys.empty()) {
        merge_.emplace(mergeKeys, columns_, table_);
        // The statement of a row giving every column tells at once whether the keys match
        // a unique index.
        try {
            engine_->prepareStatement(
                insertText(Shape(std::vector<bool>(columns_.size(), true)), 1));
        } catch (const Error& error) {
            throw merge_->noUniqueIndex(error);
        }
    }
}

SqliteTableWriter::~SqliteTableWriter() {
    closeQuietly();
}

std::size_t SqliteTableWriter::rowsHeldAtMost() const {
    return groupable_ ? GroupRows : 1;
}

HoldingWriters& SqliteTableWriter::holdingWriters() {
    return engine_->database().holdingWriters();
}

bool SqliteTableWriter::groupable() {
    if (std::any_of(columns_.begin(), columns_.end(),
                    [](const ColumnInfo& column) { return column.primaryKey; })) {
        return false;
    }
    // Anything on the table that can refuse a row the type checks let through: unique
    // indexes, foreign keys, triggers, checks; views and virtual tables decide for
    // themselves.
    static constexpr const char* Inspection = R"(SELECT
          (SELECT count(*) FROM pragma_index_list(?1) WHERE "unique")
        + (SELECT count(*) FROM pragma_foreign_key_list(?1))
        + (SELECT count(*) FROM sqlite_master
             WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE)
        + (SELECT count(*) FROM sqlite_temp_master
             WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE)
        + (SELECT count(*) FROM sqlite_master WHERE name = ?1 COLLATE NOCASE
             AND (type <> 'table' OR sql LIKE '%CHECK%' OR sql LIKE 'CREATE VIRTUAL%'))
        + (SELECT count(*) FROM sqlite_temp_master WHERE name = ?1 COLLATE NOCASE
             AND (type <> 'table' OR sql LIKE '%CHECK%' OR sql LIKE 'CREATE VIRTUAL%')),
          (SELECT count(*) FROM sqlite_master WHERE name = ?1 COLLATE NOCASE AND type = 'table')
        + (SELECT count(*) FROM sqlite_temp_master
             WHERE name = ?1 COLLATE NOCASE AND type = 'table'))";
    SqliteDatabase& database = engine_->database();
    const std::shared_ptr<sqlite3_stmt> statement = engine_->prepareStatement(Inspection);
    sqlite3_bind_text(statement.get(), 1, table_.data(), static_cast<int>(table_.size()),
                      SQLITE_STATIC);
    const int code = sqlite3_step(statement.get());
    if (code != SQLITE_ROW) {
        throw database.error(code);
    }
    return sqlite3_column_int64(statement.get(), 0) == 0 &&
           sqlite3_column_int64(statement.get(), 1) == 1;
}

std::unique_ptr<GroupedTableWriter::Shape> SqliteTableWriter::newShape(
    const std::vector<bool>& assigned) {
    auto shape = std::make_unique<SqliteShape>(assigned);
    if (groupable_ && !shape->columns.empty()) {
        const auto variables = static_cast<std::size_t>(
            sqlite3_limit(engine_->database().handle(), SQLITE_LIMIT_VARIABLE_NUMBER, -1));
        shape->groupRows = std::clamp<std::size_t>(variables / shape->columns.size(), 1, GroupRows);
    }
    shape->single = engine_->prepareStatement(insertText(*shape, 1));
    const std::size_t slots = shape->groupRows * columns_.size();
    if (held_.size() < slots) {
        held_.resize(slots);
    }
    return shape;
}

std::string SqliteTableWriter::insertText(const Shape& shape, std::size_t rows) const {
    std::string sql = "INSERT INTO " + SqlText::bracket(table_);
    if (shape.columns.empty()) {
        return sql + " DEFAULT VALUES";
    }
    std::string placeholders = "(";
    sql += " (";
    for (std::size_t i = 0; i < shape.columns.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + SqlText::bracket(columns_[shape.columns[i]].name);
        placeholders += i == 0 ? "?" : ", ?";
    }
    placeholders += ")";
    sql += ") VALUES ";
    for (std::size_t row = 0; row < rows; ++row) {
        sql += (row == 0 ? "" : ", ") + placeholders;
    }
    if (merge_) {
        sql += merge_->conflictClause(columns_, shape.columns, SqlText::bracket);
    }
    return sql;
}

void SqliteTableWriter::written(std::size_t rows) noexcept {
    const unsigned long commits = engine_->database().commits();
    if (commits != commitSeen_) {
        commitSeen_ = commits;
        uncommitted_ = 0;
    }
    uncommitted_ += rows;
}

std::string SqliteTableWriter::lostRows() const {
    const std::size_t rows = engine_->database().commits() == commitSeen_ ? uncommitted_ : 0;
    return "the " + text::decimal(static_cast<long long>(rows)) + (rows == 1 ? " row" : " rows") +
           " added to " + table_ + " since the last commit " + (rows == 1 ? "is" : "are") +
           " not in the file";
}

void SqliteTableWriter::hold(const std::vector<Variant>& row, const Shape& shape,
                             std::size_t slot) {
    const std::vector<bool>& assigned = shape.assigned;
    SqliteDatabase& database = engine_->database();
    const std::size_t base = slot * columns_.size();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const ColumnInfo& column = columns_[i];
        Variant& value = held_[base + i];
        const bool mayBeNull = !column.notNull || isRowNumber(column);
        if (!assigned[i]) {
            if (!mayBeNull && !column.hasDefault) {
                value = Variant::Null();
            } else {
                continue;
            }
        } else {
            // Values are converted straight into the slot, reusing the text buffer of the value
            // it held (already sent); dates go through `date_` and are stored as text.
            Variant& coerced = DataType::isDate(column.type) ? date_ : value;
            if (const auto refusal = ValueCoercion::coerce(row[i], column, coerced)) {
                const bool truncation = std::string_view(refusal->sqlState) == "22001";
                Error error = database.error(truncation ? SQLITE_TOOBIG : SQLITE_MISMATCH,
                                             refusal->sqlState, refusal->description);
                error.Column(column.name);
                throw error;
            }
            if (coerced.isDate()) {
                Variant::DateText text;
                value.assignText(Variant::formatDate(coerced.toDate(), text));
            } else if (&coerced != &value) {
                value = coerced;
            }
        }
        if (value.isNull() && !mayBeNull) {
            Error error =
                database.error(SQLITE_CONSTRAINT_NOTNULL, "23000",
                               "NOT NULL constraint failed: " + table_ + "." + column.name);
            error.Column(column.name);
            throw error;
        }
    }
}

bool SqliteTableWriter::sendGroup(Shape& held, std::size_t rows) {
    auto& shape = static_cast<SqliteShape&>(held);
    if (rows < 2 || rows != shape.groupRows) {
        return false;
    }
    if (!shape.group) {
        shape.group = engine_->prepareStatement(insertText(shape, rows));
    }
    sqlite3_stmt* group = shape.group.get();
    int index = 1;
    for (std::size_t row = 0; row < rows; ++row) {
        bindRow(group, shape, row, index);
    }
    const int code = sqlite3_step(group);
    sqlite3_reset(group);
    if (code != SQLITE_DONE) {
        throw engine_->database().error(code);
    }
    return true;
}

bool SqliteTableWriter::undoGroup(const Error& failure) noexcept {
    // A failed INSERT is undone as a whole. But a lock not granted in time would not be
    // granted row by row either, and a lost transaction leaves nothing to send the rows into.
    const long primary = failure.NativeError() & 0xFF;
    return !engine_->database().transactionLost() && primary != SQLITE_BUSY &&
           primary != SQLITE_LOCKED;
}

void SqliteTableWriter::sendRow(Shape& held, std::size_t slot) {
    sqlite3_stmt* single = static_cast<SqliteShape&>(held).single.get();
    int index = 1;
    bindRow(single, held, slot, index);
    const int code = sqlite3_step(single);
    if (code != SQLITE_DONE) {
        const Error failure = engine_->database().error(code);
        sqlite3_reset(single);
        throw failure;
    }
    sqlite3_reset(single);
}

void SqliteTableWriter::bindRow(sqlite3_stmt* statement, const Shape& shape, std::size_t slot,
                                int& index) {
    const std::size_t base = slot * columns_.size();
    for (const std::size_t column : shape.columns) {
        const int code = SqliteValues::bindValue(statement, index++, held_[base + column]);
        if (code != SQLITE_OK) {
            throw engine_->database().error(code);
        }
    }
}

void SqliteTableWriter::joinWriters() {
    engine_->database().joinWriters();
}

void SqliteTableWriter::leaveWriters() {
    engine_->database().leaveWriters(lostRows());
}

void SqliteTableWriter::beginWriting(std::size_t) {
    engine_->database().beginWriting();
}

Error SqliteTableWriter::failed(const Error& failure) noexcept {
    return engine_->database().commitAfterFailure(failure, lostRows());
}

}  // namespace kiv::db::sqlite
