#include "db/files/TextVirtualTable.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>

#include "base/Text.h"
#include "db/files/TextReader.h"
#include "db/sqlite/SqliteValues.h"
#include "db/sqlite/VirtualTable.h"

namespace kiv::db::files {

namespace {

using sqlite::VirtualTable;

using SharedTables = std::shared_ptr<const TextTableMap>;

struct Table : sqlite3_vtab {
    std::shared_ptr<TextTable> table;
    sqlite3_int64 appended = 0;
};

struct Cursor : sqlite3_vtab_cursor {
    explicit Cursor(const TextTable& table) : reader(table.format(), TextReader::ReadChunk) {}

    TextReader reader;
    bool eof = true;
    sqlite3_int64 row = 0;
};

Table& tableOf(sqlite3_vtab* vtab) {
    return *static_cast<Table*>(vtab);
}
Cursor& cursorOf(sqlite3_vtab_cursor* cursor) {
    return *static_cast<Cursor*>(cursor);
}

int readFailure(sqlite3_vtab* vtab, const std::exception& error) {
    if (dynamic_cast<const std::runtime_error*>(&error) == nullptr) {
        return SQLITE_NOMEM;
    }
    return VirtualTable::fail(
        vtab, "Cannot read " + tableOf(vtab).table->fileName() + ": " + error.what());
}

int connect(sqlite3* db, void* aux, int, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    try {
        const TextTableMap& tables = **static_cast<SharedTables*>(aux);
        const auto found = tables.find(text::toLower(argv[2]));
        if (found == tables.end()) {
            *error = sqlite3_mprintf("No text file of the folder is named %s.", argv[2]);
            return SQLITE_ERROR;
        }
        const int declared = VirtualTable::declare(db, found->second->declaration(), error);
        if (declared != SQLITE_OK) {
            return declared;
        }
        auto* table = new Table();
        table->table = found->second;
        *out = table;
        return SQLITE_OK;
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int disconnect(sqlite3_vtab* vtab) {
    Table* table = &tableOf(vtab);
    table->table->close();
    delete table;
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    // Every constraint is left to SQLite: a text file is read from its start anyway.
    const double rows = std::max(tableOf(vtab).table->estimatedRows(), 1.0);
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    info->estimatedCost = rows;
    return SQLITE_OK;
}

int openCursor(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
    try {
        *out = new Cursor(*tableOf(vtab).table);
        return SQLITE_OK;
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int closeCursor(sqlite3_vtab_cursor* cursor) {
    delete &cursorOf(cursor);
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base) {
    Cursor& cursor = cursorOf(base);
    try {
        cursor.eof = !cursor.reader.next();
        ++cursor.row;
        return SQLITE_OK;
    } catch (const std::exception& error) {
        cursor.eof = true;
        return readFailure(base->pVtab, error);
    }
}

int filter(sqlite3_vtab_cursor* base, int, const char*, int, sqlite3_value**) {
    Cursor& cursor = cursorOf(base);
    TextTable& table = *tableOf(base->pVtab).table;
    cursor.eof = true;
    if (!table.problem().empty()) {
        return VirtualTable::fail(base->pVtab, table.problem());
    }
    try {
        // Rows appended through this connection must be in the file before it is read.
        table.flush();
    } catch (const std::runtime_error& error) {
        return VirtualTable::fail(base->pVtab, error.what());
    }
    try {
        cursor.reader.start(table.path());
        if (table.format().header && !cursor.reader.next()) {
            return SQLITE_OK;
        }
    } catch (const std::exception& error) {
        return readFailure(base->pVtab, error);
    }
    cursor.row = 0;
    return next(base);
}

int eof(sqlite3_vtab_cursor* cursor) {
    return cursorOf(cursor).eof ? 1 : 0;
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
    Cursor& cursor = cursorOf(base);
    const TextTable& table = *tableOf(base->pVtab).table;
    try {
        if (index < 0 || static_cast<std::size_t>(index) >= table.columns().size()) {
            return SQLITE_OK;
        }
        const auto column = static_cast<std::size_t>(index);
        sqlite::StoredValue value;
        Variant::DateText buffer;
        if (table.stored(cursor.reader, column, value, buffer)) {
            sqlite::SqliteValues::result(context, value);
        } else {
            const std::string description = table.mismatchAt(cursor.reader, column);
            sqlite3_result_error(context, description.c_str(),
                                 static_cast<int>(description.size()));
        }
        return SQLITE_OK;
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* out) {
    *out = cursorOf(cursor).row;
    return SQLITE_OK;
}

int update(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite3_int64* newRowid) {
    Table& table = tableOf(vtab);
    const std::string& name = table.table->fileName();
    if (argc == 1) {
        return VirtualTable::fail(vtab,
                                  "Cannot delete rows of " + name +
                                      ": a text file only takes new rows at its end (INSERT).");
    }
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        return VirtualTable::fail(vtab,
                                  "Cannot update rows of " + name +
                                      ": a text file only takes new rows at its end (INSERT).");
    }
    try {
        table.table->append(argv + 2);
        *newRowid = ++table.appended;
        return SQLITE_OK;
    } catch (const std::runtime_error& error) {
        return VirtualTable::fail(vtab, error.what());
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int begin(sqlite3_vtab*) {
    return SQLITE_OK;
}

// Appended lines cannot be taken back; ending a transaction either way writes them out.
int flush(sqlite3_vtab* vtab) {
    try {
        tableOf(vtab).table->flush();
        return SQLITE_OK;
    } catch (const std::runtime_error& error) {
        return VirtualTable::fail(vtab, error.what());
    }
}

const sqlite3_module Module = {
    .iVersion = 1,
    .xCreate = connect,
    .xConnect = connect,
    .xBestIndex = bestIndex,
    .xDisconnect = disconnect,
    .xDestroy = disconnect,
    .xOpen = openCursor,
    .xClose = closeCursor,
    .xFilter = filter,
    .xNext = next,
    .xEof = eof,
    .xColumn = column,
    .xRowid = rowid,
    .xUpdate = update,
    .xBegin = begin,
    .xSync = flush,
    .xCommit = flush,
    .xRollback = flush,
    .xFindFunction = nullptr,
    .xRename = nullptr,
    .xSavepoint = nullptr,
    .xRelease = nullptr,
    .xRollbackTo = nullptr,
    .xShadowName = nullptr,
};

}  // namespace

void TextVirtualTable::registerModule(sqlite3* db, std::shared_ptr<const TextTableMap> tables) {
    VirtualTable::registerModule(db, ModuleName, Module, std::move(tables), "text-file");
}

}  // namespace kiv::db::files
