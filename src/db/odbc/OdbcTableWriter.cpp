#include "db/odbc/OdbcTableWriter.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <numeric>
#include <utility>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/ValueCoercion.h"
#include "db/odbc/OdbcArrayInsert.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcDiagnostics.h"
#include "db/odbc/OdbcText.h"
#include "db/odbc/OdbcValuesInsert.h"

namespace kiv::db::odbc {

namespace {

// Rows per multi-row INSERT: enough to pay for the statement once per group. SQL Server
// takes at most 1,000 rows and 2,100 parameters per statement; PostgreSQL's arrays take one
// parameter per column.
constexpr std::size_t GroupRows = 500;
constexpr std::size_t GroupParameters = 2000;
constexpr std::size_t ArrayRows = 1000;

}  // namespace

OdbcTableWriter::OdbcTableWriter(std::shared_ptr<OdbcConnection> connection, std::string table,
                                 std::vector<OdbcColumn> columns,
                                 const std::vector<std::string>& mergeKeys)
    : connection_(std::move(connection)),
      table_(std::move(table)),
      columns_(std::move(columns)),
      values_(columns_.size()) {
    for (OdbcColumn& column : columns_) {
        column.info.attributes |= adFldUpdatable;
        infos_.push_back(column.info);
        conversions_.push_back(ValueCoercion::kindOnly(column.info));
    }
    if (!mergeKeys.empty()) {
        merge_.emplace(mergeKeys, infos_, table_);
        checkMergeKeys();
    }
}

// The server plans a merge of no rows without running it, and refuses keys it cannot
// match rows on.
void OdbcTableWriter::checkMergeKeys() const {
    std::vector<std::size_t> all(infos_.size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    std::string names;
    for (const std::size_t column : all) {
        names += (names.empty() ? "" : ", ") + connection_->quote(infos_[column].name);
    }
    const std::string table = connection_->quote(table_);
    OdbcText::Wide text = OdbcText::wide(
        "EXPLAIN INSERT INTO " + table + " (" + names + ") SELECT " + names + " FROM " + table +
        " WHERE 1 = 0" + merge_->conflictClause(infos_, all, [&](std::string_view name) {
            return connection_->quote(name);
        }));
    const OdbcHandle statement = connection_->statement();
    if (!SQL_SUCCEEDED(SQLExecDirectW(statement.get(), text.data(), SQL_NTS))) {
        throw merge_->noUniqueIndex(connection_->error(statement));
    }
}

OdbcTableWriter::~OdbcTableWriter() {
    closeQuietly();
}

std::size_t OdbcTableWriter::rowsHeldAtMost() const {
    return std::max(GroupRows, ArrayRows);
}

HoldingWriters& OdbcTableWriter::holdingWriters() {
    return connection_->holdingWriters();
}

std::unique_ptr<GroupedTableWriter::Shape> OdbcTableWriter::newShape(
    const std::vector<bool>& assigned) {
    auto shape = std::make_unique<OdbcShape>(assigned);
    std::vector<const OdbcColumn*> columns;
    for (const std::size_t column : shape->columns) {
        columns.push_back(&columns_[column]);
    }
    const std::string conflict = merge_ && !columns.empty()
                                     ? merge_->conflictClause(infos_, shape->columns,
                                                              [&](std::string_view name) {
                                                                  return connection_->quote(name);
                                                              })
                                     : std::string();
    shape->single = std::make_unique<OdbcValuesInsert>(*connection_, table_, columns, 1, conflict);
    if (!columns.empty()) {
        shape->group = groupInsert(columns, conflict);
    }
    shape->groupRows = shape->group ? shape->group->capacity() : 1;
    if (held_.size() < shape->groupRows * columns.size()) {
        held_.resize(shape->groupRows * columns.size());
    }
    return shape;
}

std::unique_ptr<OdbcGroupInsert> OdbcTableWriter::groupInsert(
    const std::vector<const OdbcColumn*>& columns, const std::string& conflict) const {
    if (text::iequals(connection_->dbmsName(), "PostgreSQL") && OdbcArrayInsert::suits(columns)) {
        return std::make_unique<OdbcArrayInsert>(*connection_, table_, columns, ArrayRows,
                                                 conflict);
    }
    const std::size_t rows = std::min(GroupRows, GroupParameters / columns.size());
    if (rows < 2) {
        return nullptr;
    }
    return std::make_unique<OdbcValuesInsert>(*connection_, table_, columns, rows, conflict);
}

// The row is converted first, then its values go into the held rows' own text buffers, so
// the next row is converted into buffers of its own without allocating.
void OdbcTableWriter::hold(const std::vector<Variant>& row, const Shape& shape, std::size_t slot) {
    for (const std::size_t column : shape.columns) {
        if (const auto refusal =
                ValueCoercion::coerce(row[column], conversions_[column], values_[column])) {
            Error error = OdbcDiagnostics::failure(refusal->sqlState, refusal->description);
            error.Column(conversions_[column].name);
            throw error;
        }
    }
    const std::size_t base = slot * shape.columns.size();
    for (std::size_t i = 0; i < shape.columns.size(); ++i) {
        const Variant& value = values_[shape.columns[i]];
        Variant& held = held_[base + i];
        if (value.isText()) {
            held.assignText(value.textView());
        } else {
            held = value;
        }
    }
}

void OdbcTableWriter::joinWriters() {
    connection_->joinWriters();
}

void OdbcTableWriter::leaveWriters() {
    connection_->leaveWriters();
}

void OdbcTableWriter::beginWriting(std::size_t rows) {
    connection_->beginWriting(rows);
}

bool OdbcTableWriter::sendGroup(Shape& shape, std::size_t rows) {
    OdbcGroupInsert* group = static_cast<OdbcShape&>(shape).group.get();
    return group != nullptr && group->send(held_.data(), rows);
}

void OdbcTableWriter::sendRow(Shape& shape, std::size_t slot) {
    static_cast<OdbcShape&>(shape).single->send(held_.data() + slot * shape.columns.size(), 1);
}

bool OdbcTableWriter::undoGroup(const Error& failure) noexcept {
    // Without a connection there is nothing to undo or to send the rows to one by one.
    if (failure.SQLState() == "08S01" || connection_->lost()) {
        return false;
    }
    connection_->undoSinceMark();
    return true;
}

void OdbcTableWriter::written(std::size_t) {
    connection_->markWritten();
}

Error OdbcTableWriter::failed(const Error& failure) noexcept {
    connection_->commitAfterFailure();
    return failure;
}

}  // namespace kiv::db::odbc
