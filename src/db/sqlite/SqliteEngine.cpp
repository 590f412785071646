#include "db/sqlite/SqliteEngine.h"

#include <sqlite3.h>

#include <stdexcept>
#include <utility>

#include "base/Path.h"
#include "base/Text.h"
#include "db/Constants.h"
#include "db/SqlText.h"
#include "db/sqlite/SqliteColumnType.h"
#include "db/sqlite/SqliteCursor.h"
#include "db/sqlite/SqliteStatement.h"
#include "db/sqlite/SqliteTableWriter.h"

namespace kiv::db::sqlite {

namespace {

// Whether anything but blanks, semicolons and comments is left of a statement text.
bool blank(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';') {
            ++i;
        } else if (sql.substr(i, 2) == "--") {
            const std::size_t end = sql.find('\n', i);
            i = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (sql.substr(i, 2) == "/*") {
            const std::size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
        } else {
            return false;
        }
    }
    return true;
}

// The failure of a statement after others says which one failed: those before it are done.
Error inStatement(const Error& failure, int number, std::string_view text) {
    const std::string_view statement = text::trimWhitespace(text.substr(0, text.find(';')));
    constexpr std::size_t Shown = 60;
    return Error(failure.Number(), failure.Source(), failure.SQLState(), failure.NativeError(),
                 failure.Description() + " (in statement " + text::decimal(number) + ", '" +
                     std::string(statement.substr(0, Shown)) +
                     (statement.size() > Shown ? "...'" : "'") +
                     "; the statements before it are done)");
}

}  // namespace

std::shared_ptr<SqliteEngine> SqliteEngine::openFile(const std::string& path, bool readOnly) {
    if (readOnly && !path::exists(path)) {
        throw Error(adErrEngineFailure, "Kiv.SQLite", "08001", SQLITE_CANTOPEN,
                    "[Kiv][SQLite]The database file '" + path +
                        "' does not exist; a read-only connection does not create it.");
    }
    return std::make_shared<SqliteEngine>(SqliteDatabase::openFile(path, readOnly), readOnly);
}

SqliteEngine::SqliteEngine(std::shared_ptr<SqliteDatabase> database, bool readOnly,
                           std::unique_ptr<SqliteHooks> hooks)
    : database_(std::move(database)), readOnly_(readOnly), hooks_(std::move(hooks)) {}

void SqliteEngine::runHooks() {
    if (!hooks_) {
        return;
    }
    try {
        hooks_->beforePrepare(database_->handle());
    } catch (const Error&) {
        throw;
    } catch (const std::runtime_error& failure) {
        throw database_->error(SQLITE_ERROR, "HY000", failure.what());
    }
}

std::shared_ptr<sqlite3_stmt> SqliteEngine::prepareStatement(std::string_view sql, bool* more) {
    runHooks();
    const std::optional<std::string> rewritten = SqlText::withoutBracketEscapes(sql);
    std::string_view tail;
    std::shared_ptr<sqlite3_stmt> statement =
        prepareOne(rewritten ? std::string_view(*rewritten) : sql, &tail);
    if (more != nullptr) {
        *more = !blank(tail);
    }
    return statement;
}

std::shared_ptr<sqlite3_stmt> SqliteEngine::prepareOne(std::string_view sql,
                                                       std::string_view* tail) {
    std::shared_ptr<sqlite3_stmt> statement = database_->prepare(sql, tail);
    if (statement && readOnly_ && sqlite3_stmt_readonly(statement.get()) == 0) {
        throw database_->error(SQLITE_READONLY, "HY000", "attempt to write a readonly database");
    }
    return statement;
}

void SqliteEngine::beginTransaction() {
    if (hooks_) {
        Engine::beginTransaction();
    }
    database_->holdTransaction();
}

void SqliteEngine::endTransaction(bool commit) {
    if (hooks_) {
        Engine::endTransaction(commit);
    }
    database_->releaseTransaction(commit);
}

