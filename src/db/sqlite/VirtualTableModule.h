#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <exception>
#include <memory>
#include <string>

#include "base/Text.h"
#include "db/sqlite/VirtualTable.h"

namespace kiv::db::sqlite {

// The methods the virtual-table modules of the engines (text files, cell tables, Access
// tables) have alike, around a table and a cursor type of each module's own:
//   Table derives from sqlite3_vtab and tells its `columnCount()`;
//   Cursor derives from sqlite3_vtab_cursor, is made by `new Cursor(table)`, keeps `eof`
//   and `row` as the module's filter and next move it, and puts the value of a column of
//   its row into SQLite's context with `result(table, context, index)`.
template <typename Table, typename Cursor>
class VirtualTableModule {
public:
    static Table& tableOf(sqlite3_vtab* vtab) { return *static_cast<Table*>(vtab); }
    static Cursor& cursorOf(sqlite3_vtab_cursor* cursor) { return *static_cast<Cursor*>(cursor); }

    // The connect method of a module whose source maps lower-case names to shared tables
    // that declare their columns: the table the statement names goes into Table::table.
    // `missing` says what is missing, followed by the name.
    template <typename Map>
    static int connectNamed(sqlite3* db, void* aux, const char* name, sqlite3_vtab** out,
                            char** error, const char* missing) {
        try {
            const Map& tables = **static_cast<std::shared_ptr<const Map>*>(aux);
            const auto found = tables.find(text::toLower(name));
            if (found == tables.end()) {
                *error = sqlite3_mprintf("%s %s.", missing, name);
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

    static int disconnect(sqlite3_vtab* vtab) {
        delete &tableOf(vtab);
        return SQLITE_OK;
    }

    static int openCursor(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
        try {
            *out = new Cursor(tableOf(vtab));
            return SQLITE_OK;
        } catch (const std::exception&) {
            return SQLITE_NOMEM;
        }
    }

    static int closeCursor(sqlite3_vtab_cursor* cursor) {
        delete &cursorOf(cursor);
        return SQLITE_OK;
    }

    static int eof(sqlite3_vtab_cursor* cursor) { return cursorOf(cursor).eof ? 1 : 0; }

    static int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
        try {
            const Table& table = tableOf(base->pVtab);
            if (index >= 0 && static_cast<std::size_t>(index) < table.columnCount()) {
                cursorOf(base).result(table, context, static_cast<std::size_t>(index));
            }
            return SQLITE_OK;
        } catch (const std::exception&) {
            return SQLITE_NOMEM;
        }
    }

    static int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* out) {
        *out = static_cast<sqlite3_int64>(cursorOf(cursor).row);
        return SQLITE_OK;
    }

    // A read-only module from the methods of the module's own and those above; a module
    // that differs sets its own methods in the copy it is given.
    static constexpr sqlite3_module readOnly(decltype(sqlite3_module::xConnect) connect,
                                             decltype(sqlite3_module::xBestIndex) bestIndex,
                                             decltype(sqlite3_module::xFilter) filter,
                                             decltype(sqlite3_module::xNext) next) {
        return {
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
            .xUpdate = VirtualTable::refuseChanges,
            .xBegin = nullptr,
            .xSync = nullptr,
            .xCommit = nullptr,
            .xRollback = nullptr,
            .xFindFunction = nullptr,
            .xRename = nullptr,
            .xSavepoint = nullptr,
            .xRelease = nullptr,
            .xRollbackTo = nullptr,
            .xShadowName = nullptr,
        };
    }
};

}  // namespace kiv::db::sqlite
