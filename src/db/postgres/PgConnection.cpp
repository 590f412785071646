#include "db/postgres/PgConnection.h"

#include "db/Constants.h"
#include "db/odbc/OdbcDiagnostics.h"

namespace kiv::db::postgres {

namespace {

// The text of a result field, empty when the server gave none.
std::string_view field(const PGresult* result, int code) {
    const char* value = result != nullptr ? PQresultErrorField(result, code) : nullptr;
    return value != nullptr ? std::string_view(value) : std::string_view();
}

// libpq's messages end with a line break.
std::string_view trimmed(std::string_view message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.remove_suffix(1);
    }
    return message;
}

Error made(std::string_view state, std::string_view description) {
    return Error(
        adErrEngineFailure, PgConnection::Provider, std::string(state), 0,
        odbc::OdbcDiagnostics::describe(std::string(PgConnection::Tag) + std::string(description)));
}

}  // namespace

PgConnection::PgConnection(const char* const* keywords, const char* const* values, bool readOnly)
    : connection_(PQconnectdbParams(keywords, values, 0)), readOnly_(readOnly) {
    if (connection_ == nullptr) {
        throw failure("08001", "libpq could not make a connection object.");
    }
    if (PQstatus(connection_) != CONNECTION_OK) {
        const std::string message(trimmed(PQerrorMessage(connection_)));
        PQfinish(connection_);
        throw failure("08001", message);
    }
    PQsetClientEncoding(connection_, "UTF8");
    // A COPY's lines are queued without waiting for the server to read them, so the program
    // prepares the next group while the server takes this one; waiting for a result sends
    // what is queued first.
    PQsetnonblocking(connection_, 1);
    if (readOnly_) {
        run("SET default_transaction_read_only = on");
    }
}

PgConnection::~PgConnection() {
    PQfinish(connection_);
}

Error PgConnection::error(const PGresult* result) const {
    std::string_view state = field(result, PG_DIAG_SQLSTATE);
    std::string description(field(result, PG_DIAG_MESSAGE_PRIMARY));
    if (description.empty()) {
        description = trimmed(PQerrorMessage(connection_));
    }
    if (const std::string_view detail = field(result, PG_DIAG_MESSAGE_DETAIL); !detail.empty()) {
        description += (description.ends_with('.') ? " " : ". ") + std::string(trimmed(detail));
    }
    // A server shutting down says so (57P01 and its kin) before it closes the connection.
    if (lost() || state.starts_with("57P")) {
        state = "08S01";
        description = "The connection to the server " + std::string(PQhost(connection_)) +
                      " was lost: " + description;
    }
    return made(state.empty() ? "HY000" : state, description);
}

Error PgConnection::failure(std::string_view sqlState, std::string_view description) {
    return made(sqlState, description);
}

std::string PgConnection::quote(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

PgResult PgConnection::run(const std::string& sql) {
    prepareForStatement();
    PgResult result(PQexec(connection_, sql.c_str()), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        throw error(result.get());
    }
    return result;
}

PgResult PgConnection::next() {
    PgResult result(PQgetResult(connection_), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (result && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK &&
        status != PGRES_SINGLE_TUPLE && status != PGRES_COPY_IN) {
        const Error failure = error(result.get());
        // The statement's remaining results are of no use now.
        while (PgResult(PQgetResult(connection_), PQclear)) {
        }
        throw failure;
    }
    return result;
}

void PgConnection::prepareForStatement() noexcept {
    holding_.flush();
    finishReading();
}

void PgConnection::prepareFor(std::string_view statement) noexcept {
    holding_.flushFor(statement);
    finishReading();
}

void PgConnection::finishReading() noexcept {
    if (reader_ != nullptr) {
        Reader* reader = reader_;
        reader_ = nullptr;
        reader->takeRest();
    }
}

void PgConnection::doneReading(const Reader* reader) noexcept {
    if (reader_ == reader) {
        reader_ = nullptr;
    }
}

}  // namespace kiv::db::postgres