std::unique_ptr<Cursor> SqliteEngine::execute(std::string_view sql, long& recordsAffected) {
    database_->flushHeldRows();
    runHooks();
    // A read-only connection leaves every statement to SQLite, which refuses those that
    // would write, including the definitions the hooks would carry out.
    if (hooks_ && !readOnly_) {
        try {
            if (hooks_->execute(database_->handle(), sql)) {
                recordsAffected = 0;
                return nullptr;
            }
        } catch (const Error&) {
            throw;
        } catch (const std::runtime_error& failure) {
            throw database_->error(SQLITE_ERROR, "HY000", failure.what());
        }
    }
    if (hooks_) {
        if (std::unique_ptr<Cursor> cursor = hooks_->scan(shared_from_this(), sql)) {
            recordsAffected = -1;
            return cursor;
        }
    }
    sqlite3* handle = database_->handle();
    recordsAffected = 0;
    const std::optional<std::string> rewritten = SqlText::withoutBracketEscapes(sql);
    const std::string_view all = rewritten ? std::string_view(*rewritten) : sql;
    std::string_view rest = all;
    int number = 0;
    while (!blank(rest)) {
        const std::string_view text = rest;
        ++number;
        try {
            std::string_view tail;
            std::shared_ptr<sqlite3_stmt> statement = prepareOne(rest, &tail);
            rest = tail;
            if (!statement) {
                continue;
            }
            if (sqlite3_column_count(statement.get()) > 0 && blank(rest)) {
                recordsAffected = -1;
                return std::make_unique<SqliteCursor>(shared_from_this(), std::move(statement));
            }
            const sqlite3_int64 before = sqlite3_total_changes64(handle);
            int code = sqlite3_step(statement.get());
            while (code == SQLITE_ROW) {
                code = sqlite3_step(statement.get());
            }
            if (code != SQLITE_DONE) {
                const Error failure = database_->error(code);
                statement.reset();
                throw database_->commitAfterFailure(failure);
            }
            if (sqlite3_total_changes64(handle) != before) {
                recordsAffected += static_cast<long>(sqlite3_changes64(handle));
            }
        } catch (const Error& failure) {
            throw number == 1 ? failure : inStatement(failure, number, text);
        }
    }
    return nullptr;
}

std::unique_ptr<TableWriter> SqliteEngine::openTable(std::string_view table) {
    return openMergingTable(table, {});
}

std::unique_ptr<TableWriter> SqliteEngine::openMergingTable(std::string_view table,
                                                            const std::vector<std::string>& keys) {
    if (readOnly_) {
        throw database_->error(
            SQLITE_READONLY, "HY000",
            "attempt to write a readonly database (table " + std::string(table) + ")");
    }
    return std::make_unique<SqliteTableWriter>(shared_from_this(), std::string(table), keys);
}

void SqliteEngine::createTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                               bool dropFirst) {
    // A source with hooks makes its tables in files, with the types of its files.
    if (hooks_) {
        Engine::createTable(table, columns, dropFirst);
    } else {
        makeTable(table, columns, dropFirst, TableDefinition::Dialect::SQLite, SqlText::bracket);
    }
}

std::unique_ptr<PreparedStatement> SqliteEngine::prepare(std::string_view sql) {
    bool more = false;
    std::shared_ptr<sqlite3_stmt> statement = prepareStatement(sql, &more);
    if (!statement || more) {
        throw database_->error(SQLITE_MISUSE, "HY000",
                               statement ? "A command runs exactly one statement."
                                         : "The command has no statement to run.");
    }
    return std::make_unique<SqliteStatement>(shared_from_this(), std::move(statement));
}

std::vector<CatalogEntry> SqliteEngine::catalog() {
    database_->flushHeldRows();
    std::vector<CatalogEntry> entries;
    if (hooks_) {
        runHooks();
        for (std::string& name : hooks_->tableNames()) {
            entries.push_back(CatalogEntry{std::move(name), "TABLE"});
        }
        return entries;
    }
    static constexpr const char* Listing = R"(
        SELECT name, upper(type) FROM sqlite_master
          WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!'
        UNION ALL
        SELECT name, upper(type) FROM sqlite_temp_master
          WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!'
        ORDER BY 1 COLLATE NOCASE)";
    const std::shared_ptr<sqlite3_stmt> statement = prepareStatement(Listing);
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 1));
        entries.push_back(CatalogEntry{name != nullptr ? name : "", type != nullptr ? type : ""});
    }
    if (code != SQLITE_DONE) {
        throw database_->error(code);
    }
    return entries;
}

std::vector<ColumnInfo> SqliteEngine::tableColumns(std::string_view table) {
    database_->flushHeldRows();
    const std::shared_ptr<sqlite3_stmt> statement = prepareStatement(
        R"(SELECT name, type, "notnull", dflt_value IS NOT NULL, pk FROM pragma_table_info(?1))");
    sqlite3_bind_text(statement.get(), 1, table.data(), static_cast<int>(table.size()),
                      SQLITE_STATIC);
    std::vector<ColumnInfo> columns;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        ColumnInfo column;
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 1));
        column.name = name != nullptr ? name : "";
        SqliteColumnType::describe(type != nullptr ? type : "", column);
        column.notNull = sqlite3_column_int(statement.get(), 2) != 0;
        column.hasDefault = sqlite3_column_int(statement.get(), 3) != 0;
        column.primaryKey = sqlite3_column_int(statement.get(), 4) != 0;
        column.attributes = column.notNull ? 0 : adFldIsNullable | adFldMayBeNull;
        columns.push_back(std::move(column));
    }
    if (code != SQLITE_DONE) {
        throw database_->error(code);
    }
    return columns;
}

}  // namespace kiv::db::sqlite
