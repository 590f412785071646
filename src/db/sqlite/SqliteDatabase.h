#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Error.h"
#include "db/HoldingWriters.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kiv::db::sqlite {

// One SQLite database handle and what every statement on it has to respect.
//
// Connections of the program to the same file share one handle (a process-wide registry
// keyed by the file's canonical path), so they never lock each other out. Writes are
// grouped into one transaction that stays open while some writer is active; rows a writer
// holds back for a multi-row INSERT are flushed before any other statement on the handle
// runs, so every statement sees every row written before it.
class SqliteDatabase {
public:
    // The shared handle of a file; read-only handles open an existing file without
    // creating it. A read-write request never reuses a read-only handle.
    static std::shared_ptr<SqliteDatabase> openFile(const std::string& path, bool readOnly);
    // A private in-memory database; its errors carry `tag` ("[Kiv][Text]").
    static std::shared_ptr<SqliteDatabase> openMemory(std::string provider, std::string tag);

    // `path` is the database file, empty for an in-memory database.
    SqliteDatabase(sqlite3* handle, std::string provider, std::string tag, bool readOnly,
                   std::string path);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    sqlite3* handle() const noexcept { return handle_; }
    bool readOnly() const noexcept { return readOnly_; }
    const std::string& provider() const noexcept { return provider_; }

    // Prepares the first statement of `sql`; `tail` receives the rest. An empty statement
    // (blanks, comments) gives an empty pointer.
    std::shared_ptr<sqlite3_stmt> prepare(std::string_view sql, std::string_view* tail = nullptr);
    // Statements prepared by the program so far; lets tests check that commands are
    // prepared once however often they run.
    static unsigned long prepareCount() noexcept;

    // The failure SQLite reported for `code` on this handle. Failures of the file itself (a
    // full disk, an I/O error, a lock) name the file.
    Error error(int code) const;
    // A failure with a description of the engine's own.
    Error error(int code, std::string_view sqlState, std::string_view description) const;
    // The same with the state SQLite's own description would give.
    Error error(int code, std::string_view description) const;
    // Writers holding rows back.
    HoldingWriters& holdingWriters() noexcept { return holding_; }
    // Makes every writer send the rows it holds back. Never throws: a writer keeps its
    // failure and reports it at its next call.
    void flushHeldRows() noexcept { holding_.flush(); }

    // Writers taking part in the grouped transaction.
    void joinWriters() noexcept { ++writers_; }
    // The last writer leaving commits. A failed commit is rolled back; its failure names
    // `lost`, what is therefore not in the file.
    void leaveWriters(std::string_view lost = WrittenSinceCommit);
    // Opens the grouped transaction when none is open and a writer takes part.
    void beginWriting();
    // Commits what was written before `failure`, so it stays written whatever comes next,
    // and gives the failure to report. When the transaction is lost, because the failure
    // ended it (a full disk, an I/O error: SQLite then rolls back everything since the last
    // commit) or because the commit failed, the failure says so and names `lost`.
    Error commitAfterFailure(const Error& failure,
                             std::string_view lost = WrittenSinceCommit) noexcept;
    // Keeps the grouped transaction open, whatever the writers do and also after a failure,
    // until it is released: committed, or rolled back with everything written meanwhile.
    void holdTransaction();
    void releaseTransaction(bool commit);
    // Whether a statement that just failed ended the grouped transaction.
    bool transactionLost() const noexcept;
    // Grouped transactions committed so far; rows written before the count changed are
    // durable.
    unsigned long commits() const noexcept { return commits_; }

    // What a rolled-back transaction costs when nothing more precise is known.
    static constexpr std::string_view WrittenSinceCommit =
        "what was written since the last commit is not in the file";

private:
    // The five-character state for an SQLite result code and message.
    static const char* sqlState(int code, std::string_view message) noexcept;
    std::string described(int code, std::string_view description) const;
    Error rolledBack(const Error& failure, std::string_view lost) const;
    void commit(std::string_view lost);

    sqlite3* handle_;
    std::string provider_;
    std::string tag_;
    bool readOnly_;
    std::string path_;
    int writers_ = 0;
    bool transactionOpen_ = false;
    bool transactionHeld_ = false;
    unsigned long commits_ = 0;
    HoldingWriters holding_;
};

}  // namespace kiv::db::sqlite
