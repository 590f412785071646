#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/ColumnInfo.h"
#include "db/Constants.h"
#include "db/Errors.h"
#include "db/Notices.h"

namespace kiv::db {

class Command;
class Engine;
class Recordset;

// An opened database. The connect string chooses the engine:
//   Provider=SQLite;Data Source=file                        embedded SQLite database
//   Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=dir;  folder of text files
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=file;...   workbook, HTML file or Access file
//   any other Driver= or DSN=                               ODBC data source
// An unknown provider fails to open with a description naming it.
//
// Failures of the connection and of everything run on it are thrown as `Error` and left in
// `Errors`; a failure replaces the records of the previous one.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // adModeRead (1) opens an existing file for reading only; anything else reads and
    // writes, creating a missing database file unless the connect string says
    // FailIfMissing=True.
    long Mode() const noexcept { return mode_; }
    void Mode(long mode) noexcept { mode_ = mode; }
    const std::string& ConnectionString() const noexcept { return connectionString_; }
    void ConnectionString(std::string connectString) {
        connectionString_ = std::move(connectString);
    }
    // Shown in the connection's dump. How long a statement waits for a lock another program
    // holds is the engine's own (SQLite: 5 seconds).
    long CommandTimeout() const noexcept { return commandTimeout_; }
    void CommandTimeout(long seconds) noexcept { commandTimeout_ = seconds; }
    std::string Version() const;
    // The engine serving the connection ("Kiv.SQLite", "Kiv.Text"), once opened.
    const std::string& Provider() const noexcept { return provider_; }
    long State() const noexcept { return engine_ ? adStateOpen : adStateClosed; }

    db::Errors& Errors() noexcept { return errors_; }
    const db::Errors& Errors() const noexcept { return errors_; }
    // What the engine had to tell besides failures, kept until taken.
    db::Notices& Notices() noexcept { return *notices_; }

    // An empty connect string opens `ConnectionString`. User and password are part of the
    // connect string for the sources that use them.
    void Open(std::string_view connectString = {}, std::string_view userId = {},
              std::string_view password = {}, long options = -1);
    // Closes the recordsets open on the connection and makes what commands wrote durable.
    void Close();

    // Holds everything written on the connection in one transaction until CommitTrans or
    // RollbackTrans; an engine that cannot hold its writes refuses.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    // Why the open database takes no rows or changes (a file of a type that is only read);
    // empty when it takes them or the connection is closed.
    std::string WriteRefusal() const;

    // Makes `table` with `columns` in the database's types for their values. An existing table
    // of that name is dropped first when `replacing`, and otherwise kept as it is.
    void CreateTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                     bool replacing);

    // Runs a statement. One that yields rows gives an open, streaming recordset positioned
    // on its first row (`recordsAffected` -1); any other gives an empty pointer and the
    // number of rows it changed.
    std::shared_ptr<Recordset> Execute(std::string_view commandText,
                                       long* recordsAffected = nullptr,
                                       long options = adCmdUnspecified);

private:
    friend class Catalog;
    friend class Command;
    friend class Recordset;
    friend class Table;

    // The open engine; a closed connection is an error of the caller.
    std::shared_ptr<Engine> engine() const;
    void report(const Error& error);
    void enlist(const std::shared_ptr<Recordset>& recordset);
    void enlist(const std::shared_ptr<Command>& command);

    long mode_ = adModeUnknown;
    std::string connectionString_;
    long commandTimeout_ = 30;
    std::string provider_;
    std::shared_ptr<Engine> engine_;
    db::Errors errors_;
    std::shared_ptr<db::Notices> notices_ = std::make_shared<db::Notices>();
    std::vector<std::weak_ptr<Recordset>> recordsets_;
    std::vector<std::weak_ptr<Command>> commands_;
};

}  // namespace kiv::db
