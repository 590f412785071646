#include "db/postgres/PgStatement.h"

#include <atomic>

#include "base/Text.h"
#include "db/Parameters.h"
#include "db/ValueCoercion.h"
#include "db/postgres/PgCursor.h"
#include "db/postgres/PgTypes.h"

namespace kiv::db::postgres {

namespace {

std::atomic<unsigned long> statements{0};

// The end of the quoted text, comment or literal starting at `at`, or `at` itself.
std::size_t skipQuoted(std::string_view sql, std::size_t at) {
    const char c = sql[at];
    if (c == '\'' || c == '"') {
        const std::size_t end = sql.find(c, at + 1);
        return end == std::string_view::npos ? sql.size() : end + 1;
    }
    if (sql.substr(at, 2) == "--") {
        const std::size_t end = sql.find('\n', at);
        return end == std::string_view::npos ? sql.size() : end + 1;
    }
    if (sql.substr(at, 2) == "/*") {
        const std::size_t end = sql.find("*/", at + 2);
        return end == std::string_view::npos ? sql.size() : end + 2;
    }
    return at;
}

}  // namespace

std::string PgStatement::numbered(std::string_view sql, int& count) {
    std::string out;
    count = 0;
    std::size_t at = 0;
    while (at < sql.size()) {
        const std::size_t end = skipQuoted(sql, at);
        if (end != at) {
            out.append(sql.substr(at, end - at));
            at = end;
        } else if (sql[at] == '?') {
            out += "$" + text::decimal(++count);
            ++at;
        } else {
            out += sql[at++];
        }
    }
    return out;
}

PgStatement::PgStatement(std::shared_ptr<PgConnection> connection, std::string_view sql)
    : connection_(std::move(connection)),
      name_("kiv_" + text::decimal(static_cast<long long>(++statements))) {
    text_ = numbered(sql, count_);
    connection_->prepareForStatement();
    const PgResult result(
        PQprepare(connection_->handle(), name_.c_str(), text_.c_str(), 0, nullptr), PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
        throw connection_->error(result.get());
    }
    texts_.resize(static_cast<std::size_t>(count_));
    values_.resize(static_cast<std::size_t>(count_));
}

PgStatement::~PgStatement() {
    close();
}

std::unique_ptr<Cursor> PgStatement::run(const Parameters& parameters, long& recordsAffected) {
    if (parameters.Count() != count_) {
        throw PgConnection::failure("07002", "The statement has " + text::decimal(count_) +
                                                 " placeholders but the command has " +
                                                 text::decimal(parameters.Count()) +
                                                 " parameters.");
    }
    setValues(parameters);
    return PgCursor::open(
        connection_, text_,
        [this](PGconn* handle) {
            return PQsendQueryPrepared(handle, name_.c_str(), count_, values_.data(), nullptr,
                                       nullptr, 0) == 1;
        },
        recordsAffected);
}

void PgStatement::setValues(const Parameters& parameters) {
    Variant value;
    for (int i = 0; i < count_; ++i) {
        const Parameter& parameter = *parameters.Item(i);
        // Parameters convert to their declared type; their size does not limit the value.
        ColumnInfo column;
        column.name = parameter.Name();
        column.type = parameter.Type();
        if (const auto refusal = ValueCoercion::coerce(parameter.Value(), column, value)) {
            throw PgConnection::failure(refusal->sqlState, refusal->description);
        }
        std::string& text = texts_[static_cast<std::size_t>(i)];
        text.clear();
        if (value.isNull()) {
            values_[static_cast<std::size_t>(i)] = nullptr;
            continue;
        }
        PgTypes::append(text, value, parameter.Type());
        values_[static_cast<std::size_t>(i)] = text.c_str();
    }
}

void PgStatement::close() {
    // Statements commit as they run; nothing is left to make durable.
}

}  // namespace kiv::db::postgres
