#include "db/postgres/PgTableWriter.h"

#include <poll.h>

#include <atomic>
#include <cctype>
#include <charconv>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>

#include "base/Text.h"
#include "db/ValueCoercion.h"
#include "db/postgres/PgTypes.h"

namespace kiv::db::postgres {

namespace {

// Rows per COPY: enough to make the statement's own cost vanish, few enough to keep the
// held lines small.
constexpr std::size_t GroupRows = 5000;
// Rows held between two passes of the group sent to the socket.
constexpr std::size_t FlushRows = 64;

// Queues a message with `put`, waiting for the socket while libpq's buffer is full; false
// when the connection failed.
template <typename Put>
bool queued(PGconn* handle, Put put) {
    for (;;) {
        const int outcome = put();
        if (outcome != 0) {
            return outcome == 1;
        }
        pollfd socket{PQsocket(handle), POLLOUT, 0};
        if (::poll(&socket, 1, -1) < 0 || PQflush(handle) < 0) {
            return false;
        }
    }
}

// The session's time zone, as the server reported it when connecting.
std::string_view sessionTimeZone(PGconn* handle) {
    const char* zone = PQparameterStatus(handle, "TimeZone");
    return zone != nullptr ? zone : "";
}

}  // namespace

PgTableWriter::PgTableWriter(std::shared_ptr<PgConnection> connection, const std::string& name,
                             PgCatalog::Table table, const std::vector<std::string>& mergeKeys)
    : connection_(std::move(connection)),
      table_(name),
      columns_(std::move(table.columns)),
      target_(std::move(table.name)),
      binary_(table.types, sessionTimeZone(connection_->handle())) {
    for (ColumnInfo& column : columns_) {
        column.attributes |= adFldUpdatable;
        conversions_.push_back(ValueCoercion::kindOnly(column));
    }
    for (Lines& lines : lines_) {
        lines.ends.resize(GroupRows);
    }
    if (!mergeKeys.empty()) {
        merge_.emplace(mergeKeys, columns_, table_);
        static std::atomic<unsigned> tables{0};
        staging_ = "kiv_merge_" + std::to_string(++tables);
        // Without the table's constraints: a column the rows leave out is not in the INSERT.
        connection_->run("CREATE TEMPORARY TABLE " + staging_ + " AS SELECT * FROM " + target_ +
                         " WITH NO DATA");
        std::vector<std::size_t> all(columns_.size());
        std::iota(all.begin(), all.end(), std::size_t{0});
        try {
            connection_->run("EXPLAIN " + mergeText(all));
        } catch (const Error& error) {
            throw merge_->noUniqueIndex(error);
        }
    }
}

PgTableWriter::~PgTableWriter() {
    closeQuietly();
    if (merge_ && !connection_->lost()) {
        try {
            connection_->run("DROP TABLE IF EXISTS " + staging_);
        } catch (const Error&) {
            // Gone with the transaction that created it, or at the end of the session.
        }
    }
}

// The rows held and those of the group the server is taking.
std::size_t PgTableWriter::rowsHeldAtMost() const {
    return 2 * GroupRows;
}

bool PgTableWriter::readBy(std::string_view statement) const {
    const std::string_view name = std::string_view(table_).substr(table_.rfind('.') + 1);
    const auto partOfName = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' ||
               (c & 0x80) != 0;
    };
    for (std::size_t at = 0; at + name.size() <= statement.size(); ++at) {
        if (text::iequals(statement.substr(at, name.size()), name) &&
            (at == 0 || !partOfName(statement[at - 1])) &&
            (at + name.size() == statement.size() || !partOfName(statement[at + name.size()]))) {
            return true;
        }
    }
    return false;
}

HoldingWriters& PgTableWriter::holdingWriters() {
    return connection_->holdingWriters();
}

std::string PgTableWriter::copyText(const std::string& target,
                                    const std::vector<std::size_t>& columns, bool binary) const {
    std::string sql = "COPY " + target + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + PgConnection::quote(columns_[columns[i]].name);
    }
    return sql + (binary ? ") FROM STDIN (FORMAT binary)" : ") FROM STDIN");
}

std::string PgTableWriter::mergeText(const std::vector<std::size_t>& assigned) const {
    std::string names;
    for (std::size_t i = 0; i < assigned.size(); ++i) {
        names += (i == 0 ? "" : ", ") + PgConnection::quote(columns_[assigned[i]].name);
    }
    return "INSERT INTO " + target_ + " (" + names + ") SELECT " + names + " FROM " + staging_ +
           merge_->conflictClause(columns_, assigned, PgConnection::quote);
}

