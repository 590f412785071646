#include "db/odbc/OdbcTableWriter.h"

#include <algorithm>
#include <utility>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/ValueCoercion.h"
#include "db/odbc/OdbcArrayInsert.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcDiagnostics.h"
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
                                 std::vector<OdbcColumn> columns)
    : connection_(std::move(connection)),
      table_(std::move(table)),
      columns_(std::move(columns)),
      values_(columns_.size()) {
    for (OdbcColumn& column : columns_) {
        column.info.attributes |= adFldUpdatable;
        infos_.push_back(column.info);
        ColumnInfo conversion = column.info;
        conversion.definedSize = 0;
        conversion.precision = 0;
        conversion.numericScale = 0;
        conversions_.push_back(std::move(conversion));
    }
}

OdbcTableWriter::~OdbcTableWriter() {
    try {
        close();
    } catch (const Error&) {
        // Nobody is left to tell; the rows sent before stay written.
    }
    connection_->releaseRows(this);
}

std::size_t OdbcTableWriter::rowsHeldAtMost() const {
    return std::max(GroupRows, ArrayRows);
}

OdbcTableWriter::Shape& OdbcTableWriter::shapeFor(const std::vector<bool>& assigned) {
    for (const auto& shape : shapes_) {
        if (shape->assigned == assigned) {
            return *shape;
        }
    }
    auto shape = std::make_unique<Shape>();
    shape->assigned = assigned;
    std::vector<const OdbcColumn*> columns;
    for (std::size_t i = 0; i < assigned.size(); ++i) {
        if (assigned[i]) {
            shape->columns.push_back(i);
            columns.push_back(&columns_[i]);
        }
    }
    shape->single = std::make_unique<OdbcValuesInsert>(*connection_, table_, columns, 1);
    if (!columns.empty()) {
        shape->group = groupInsert(columns);
    }
    const std::size_t rows = shape->group ? shape->group->capacity() : 1;
    if (held_.size() < rows * columns.size()) {
        held_.resize(rows * columns.size());
    }
    shapes_.push_back(std::move(shape));
    return *shapes_.back();
}

std::unique_ptr<OdbcGroupInsert> OdbcTableWriter::groupInsert(
    const std::vector<const OdbcColumn*>& columns) const {
    if (text::iequals(connection_->dbmsName(), "PostgreSQL") && OdbcArrayInsert::suits(columns)) {
        return std::make_unique<OdbcArrayInsert>(*connection_, table_, columns, ArrayRows);
    }
    const std::size_t rows = std::min(GroupRows, GroupParameters / columns.size());
    if (rows < 2) {
        return nullptr;
    }
    return std::make_unique<OdbcValuesInsert>(*connection_, table_, columns, rows);
}

void OdbcTableWriter::insert(const std::vector<Variant>& row, const std::vector<bool>& assigned) {
    ++added_;
    rethrowDeferred();
    Shape& shape = shapeFor(assigned);
    if (heldRows_ > 0 && heldShape_ != &shape) {
        sendHeld();
    }
    try {
        convert(row, shape);
    } catch (const Error& error) {
        // The rows before this one are written first, and refused first if they are.
        sendHeld();
        fail(error, added_);
    }
    if (heldRows_ == 0) {
        firstHeld_ = added_;
    }
    hold(shape);
    heldShape_ = &shape;
    if (++heldRows_ >= (shape.group ? shape.group->capacity() : 1)) {
        sendHeld();
    } else {
        connection_->holdRows(this);
    }
}

void OdbcTableWriter::convert(const std::vector<Variant>& row, const Shape& shape) {
    for (const std::size_t column : shape.columns) {
        if (const auto refusal =
                ValueCoercion::coerce(row[column], conversions_[column], values_[column])) {
            Error error = OdbcDiagnostics::failure(refusal->sqlState, refusal->description);
            error.Column(conversions_[column].name);
            throw error;
        }
    }
}

// The row's values go into the held rows' own text buffers, so the next row is converted
// into buffers of its own without allocating.
void OdbcTableWriter::hold(const Shape& shape) {
    const std::size_t base = heldRows_ * shape.columns.size();
    for (std::size_t i = 0; i < shape.columns.size(); ++i) {
        const Variant& value = values_[shape.columns[i]];
        Variant& slot = held_[base + i];
        if (value.isText()) {
            slot.assignText(value.textView());
        } else {
            slot = value;
        }
    }
}

void OdbcTableWriter::flushHeld() noexcept {
    try {
        sendHeld();
    } catch (const Error& error) {
        deferred_ = error;
        deferredAt_ = added_;
    }
}

void OdbcTableWriter::sendHeld() {
    if (heldRows_ == 0) {
        return;
    }
    const std::size_t rows = heldRows_;
    heldRows_ = 0;
    connection_->releaseRows(this);
    Shape& shape = *heldShape_;
    startWriting(rows);
    if (shape.group) {
        try {
            if (shape.group->send(held_.data(), rows)) {
                connection_->markWritten();
                return;
            }
        } catch (const Error& error) {
            // Without a connection there is nothing to undo or to send the rows to one by one.
            if (error.SQLState() == "08S01" || connection_->lost()) {
                fail(error, firstHeld_);
            }
            connection_->undoSinceMark();
            if (rows == 1) {
                fail(error, firstHeld_);
            }
            // The group is undone as a whole; sending its rows one by one writes those
            // before the refused row and finds the row to report.
        }
    }
    replay(shape, rows);
}

void OdbcTableWriter::replay(Shape& shape, std::size_t rows) {
    const std::size_t width = shape.columns.size();
    for (std::size_t row = 0; row < rows; ++row) {
        try {
            shape.single->send(held_.data() + row * width, 1);
            connection_->markWritten();
        } catch (const Error& error) {
            fail(error, firstHeld_ + row);
        }
    }
}

void OdbcTableWriter::startWriting(std::size_t rows) {
    if (!writing_) {
        connection_->joinWriters();
        writing_ = true;
    }
    connection_->flushHeldRows(this);
    connection_->beginWriting(rows);
}

void OdbcTableWriter::fail(const Error& error, std::size_t row) {
    Error failure = error;
    failure.RowsAfter(added_ - std::min(row, added_));
    connection_->commitAfterFailure();
    throw failure;
}

void OdbcTableWriter::rethrowDeferred() {
    if (deferred_) {
        Error error = *deferred_;
        deferred_.reset();
        error.RowsAfter(error.RowsAfter() + added_ - deferredAt_);
        throw error;
    }
}

void OdbcTableWriter::flush() {
    rethrowDeferred();
    sendHeld();
}

void OdbcTableWriter::close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    std::optional<Error> failure;
    try {
        rethrowDeferred();
        sendHeld();
    } catch (const Error& error) {
        failure = error;
    }
    if (writing_) {
        writing_ = false;
        try {
            connection_->leaveWriters();
        } catch (const Error& error) {
            if (!failure) {
                failure = error;
            }
        }
    }
    if (failure) {
        throw *failure;
    }
}

}  // namespace kiv::db::odbc
