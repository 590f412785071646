#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/CatalogEntry.h"
#include "db/ColumnInfo.h"
#include "db/Cursor.h"
#include "db/PreparedStatement.h"
#include "db/TableDefinition.h"
#include "db/TableWriter.h"

namespace kiv::db {

// One opened database, behind a connection. Each kind of source (an embedded database, a
// folder of text files, ...) is an engine; the connection, recordset, command and catalog
// objects are the same for all of them. Every failure is thrown as `Error`.
class Engine {
public:
    virtual ~Engine() = default;

    virtual const std::string& provider() const = 0;

    // Runs one statement text. A statement that yields columns gives a cursor positioned
    // before its first row (`recordsAffected` -1); any other gives an empty pointer and the
    // number of rows it changed.
    virtual std::unique_ptr<Cursor> execute(std::string_view sql, long& recordsAffected) = 0;

    // Opens a table for adding rows.
    virtual std::unique_ptr<TableWriter> openTable(std::string_view table) = 0;
    // Opens a table for merging rows: a row whose `keys` columns match a row of the table
    // updates it, any other row is added. An engine that cannot refuses with an Error.
    virtual std::unique_ptr<TableWriter> openMergingTable(std::string_view table,
                                                          const std::vector<std::string>& keys);

    // Makes `table` with `columns`, each in the database's type for the values its type code,
    // size, precision and scale describe; with `dropFirst` the table of that name is dropped
    // first. The statements are CREATE TABLE and DROP TABLE as a text folder or a workbook
    // takes them, unless the engine writes its own. A column the database has no type for is
    // refused with an Error naming it.
    virtual void createTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                             bool dropFirst);

    virtual std::unique_ptr<PreparedStatement> prepare(std::string_view sql) = 0;

    // Tables, views and procedures of the database.
    virtual std::vector<CatalogEntry> catalog() = 0;
    // The columns of a table or view, in their order; empty for an unknown name.
    virtual std::vector<ColumnInfo> tableColumns(std::string_view table) = 0;

    // One transaction around everything written from now until `endTransaction`, which
    // commits it or rolls it back; meanwhile nothing written is committed, also after a
    // failure. An engine that cannot (files written as they go) refuses with an Error.
    virtual void beginTransaction();
    virtual void endTransaction(bool commit);

    // Why the database takes no rows or changes (a file of a type that is only read); empty
    // when it takes them.
    virtual std::string refusal() const { return {}; }

    // Called once when the connection closes, after its recordsets and commands: an engine
    // that keeps what was written until then (a workbook) saves it here.
    virtual void close() {}

protected:
    // Runs DROP TABLE when `dropFirst` and CREATE TABLE with the types of `dialect` and the
    // names quoted by `quote`; nothing is dropped when a column has no type.
    void makeTable(std::string_view table, const std::vector<ColumnInfo>& columns, bool dropFirst,
                   TableDefinition::Dialect dialect, const TableDefinition::Quote& quote);
};

}  // namespace kiv::db
