#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Event.h"
#include "base/Variant.h"
#include "db/Constants.h"
#include "db/Fields.h"
#include "db/ReadProgress.h"
#include "db/TableWriter.h"

// The recordset's end-of-data property keeps its classic name. The C library's EOF macro
// would rewrite it; C++ code compares with std::char_traits<char>::eof() instead.
#undef EOF

namespace kiv::db {

class Connection;
class Cursor;
class TableWriter;

// Rows of a source, or rows kept in memory.
//
// - Opened on a statement, it streams: each move steps the statement, only the current
//   row is held, and MoveFirst runs the statement again.
// - Opened on "SELECT * FROM [T]" with a keyset cursor and optimistic locking, it is a
//   target for new rows of T: it knows T's columns, never reads T's rows, and saves each
//   row added with AddNew/Update through the engine's table writer.
// - Opened without a source after fields were appended, it holds its rows in memory
//   (static cursor, batch-optimistic locking) and serves listings.
//
// MoveComplete is raised after every move that lands on a row or past the last one, and
// after Open has positioned on the first row. Failures are thrown as `Error` and also left
// in the active connection's `Errors`.
class Recordset : public std::enable_shared_from_this<Recordset> {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    long CursorLocation() const noexcept { return cursorLocation_; }
    void CursorLocation(long location) noexcept { cursorLocation_ = location; }
    long CursorType() const noexcept { return cursorType_; }
    void CursorType(long type) noexcept { cursorType_ = type; }
    long LockType() const noexcept { return lockType_; }
    void LockType(long type) noexcept { lockType_ = type; }
    // For a table opened for writing: the columns whose values say which row of the table a
    // new row updates; a row matching none is added. Empty (the default): rows are added.
    void MergeKeys(std::vector<std::string> keys) { mergeKeys_ = std::move(keys); }

    // `source` is statement text (or a table name with adCmdTable). Without a source the
    // recordset opens in memory on its appended fields. Unspecified (-1) cursor and lock
    // types keep the properties' values.
    void Open(std::string_view source = {}, std::shared_ptr<Connection> activeConnection = {},
              long cursorType = adOpenUnspecified, long lockType = adLockUnspecified,
              long options = adCmdUnspecified);
    // Ends a pending AddNew without saving it; a target recordset makes its rows durable.
    void Close();
    long State() const noexcept { return open_ ? adStateOpen : adStateClosed; }

    std::shared_ptr<Connection> ActiveConnection() const noexcept { return connection_; }
    // An empty pointer detaches the recordset; attaching is for closed recordsets.
    void ActiveConnection(std::shared_ptr<Connection> connection);

    db::Fields& Fields() noexcept { return fields_; }
    const db::Fields& Fields() const noexcept { return fields_; }

    bool BOF() const noexcept { return bof_; }
    bool EOF() const noexcept { return eof_; }
    void MoveFirst();
    void MoveNext();

    void AddNew();
    void Update();
    void CancelUpdate();
    // Saves a pending AddNew and makes sure every saved row has reached the database.
    void UpdateBatch(long affectRecords = adAffectAll);
    // A target may hold saved rows back and send them in groups: a failure of Update or
    // UpdateBatch concerns one of the last this many rows (`Error::RowsAfter` tells which).
    // 1 for every other recordset.
    std::size_t RowsHeldAtMost() const;
    // Whether the database may refuse a row saved before the last one (TableWriter).
    bool RefusesHeldRows() const;
    // For a target: `handler` decides about each row the database refuses (see
    // TableWriter::setRowRefused); false when the target cannot go on after one.
    bool SetRowRefused(TableWriter::RowRefused handler);

    // How much of its source a streaming recordset has read, where the engine knows the
    // source's size (text files); zeros otherwise.
    ReadProgress SourceProgress() const;

    Event<> MoveComplete;

private:
    friend class Command;
    friend class Connection;
    friend class Field;

    enum class Kind { None, Memory, Stream, Target };

    // Opens on a statement an engine is already running (Execute of a connection or a
    // command).
    void openOnCursor(std::unique_ptr<Cursor> cursor, std::shared_ptr<Connection> connection);

    const Variant& valueOf(std::size_t index) const;
    void assign(std::size_t index, const Variant& value);

    template <typename Action>
    void reporting(Action&& action);
    void open(std::string_view source, long options);
    void openMemory();
    void openStream(std::unique_ptr<Cursor> cursor);
    bool moveFirst();
    bool moveNext();
    void addNew();
    void update();
    void cancelUpdate();
    void close();
    void requireOpen() const;
    void enlist();

    long cursorLocation_ = adUseServer;
    long cursorType_ = adOpenForwardOnly;
    long lockType_ = adLockReadOnly;
    bool open_ = false;
    Kind kind_ = Kind::None;
    std::shared_ptr<Connection> connection_;
    db::Fields fields_;

    // The current row, or the row being added: the values the fields show.
    std::vector<Variant> row_;
    bool bof_ = true;
    bool eof_ = true;
    bool editing_ = false;

    std::vector<std::vector<Variant>> rows_;  // in memory
    std::size_t current_ = 0;                 // in memory: index of the current row

    std::unique_ptr<Cursor> cursor_;  // streaming
    long position_ = 0;               // streaming: 1 on the first row

    std::unique_ptr<TableWriter> writer_;  // target
    std::vector<bool> assigned_;           // target: values given since AddNew
    std::vector<std::string> mergeKeys_;   // target: the keys rows are merged on
};

}  // namespace kiv::db