std::unique_ptr<GroupedTableWriter::Shape> PgTableWriter::newShape(
    const std::vector<bool>& assigned) {
    auto shape = std::make_unique<CopyShape>(assigned);
    shape->groupRows = GroupRows;
    if (shape->columns.empty()) {
        // COPY needs a column; a row of defaults only is written as one.
        shape->copy = "INSERT INTO " + target_ + " DEFAULT VALUES";
        shape->groupRows = 1;
        return shape;
    }
    shape->binary = binary_.covers(shape->columns);
    if (merge_) {
        shape->copy = copyText(staging_, shape->columns, shape->binary);
        shape->merge = mergeText(shape->columns);
    } else {
        shape->copy = copyText(target_, shape->columns, shape->binary);
    }
    return shape;
}

void PgTableWriter::hold(const std::vector<Variant>& row, const Shape& shape, std::size_t slot) {
    Lines& lines = lines_[filling_];
    if (slot == 0) {
        lines.text.clear();
    }
    if (sentRows_ > 0 && slot % FlushRows == 0) {
        // Passes on what the socket takes of the group sent, without waiting.
        PQflush(connection_->handle());
    }
    const std::size_t start = lines.text.size();
    try {
        if (static_cast<const CopyShape&>(shape).binary) {
            holdBinary(row, shape, lines.text);
        } else {
            holdText(row, shape, lines.text);
        }
    } catch (const Error&) {
        lines.text.resize(start);
        throw;
    }
    lines.ends[slot] = lines.text.size();
}

void PgTableWriter::holdText(const std::vector<Variant>& row, const Shape& shape,
                             std::string& out) {
    for (std::size_t i = 0; i < shape.columns.size(); ++i) {
        const std::size_t column = shape.columns[i];
        if (const auto refusal = ValueCoercion::coerce(row[column], conversions_[column], value_)) {
            throw refusedValue(column, refusal->sqlState, refusal->description);
        }
        if (i > 0) {
            out += '\t';
        }
        // A date already written as the server reads it is sent as written, once it is
        // known to be one.
        const Variant& given = row[column];
        const bool asWritten =
            value_.isDate() && given.isText() && PgTypes::isIsoDate(given.textView());
        PgTypes::appendCopyField(out, asWritten ? given : value_, columns_[column].type);
    }
    out += '\n';
}

void PgTableWriter::holdBinary(const std::vector<Variant>& row, const Shape& shape,
                               std::string& out) {
    PgBinaryCopy::beginRow(out, shape.columns.size());
    for (const std::size_t column : shape.columns) {
        if (const auto refusal = ValueCoercion::coerce(row[column], conversions_[column], value_)) {
            throw refusedValue(column, refusal->sqlState, refusal->description);
        }
        if (value_.isNull()) {
            PgBinaryCopy::appendNull(out);
            continue;
        }
        // The server's own words for a value its type does not read.
        if (const std::string_view type = binary_.append(out, column, row[column], value_);
            !type.empty()) {
            throw refusedValue(column, "22P02",
                               "invalid input syntax for type " + std::string(type) + ": \"" +
                                   std::string(value_.textView()) + "\"");
        }
    }
}

// A value refused before it is sent, naming its column.
Error PgTableWriter::refusedValue(std::size_t column, const std::string& sqlState,
                                  const std::string& description) const {
    Error error = PgConnection::failure(sqlState, description);
    error.Column(columns_[column].name);
    return error;
}

bool PgTableWriter::sendGroup(Shape& shape, std::size_t rows) {
    const auto& copy = static_cast<const CopyShape&>(shape);
    if (copy.columns.empty()) {
        // A group of one row.
        sendRow(shape, 0);
        return true;
    }
    if (merge_) {
        mergeNow(copy, 0, rows);
        return true;
    }
    mark();
    startCopy(copy, lines_[filling_], 0, rows);
    sentRows_ = rows;
    sentShape_ = &copy;
    filling_ ^= 1;
    // The connection is busy until the outcome is read.
    holdingWriters().add(this);
    return true;
}

void PgTableWriter::sendRow(Shape& shape, std::size_t slot) {
    const auto& copy = static_cast<const CopyShape&>(shape);
    if (copy.columns.empty()) {
        mark();
        command(copy.copy);
    } else if (merge_) {
        mergeNow(copy, slot, slot + 1);
    } else if (auto refusal = copyNow(copy, lines_[filling_], slot, slot + 1)) {
        throw refusal->error;
    }
}

void PgTableWriter::mergeNow(const CopyShape& shape, std::size_t from, std::size_t to) {
    mark();
    command("DELETE FROM " + staging_);
    startCopy(shape, lines_[filling_], from, to);
    if (auto refusal = outcome(to - from)) {
        throw refusal->error;
    }
    command(shape.merge);
}

void PgTableWriter::mark() {
    if (PQtransactionStatus(connection_->handle()) != PQTRANS_INTRANS) {
        marked_ = false;
        return;
    }
    // One savepoint at a time: the one before is no longer needed.
    command(marked_ ? "RELEASE SAVEPOINT kiv_copy; SAVEPOINT kiv_copy" : "SAVEPOINT kiv_copy");
    marked_ = true;
}

