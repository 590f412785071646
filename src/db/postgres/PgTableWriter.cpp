#include "db/postgres/PgTableWriter.h"

#include <utility>

#include "db/ValueCoercion.h"
#include "db/postgres/PgTypes.h"

namespace kiv::db::postgres {

namespace {

// Rows per COPY: enough to make the statement's own cost vanish, few enough to keep the
// held lines small.
constexpr std::size_t GroupRows = 5000;

}  // namespace

PgTableWriter::PgTableWriter(std::shared_ptr<PgConnection> connection, std::string table,
                             std::vector<ColumnInfo> columns)
    : connection_(std::move(connection)),
      table_(std::move(table)),
      columns_(std::move(columns)),
      lineEnds_(GroupRows) {
    for (ColumnInfo& column : columns_) {
        column.attributes |= adFldUpdatable;
        conversions_.push_back(ValueCoercion::kindOnly(column));
    }
}

PgTableWriter::~PgTableWriter() {
    closeQuietly();
}

std::size_t PgTableWriter::rowsHeldAtMost() const {
    return GroupRows;
}

HoldingWriters& PgTableWriter::holdingWriters() {
    return connection_->holdingWriters();
}

std::string PgTableWriter::copyText(const std::string& table,
                                    const std::vector<ColumnInfo>& columns,
                                    const std::vector<std::size_t>& assigned) {
    std::string sql = "COPY " + PgConnection::quote(table) + " (";
    for (std::size_t i = 0; i < assigned.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + PgConnection::quote(columns[assigned[i]].name);
    }
    return sql + ") FROM STDIN";
}

std::unique_ptr<GroupedTableWriter::Shape> PgTableWriter::newShape(
    const std::vector<bool>& assigned) {
    auto shape = std::make_unique<CopyShape>(assigned);
    shape->groupRows = GroupRows;
    if (shape->columns.empty()) {
        // COPY needs a column; a row of defaults only is written as one.
        shape->copy = "INSERT INTO " + PgConnection::quote(table_) + " DEFAULT VALUES";
        shape->groupRows = 1;
    } else {
        shape->copy = copyText(table_, columns_, shape->columns);
    }
    return shape;
}

void PgTableWriter::hold(const std::vector<Variant>& row, const Shape& shape, std::size_t slot) {
    if (slot == 0) {
        lines_.clear();
    }
    const std::size_t start = lines_.size();
    for (std::size_t i = 0; i < shape.columns.size(); ++i) {
        const std::size_t column = shape.columns[i];
        if (const auto refusal = ValueCoercion::coerce(row[column], conversions_[column], value_)) {
            lines_.resize(start);
            throw PgConnection::failure(refusal->sqlState, refusal->description);
        }
        if (i > 0) {
            lines_ += '\t';
        }
        PgTypes::appendCopyField(lines_, value_, columns_[column].type);
    }
    lines_ += '\n';
    lineEnds_[slot] = lines_.size();
}

bool PgTableWriter::sendGroup(Shape& shape, std::size_t rows) {
    copy(shape, 0, rows);
    return true;
}

void PgTableWriter::sendRow(Shape& shape, std::size_t slot) {
    copy(shape, slot, slot + 1);
}

void PgTableWriter::copy(const Shape& shape, std::size_t from, std::size_t to) {
    PgConnection& connection = *connection_;
    const std::string& sql = static_cast<const CopyShape&>(shape).copy;
    if (shape.columns.empty()) {
        connection.run(sql);
        return;
    }
    connection.prepareForStatement();
    PGconn* handle = connection.handle();
    if (PQsendQuery(handle, sql.c_str()) != 1) {
        throw connection.error(nullptr);
    }
    const PgResult started = connection.next();
    if (!started || PQresultStatus(started.get()) != PGRES_COPY_IN) {
        throw connection.error(started.get());
    }
    const std::size_t begin = from == 0 ? 0 : lineEnds_[from - 1];
    const std::size_t end = lineEnds_[to - 1];
    if (PQputCopyData(handle, lines_.data() + begin, static_cast<int>(end - begin)) != 1 ||
        PQputCopyEnd(handle, nullptr) != 1) {
        throw connection.error(nullptr);
    }
    const PgResult result = connection.next();
    while (PgResult(PQgetResult(handle), PQclear)) {
    }
}

bool PgTableWriter::undoGroup(const Error&) noexcept {
    // The server undoes a failed COPY as a whole; without a connection there is nothing to
    // send the rows to one by one.
    return !connection_->lost();
}

}  // namespace kiv::db::postgres
