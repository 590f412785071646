#include "db/odbc/OdbcConnection.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "base/Text.h"
#include "db/SqlText.h"
#include "db/odbc/OdbcDiagnostics.h"
#include "db/odbc/OdbcText.h"

namespace kiv::db::odbc {

namespace {

// An unreachable server fails within this many seconds instead of waiting for the
// network's own timeout of minutes.
constexpr SQLULEN LoginSeconds = 15;

SQLPOINTER attribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

}  // namespace

OdbcHandle OdbcConnection::environment() {
    OdbcHandle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, attribute(SQL_OV_ODBC3), 0);
    return environment;
}

OdbcConnection::OdbcConnection(OdbcHandle environment, std::string_view connectString,
                               bool readOnly)
    : environment_(std::move(environment)),
      connection_(SQL_HANDLE_DBC, environment_.get()),
      readOnly_(readOnly) {
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_LOGIN_TIMEOUT, attribute(LoginSeconds), 0);
    OdbcText::Wide text = OdbcText::wide(connectString);
    const SQLRETURN code = SQLDriverConnectW(connection_.get(), nullptr, text.data(), SQL_NTS,
                                             nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(code)) {
        throw OdbcDiagnostics::error(SQL_HANDLE_DBC, connection_.get());
    }
    connection_.connected();
    if (readOnly_) {
        // A hint the driver may pass on to the server; the engine refuses to open tables
        // for writing on a read-only connection either way.
        SQLSetConnectAttrW(connection_.get(), SQL_ATTR_ACCESS_MODE, attribute(SQL_MODE_READ_ONLY),
                           0);
    }
    quote_ = info(SQL_IDENTIFIER_QUOTE_CHAR);
    searchEscape_ = info(SQL_SEARCH_PATTERN_ESCAPE);
    dbmsName_ = info(SQL_DBMS_NAME);
    server_ = info(SQL_SERVER_NAME);
    marks_ = text::iequals(dbmsName_, "PostgreSQL");
}

OdbcConnection::~OdbcConnection() {
    // Only a writer that was never closed leaves its transaction open; what it wrote is kept.
    if (inTransaction_) {
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT);
    }
}

std::string OdbcConnection::info(SQLUSMALLINT item) const {
    SQLWCHAR value[256] = {};
    SQLSMALLINT bytes = 0;
    const SQLRETURN code = SQLGetInfoW(connection_.get(), item, value, sizeof value, &bytes);
    if (!SQL_SUCCEEDED(code)) {
        return {};
    }
    const std::size_t units = std::min<std::size_t>(
        static_cast<std::size_t>(bytes) / sizeof(SQLWCHAR), OdbcText::length(value));
    return OdbcText::utf8(value, units);
}

std::string OdbcConnection::quote(std::string_view name) const {
    if (quote_.empty() || quote_ == " ") {
        return std::string(name);
    }
    if (quote_ == "[") {
        return SqlText::bracket(name);
    }
    return quote_ + text::replaceAll(name, quote_, quote_ + quote_) + quote_;
}

OdbcHandle OdbcConnection::statement() const {
    return OdbcHandle(SQL_HANDLE_STMT, connection_.get());
}

Error OdbcConnection::error(const OdbcHandle& statement) const {
    return diagnosed(statement.type(), statement.get());
}

Error OdbcConnection::diagnosed(SQLSMALLINT type, SQLHANDLE handle) const {
    const Error reported = OdbcDiagnostics::error(type, handle);
    // The driver may only say that some statement of its own failed ("internal SAVEPOINT
    // failed"), depending on which statement first met the closed connection; and it may say
    // the link failed (SQLSTATE 08S01) before it marks the connection dead.
    const bool gone = reported.SQLState() == "08S01" || lost();
    return gone ? OdbcDiagnostics::connectionLost(reported, server_, inTransaction_) : reported;
}

bool OdbcConnection::lost() const noexcept {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQL_SUCCEEDED(SQLGetConnectAttrW(connection_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0,
                                            nullptr)) &&
           dead == SQL_CD_TRUE;
}

void OdbcConnection::leaveWriters() {
    if (writers_ > 0) {
        --writers_;
    }
    if (writers_ == 0) {
        flushHeldRows();
    }
    // A writer whose held rows were sent just now has joined again and commits later.
    if (writers_ == 0 && inTransaction_ && !transactionHeld_) {
        endTransaction();
    }
}

void OdbcConnection::beginWriting(std::size_t rows) {
    if (!inTransaction_) {
        setAutoCommit(false);
        inTransaction_ = true;
        transactionRows_ = 0;
    } else if (!transactionHeld_ && transactionRows_ + rows > TransactionRows) {
        commit();
    }
    transactionRows_ += rows;
}

void OdbcConnection::commit() {
    transactionRows_ = 0;
    marked_ = false;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT))) {
        throw diagnosed(SQL_HANDLE_DBC, connection_.get());
    }
}

void OdbcConnection::endTransaction() {
    std::optional<Error> failure;
    try {
        commit();
    } catch (const Error& error) {
        failure = error;
    }
    inTransaction_ = false;
    setAutoCommit(true);
    if (failure) {
        throw *failure;
    }
}

void OdbcConnection::commitAfterFailure() noexcept {
    undoSinceMark();
    flushHeldRows();
    if (inTransaction_ && !transactionHeld_) {
        transactionRows_ = 0;
        marked_ = false;
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT);
    }
}

void OdbcConnection::holdTransaction() {
    flushHeldRows();
    if (!inTransaction_) {
        setAutoCommit(false);
        inTransaction_ = true;
        transactionRows_ = 0;
    }
    transactionHeld_ = true;
}

void OdbcConnection::releaseTransaction(bool commit) {
    transactionHeld_ = false;
    flushHeldRows();
    if (!inTransaction_) {
        return;
    }
    if (commit) {
        endTransaction();
        return;
    }
    inTransaction_ = false;
    marked_ = false;
    transactionRows_ = 0;
    const SQLRETURN code = SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
    setAutoCommit(true);
    if (!SQL_SUCCEEDED(code)) {
        throw diagnosed(SQL_HANDLE_DBC, connection_.get());
    }
}

void OdbcConnection::markWritten() {
    if (!marks_ || !inTransaction_) {
        return;
    }
    // One round trip: the previous mark is merged into the transaction and a new one set.
    run(marked_ ? "RELEASE SAVEPOINT kiv_written; SAVEPOINT kiv_written" : "SAVEPOINT kiv_written");
    marked_ = true;
}

void OdbcConnection::undoSinceMark() noexcept {
    if (!marks_ || !inTransaction_) {
        return;
    }
    try {
        if (marked_) {
            run("ROLLBACK TO SAVEPOINT kiv_written");
            return;
        }
    } catch (const Error&) {
        // The mark is gone with the connection's state; the transaction goes as a whole.
    }
    // Nothing written since the transaction began is kept: all of it goes.
    marked_ = false;
    transactionRows_ = 0;
    SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
}

void OdbcConnection::run(const char* sql) const {
    const OdbcHandle statement = this->statement();
    OdbcText::Wide text = OdbcText::wide(sql);
    if (!SQL_SUCCEEDED(SQLExecDirectW(statement.get(), text.data(), SQL_NTS))) {
        throw error(statement);
    }
}

void OdbcConnection::setAutoCommit(bool on) {
    const SQLRETURN code =
        SQLSetConnectAttrW(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                           attribute(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(code)) {
        throw diagnosed(SQL_HANDLE_DBC, connection_.get());
    }
}

}  // namespace kiv::db::odbc
