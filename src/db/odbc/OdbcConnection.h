#pragma once

#include <sql.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "db/Error.h"
#include "db/HoldingWriters.h"
#include "db/odbc/OdbcHandle.h"

namespace kiv::db::odbc {

// One connection to an ODBC data source and what every statement on it has to respect.
//
// Writes are grouped into transactions: while a writer (a table opened for adding rows, or
// a command that changes rows) takes part, the connection runs in manual-commit mode and
// commits before a transaction would hold more than 10,000 rows, when the last writer
// leaves and after a failure, so what was written before a failure stays written: the
// outcome of committing every row, without paying for a commit per row. Rows a writer holds
// back for a multi-row INSERT are sent before any other statement on the connection runs,
// so every statement sees every row written before it. Where a failed statement spoils the
// whole transaction (PostgreSQL), the writes that succeeded are marked with a savepoint and a
// failure is rolled back to it, so they stay written.
class OdbcConnection {
public:
    // Rows one transaction holds at most.
    static constexpr std::size_t TransactionRows = 10000;

    // A driver manager environment for ODBC 3 behaviour, to connect through.
    static OdbcHandle environment();

    // Connects through the driver manager of `environment` with `connectString` exactly as
    // the driver is to see it.
    OdbcConnection(OdbcHandle environment, std::string_view connectString, bool readOnly);
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    bool readOnly() const noexcept { return readOnly_; }
    // The product behind the driver ("PostgreSQL", "Microsoft SQL Server").
    const std::string& dbmsName() const noexcept { return dbmsName_; }
    // The escape that makes "_" and "%" literal in the name patterns of catalog functions.
    const std::string& searchEscape() const noexcept { return searchEscape_; }

    // `name` quoted as the driver's identifier quote requires, for statements the engine
    // writes: "[name]" where the quote is "[", the name as it is where there is none.
    std::string quote(std::string_view name) const;

    // A new statement handle on the connection.
    OdbcHandle statement() const;
    // The failure the driver left on `statement`; when the connection is gone, whatever the
    // statement was, the failure says that it was lost.
    Error error(const OdbcHandle& statement) const;
    // Whether the connection to the server is gone.
    bool lost() const noexcept;

    // Writers holding rows back.
    HoldingWriters& holdingWriters() noexcept { return holding_; }
    // Makes every writer send the rows it holds back. Never throws: a writer keeps its
    // failure and reports it at its next call.
    void flushHeldRows() noexcept { holding_.flush(); }

    // Writers taking part in the grouped transactions.
    void joinWriters() noexcept { ++writers_; }
    // The last writer leaving commits and gives the connection back its automatic commits.
    void leaveWriters();
    // Called before `rows` rows are sent: opens the transaction, or commits the current one
    // first when it would grow beyond TransactionRows.
    void beginWriting(std::size_t rows);
    // Commits what was written before a failure, so it stays written whatever comes next.
    void commitAfterFailure() noexcept;

    // Keeps one transaction open, whatever the writers do and also after a failure, until it
    // is released: committed, or rolled back with everything written meanwhile.
    void holdTransaction();
    void releaseTransaction(bool commit);

    // Marks everything written so far in the transaction as kept: a statement failing after
    // it is undone back to the mark, never further.
    void markWritten();
    // Undoes what was written since the last mark: a failed statement where the database
    // then refuses everything else in the transaction (PostgreSQL).
    void undoSinceMark() noexcept;

private:
    std::string info(SQLUSMALLINT item) const;
    Error diagnosed(SQLSMALLINT type, SQLHANDLE handle) const;
    void run(const char* sql) const;
    void setAutoCommit(bool on);
    void commit();
    // Commits and gives the connection back its automatic commits.
    void endTransaction();

    OdbcHandle environment_;
    OdbcHandle connection_;
    bool readOnly_;
    std::string quote_;
    std::string searchEscape_;
    std::string dbmsName_;
    std::string server_;
    int writers_ = 0;
    bool inTransaction_ = false;
    bool transactionHeld_ = false;
    // A failed statement makes the database refuse the rest of the transaction until it is
    // rolled back to a savepoint, which the connection then sets after every write.
    bool marks_ = false;
    bool marked_ = false;
    std::size_t transactionRows_ = 0;
    HoldingWriters holding_;
};

}  // namespace kiv::db::odbc
