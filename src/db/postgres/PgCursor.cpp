#include "db/postgres/PgCursor.h"

#include <cstdlib>
#include <utility>

#include "db/postgres/PgTypes.h"

namespace kiv::db::postgres {

PgResult PgCursor::start(PgConnection& connection, const Send& send, long& recordsAffected) {
    if (!send(connection.handle())) {
        throw connection.error(nullptr);
    }
    PQsetSingleRowMode(connection.handle());
    recordsAffected = 0;
    while (PgResult result = connection.next()) {
        const ExecStatusType status = PQresultStatus(result.get());
        if (status == PGRES_SINGLE_TUPLE ||
            (status == PGRES_TUPLES_OK && PQnfields(result.get()) > 0)) {
            return result;
        }
        recordsAffected += std::atol(PQcmdTuples(result.get()));
    }
    return PgResult(nullptr, PQclear);
}

std::unique_ptr<Cursor> PgCursor::open(std::shared_ptr<PgConnection> connection,
                                       std::string_view statement, Send send,
                                       long& recordsAffected) {
    connection->prepareFor(statement);
    PgResult first = start(*connection, send, recordsAffected);
    if (!first) {
        return nullptr;
    }
    recordsAffected = -1;
    return std::unique_ptr<Cursor>(
        new PgCursor(std::move(connection), std::move(send), std::move(first)));
}

PgCursor::PgCursor(std::shared_ptr<PgConnection> connection, Send send, PgResult first)
    : connection_(std::move(connection)), send_(std::move(send)), pending_(std::move(first)) {
    const PGresult* result = pending_.get();
    const int count = PQnfields(result);
    for (int i = 0; i < count; ++i) {
        ColumnInfo column;
        column.name = PQfname(result, i);
        PgTypes::describe(PQftype(result, i), PQfmod(result, i), column);
        columns_.push_back(std::move(column));
        types_.push_back(PQftype(result, i));
    }
    if (PQresultStatus(result) == PGRES_TUPLES_OK) {
        pending_.reset();
        finish();
    } else {
        connection_->reading(this);
    }
}

PgCursor::~PgCursor() {
    finish();
}

PgResult PgCursor::nextResult() {
    if (pending_) {
        return std::move(pending_);
    }
    if (!streaming_) {
        if (rest_.empty()) {
            return PgResult(nullptr, PQclear);
        }
        PgResult result = std::move(rest_.front());
        rest_.pop_front();
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK &&
            status != PGRES_COMMAND_OK) {
            throw connection_->error(result.get());
        }
        return result;
    }
    return connection_->next();
}

bool PgCursor::fetch(std::vector<Variant>& row) {
    if (done_) {
        return false;
    }
    PgResult result = nextResult();
    if (!result || PQresultStatus(result.get()) != PGRES_SINGLE_TUPLE) {
        finish();
        return false;
    }
    row.resize(columns_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const int column = static_cast<int>(i);
        if (PQgetisnull(result.get(), 0, column)) {
            row[i] = Variant::Null();
        } else {
            PgTypes::read(
                types_[i], columns_[i],
                std::string_view(PQgetvalue(result.get(), 0, column),
                                 static_cast<std::size_t>(PQgetlength(result.get(), 0, column))),
                row[i]);
        }
    }
    return true;
}

void PgCursor::rewind() {
    finish();
    long affected = 0;
    // The statement's text is gone: every row held back is sent, whatever it reads.
    connection_->prepareForStatement();
    pending_ = start(*connection_, send_, affected);
    rest_.clear();
    streaming_ = true;
    done_ = !pending_;
    if (pending_ && PQresultStatus(pending_.get()) == PGRES_TUPLES_OK) {
        pending_.reset();
        finish();
    } else if (pending_) {
        connection_->reading(this);
    }
}

// The statement's remaining results are read and dropped, so the connection is free.
void PgCursor::finish() noexcept {
    done_ = true;
    pending_.reset();
    rest_.clear();
    if (streaming_) {
        connection_->doneReading(this);
        streaming_ = false;
        while (PgResult(PQgetResult(connection_->handle()), PQclear)) {
        }
    }
}

void PgCursor::takeRest() noexcept {
    streaming_ = false;
    while (PGresult* result = PQgetResult(connection_->handle())) {
        rest_.emplace_back(result, PQclear);
    }
}

}  // namespace kiv::db::postgres
