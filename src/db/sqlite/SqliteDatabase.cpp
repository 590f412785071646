#include "db/sqlite/SqliteDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>

#include "db/Constants.h"

namespace kiv::db::sqlite {

namespace {

constexpr const char* FileProvider = "Kiv.SQLite";
constexpr const char* FileTag = "[Kiv][SQLite]";

unsigned long preparedStatements = 0;

// How long a statement waits for a lock another program holds on the file before it fails
// with "database is locked".
constexpr int LockWaitMilliseconds = 5000;

// Each connection is used from one thread, so SQLite's memory statistics (a mutex around
// every allocation) buy nothing. The setting only takes effect before SQLite initialises,
// so it is made as the program starts.
[[maybe_unused]] const int memoryStatisticsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<SqliteDatabase>> handles;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

sqlite3* openHandle(const std::string& path, int flags) {
    sqlite3* handle = nullptr;
    const int code = sqlite3_open_v2(path.c_str(), &handle, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const std::string message =
            handle != nullptr ? sqlite3_errmsg(handle) : sqlite3_errstr(code);
        sqlite3_close(handle);
        throw Error(
            adErrEngineFailure, FileProvider, "08001", code,
            std::string(FileTag) + "Cannot open the database file '" + path + "': " + message);
    }
    sqlite3_extended_result_codes(handle, 1);
    // Before anything reads the file, so that even the first look at the schema waits for a
    // writer instead of failing at once.
    sqlite3_busy_timeout(handle, LockWaitMilliseconds);
    return handle;
}

bool contains(std::string_view message, std::string_view part) {
    return message.find(part) != std::string_view::npos;
}

}  // namespace

std::shared_ptr<SqliteDatabase> SqliteDatabase::openFile(const std::string& path, bool readOnly) {
    std::error_code failed;
    std::string key = std::filesystem::weakly_canonical(path, failed).string();
    if (failed || key.empty()) {
        key = path;
    }
    Registry& shared = registry();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    std::erase_if(shared.handles, [](const auto& entry) { return entry.second.expired(); });
    if (std::shared_ptr<SqliteDatabase> existing = shared.handles[key].lock();
        existing && (readOnly || !existing->readOnly())) {
        return existing;
    }
    sqlite3* handle = openHandle(
        key, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    auto database = std::make_shared<SqliteDatabase>(handle, FileProvider, FileTag, readOnly, key);
    // SQLite reads the file lazily; reading the schema now makes a file that is no database
    // fail at opening rather than at the first statement.
    const int code =
        sqlite3_exec(handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        throw Error(adErrEngineFailure, FileProvider, "08001", code,
                    std::string(FileTag) + "Cannot open the database file '" + key +
                        "': " + sqlite3_errmsg(handle));
    }
    shared.handles[key] = database;
    return database;
}

std::shared_ptr<SqliteDatabase> SqliteDatabase::openMemory(std::string provider, std::string tag) {
    sqlite3* handle = openHandle(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    return std::make_shared<SqliteDatabase>(handle, std::move(provider), std::move(tag), false,
                                            std::string());
}

SqliteDatabase::SqliteDatabase(sqlite3* handle, std::string provider, std::string tag,
                               bool readOnly, std::string path)
    : handle_(handle),
      provider_(std::move(provider)),
      tag_(std::move(tag)),
      readOnly_(readOnly),
      path_(std::move(path)) {}

SqliteDatabase::~SqliteDatabase() {
    // Only a writer that was never closed leaves its transaction open; what it wrote is kept.
    if (sqlite3_get_autocommit(handle_) == 0) {
        sqlite3_exec(handle_, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(handle_);
}

std::shared_ptr<sqlite3_stmt> SqliteDatabase::prepare(std::string_view sql,
                                                      std::string_view* tail) {
    sqlite3_stmt* statement = nullptr;
    const char* rest = nullptr;
    const int code =
        sqlite3_prepare_v3(handle_, sql.data(), static_cast<int>(sql.size()), 0, &statement, &rest);
    if (code != SQLITE_OK) {
        throw error(code);
    }
    if (tail != nullptr) {
        *tail = rest != nullptr ? sql.substr(static_cast<std::size_t>(rest - sql.data()))
                                : std::string_view();
    }
    if (statement == nullptr) {
        return nullptr;
    }
    ++preparedStatements;
    return std::shared_ptr<sqlite3_stmt>(statement, sqlite3_finalize);
}

unsigned long SqliteDatabase::prepareCount() noexcept {
    return preparedStatements;
}

Error SqliteDatabase::error(int code) const {
    const char* message = sqlite3_errmsg(handle_);
    return error(code, sqlState(code, message), described(code, message));
}

std::string SqliteDatabase::described(int code, std::string_view description) const {
    switch (code & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_NOMEM:
        case SQLITE_READONLY:
        case SQLITE_IOERR:
        case SQLITE_CORRUPT:
        case SQLITE_FULL:
        case SQLITE_CANTOPEN:
        case SQLITE_PROTOCOL:
        case SQLITE_PERM:
        case SQLITE_NOTADB:
            if (!path_.empty()) {
                return std::string(description) + " (database file '" + path_ + "')";
            }
            [[fallthrough]];
        default:
            return std::string(description);
    }
}

Error SqliteDatabase::error(int code, std::string_view description) const {
    return error(code, sqlState(code, description), description);
}

Error SqliteDatabase::error(int code, std::string_view state, std::string_view description) const {
    return Error(adErrEngineFailure, provider_, std::string(state), code,
                 tag_ + std::string(description));
}

const char* SqliteDatabase::sqlState(int code, std::string_view message) noexcept {
    switch (code & 0xFF) {
        case SQLITE_CONSTRAINT:
            return "23000";
        case SQLITE_MISMATCH:
            return "22018";
        case SQLITE_TOOBIG:
            return "22001";
        case SQLITE_RANGE:
            return "07009";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "HYT00";
        case SQLITE_CANTOPEN:
        case SQLITE_NOTADB:
            return "08001";
        case SQLITE_ERROR:
            if (contains(message, "syntax error") || contains(message, "incomplete input") ||
                contains(message, "unrecognized token")) {
                return "42000";
            }
            if (contains(message, "no such table")) {
                return "42S02";
            }
            if (contains(message, "no such column")) {
                return "42S22";
            }
            if (contains(message, "already exists")) {
                return "42S01";
            }
            return "HY000";
        default:
            return "HY000";
    }
}

void SqliteDatabase::leaveWriters(std::string_view lost) {
    if (writers_ > 0 && --writers_ == 0) {
        commit(lost);
    }
}

void SqliteDatabase::beginWriting() {
    if (writers_ == 0) {
        return;
    }
    if (sqlite3_get_autocommit(handle_) != 0) {
        const int code = sqlite3_exec(handle_, "BEGIN", nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) {
            throw error(code);
        }
    }
    transactionOpen_ = true;
}

void SqliteDatabase::holdTransaction() {
    flushHeldRows();
    if (sqlite3_get_autocommit(handle_) != 0) {
        const int code = sqlite3_exec(handle_, "BEGIN", nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) {
            throw error(code);
        }
    }
    transactionOpen_ = true;
    transactionHeld_ = true;
}

void SqliteDatabase::releaseTransaction(bool commit) {
    transactionHeld_ = false;
    if (commit) {
        this->commit(WrittenSinceCommit);
        return;
    }
    flushHeldRows();
    transactionOpen_ = false;
    if (sqlite3_get_autocommit(handle_) == 0) {
        const int code = sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) {
            throw error(code);
        }
    }
}

bool SqliteDatabase::transactionLost() const noexcept {
    return transactionOpen_ && sqlite3_get_autocommit(handle_) != 0;
}

void SqliteDatabase::commit(std::string_view lost) {
    flushHeldRows();
    if (transactionHeld_) {
        return;
    }
    transactionOpen_ = false;
    if (sqlite3_get_autocommit(handle_) != 0) {
        return;
    }
    const int code = sqlite3_exec(handle_, "COMMIT", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        // A transaction left open would keep the file locked for every other program.
        const Error failure = rolledBack(error(code), lost);
        sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw failure;
    }
    ++commits_;
}

Error SqliteDatabase::commitAfterFailure(const Error& failure, std::string_view lost) noexcept {
    const bool ended = transactionLost();
    try {
        commit(lost);
    } catch (const Error& commitFailure) {
        const std::string& cause = commitFailure.Description();
        return Error(failure.Number(), failure.Source(), failure.SQLState(), failure.NativeError(),
                     failure.Description() + " Committing the rows written before failed too: " +
                         cause.substr(tag_.size()));
    }
    return ended ? rolledBack(failure, lost) : failure;
}

Error SqliteDatabase::rolledBack(const Error& failure, std::string_view lost) const {
    // Appended text file rows stay written whatever happens to the transaction around them.
    if (path_.empty()) {
        return failure;
    }
    return Error(
        failure.Number(), failure.Source(), failure.SQLState(), failure.NativeError(),
        failure.Description() + ". The transaction was rolled back: " + std::string(lost) + ".");
}

}  // namespace kiv::db::sqlite