void PgTableWriter::rollBack() noexcept {
    if (marked_ && PQtransactionStatus(connection_->handle()) == PQTRANS_INERROR) {
        PgResult(PQexec(connection_->handle(), "ROLLBACK TO SAVEPOINT kiv_copy"), PQclear);
    }
}

void PgTableWriter::command(const std::string& sql) {
    try {
        const PgResult result(PQexec(connection_->handle(), sql.c_str()), PQclear);
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
            throw connection_->error(result.get());
        }
    } catch (const Error&) {
        rollBack();
        throw;
    }
}

void PgTableWriter::startCopy(const CopyShape& shape, const Lines& lines, std::size_t from,
                              std::size_t to) {
    PgConnection& connection = *connection_;
    connection.finishReading();
    PGconn* handle = connection.handle();
    if (PQsendQuery(handle, shape.copy.c_str()) != 1) {
        throw connection.error(nullptr);
    }
    PgResult started(nullptr, PQclear);
    try {
        started = connection.next();
    } catch (const Error&) {
        rollBack();
        throw;
    }
    if (!started || PQresultStatus(started.get()) != PGRES_COPY_IN) {
        throw connection.error(started.get());
    }
    const std::size_t begin = from == 0 ? 0 : lines.ends[from - 1];
    const std::size_t end = lines.ends[to - 1];
    const auto send = [handle](std::string_view data) {
        return queued(handle, [handle, data] {
            return PQputCopyData(handle, data.data(), static_cast<int>(data.size()));
        });
    };
    const std::string_view rows(lines.text.data() + begin, end - begin);
    const bool sent =
        shape.binary ? send(PgBinaryCopy::header()) && send(rows) && send(PgBinaryCopy::trailer())
                     : send(rows);
    if (!sent || !queued(handle, [handle] { return PQputCopyEnd(handle, nullptr); })) {
        throw connection.error(nullptr);
    }
}

std::optional<PgTableWriter::Refusal> PgTableWriter::outcome(std::size_t rows) {
    PGconn* handle = connection_->handle();
    PgResult result(PQgetResult(handle), PQclear);
    while (PgResult(PQgetResult(handle), PQclear)) {
    }
    if (PQresultStatus(result.get()) == PGRES_COMMAND_OK) {
        return std::nullopt;
    }
    rollBack();
    return Refusal{connection_->error(result.get()),
                   connection_->lost() ? 0 : refusedLine(result.get(), rows)};
}

std::optional<PgTableWriter::Refusal> PgTableWriter::copyNow(const CopyShape& shape,
                                                             const Lines& lines, std::size_t from,
                                                             std::size_t to) {
    mark();
    startCopy(shape, lines, from, to);
    return outcome(to - from);
}

void PgTableWriter::awaitSent() {
    if (sentRows_ == 0) {
        return;
    }
    const std::size_t rows = std::exchange(sentRows_, 0);
    if (auto refusal = outcome(rows)) {
        sendAround(*sentShape_, lines_[filling_ ^ 1], rows, std::move(*refusal));
    }
}

void PgTableWriter::sendAround(const CopyShape& shape, const Lines& lines, std::size_t rows,
                               Refusal refusal) {
    for (std::size_t from = 0;;) {
        std::size_t refused = from + refusal.line;
        if (refused >= rows) {
            // Unnamed: the rows are sent one by one up to the refused one.
            for (refused = from; refused < rows; ++refused) {
                if (auto alone = copyNow(shape, lines, refused, refused + 1)) {
                    refusal = std::move(*alone);
                    break;
                }
            }
            refused = std::min(refused, rows - 1);
        } else if (refused > from) {
            if (auto before = copyNow(shape, lines, from, refused)) {
                refusal = std::move(*before);
                continue;
            }
        }
        const std::size_t after = rows - 1 - refused;
        if (connection_->lost() || !setAside(refusal.error, after)) {
            refusal.error.RowsAfter(after);
            throw refusal.error;
        }
        from = refused + 1;
        if (from == rows) {
            return;
        }
        auto rest = copyNow(shape, lines, from, rows);
        if (!rest) {
            return;
        }
        refusal = std::move(*rest);
    }
}

std::size_t PgTableWriter::refusedLine(const PGresult* result, std::size_t rows) {
    const char* context = PQresultErrorField(result, PG_DIAG_CONTEXT);
    if (context == nullptr) {
        return rows;
    }
    // "COPY table, line 123" or "COPY table, line 123, column name: ..."
    const std::string_view text(context);
    const std::size_t at = text.rfind(", line ");
    if (at == std::string_view::npos) {
        return rows;
    }
    std::size_t line = 0;
    const char* digits = text.data() + at + 7;
    const auto [end, error] = std::from_chars(digits, text.data() + text.size(), line);
    return error == std::errc() && line >= 1 && line <= rows ? line - 1 : rows;
}

bool PgTableWriter::undoGroup(const Error&) noexcept {
    // The server undoes a failed COPY as a whole; without a connection there is nothing to
    // send the rows to one by one.
    return !connection_->lost();
}

}  // namespace kiv::db::postgres
