#include "db/odbc/OdbcTableWriter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/ValueCoercion.h"
#include "db/odbc/OdbcArrayInsert.h"
#include "db/odbc/OdbcColumnType.h"
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

// Dates every common server date type holds (SQL Server's smalldatetime is the narrowest).
const double EarliestSureDate = Variant::serialFromCivil(1900, 1, 1);
const double LatestSureDate = Variant::serialFromCivil(2079, 6, 6);

bool fitsPrecision(double value, const ColumnInfo& column) {
    if (column.precision <= 0 || !std::isfinite(value)) {
        return false;
    }
    const double scale = std::pow(10.0, static_cast<double>(column.numericScale));
    const double rounded = std::nearbyint(value * scale) / scale;
    return std::fabs(rounded) <
           std::pow(10.0, static_cast<double>(column.precision - column.numericScale));
}

bool fitsLength(long length, const ColumnInfo& column) {
    return column.definedSize <= 0 || length <= column.definedSize;
}

}  // namespace

OdbcTableWriter::OdbcTableWriter(std::shared_ptr<OdbcConnection> connection, std::string table,
                                 std::vector<OdbcColumn> columns, bool groupable)
    : connection_(std::move(connection)),
      table_(std::move(table)),
      columns_(std::move(columns)),
      groupable_(groupable),
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
        } else if (columns_[i].info.notNull && !columns_[i].info.hasDefault) {
            shape->defaultsAccepted = false;
        }
    }
    shape->single = std::make_unique<OdbcValuesInsert>(*connection_, table_, columns, 1);
    if (groupable_ && !columns.empty()) {
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
    rethrowDeferred();
    Shape& shape = shapeFor(assigned);
    if (heldRows_ > 0 && heldShape_ != &shape) {
        sendHeld();
    }
    try {
        convert(row, shape);
    } catch (const Error& error) {
        fail(error);
    }
    if (!shape.group || !acceptedForSure(shape)) {
        sendHeld();
        sendAlone(shape);
        return;
    }
    hold(shape);
    heldShape_ = &shape;
    if (++heldRows_ >= shape.group->capacity()) {
        sendHeld();
    } else {
        connection_->holdRows(this);
    }
}

void OdbcTableWriter::convert(const std::vector<Variant>& row, const Shape& shape) {
    for (const std::size_t column : shape.columns) {
        if (const auto refusal =
                ValueCoercion::coerce(row[column], conversions_[column], values_[column])) {
            throw OdbcDiagnostics::failure(refusal->sqlState, refusal->description);
        }
    }
}

bool OdbcTableWriter::acceptedForSure(const Shape& shape) const {
    return shape.defaultsAccepted &&
           std::all_of(shape.columns.begin(), shape.columns.end(), [&](std::size_t column) {
               return acceptedForSure(values_[column], columns_[column]);
           });
}

bool OdbcTableWriter::acceptedForSure(const Variant& value, const OdbcColumn& column) const {
    const ColumnInfo& info = column.info;
    if (value.isNull()) {
        return !info.notNull;
    }
    switch (info.type) {
        case adTinyInt:
        case adUnsignedTinyInt:
        case adSmallInt:
        case adInteger:
        case adBigInt:
        case adBoolean:
            return true;
        case adSingle:
        case adDouble:
            return std::isfinite(value.toDouble());
        case adNumeric:
            return fitsPrecision(value.toDouble(), info);
        case adDBDate:
        case adDBTimeStamp:
            return value.toDate() >= EarliestSureDate && value.toDate() < LatestSureDate + 1;
        case adDBTime:
            return true;
        case adChar:
        case adVarChar:
        case adLongVarChar:
        case adWChar:
        case adVarWChar:
        case adLongVarWChar:
            return OdbcColumnType::isPlainText(info.declaredType) &&
                   fitsLength(ValueCoercion::characterCount(value.textView()), info);
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            return fitsLength(static_cast<long>(value.textView().size()), info);
        default:
            return false;
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
    try {
        if (shape.group->send(held_.data(), rows)) {
            return;
        }
    } catch (const Error& error) {
        // Without a connection there is nothing to send the rows to one by one.
        if (connection_->lost()) {
            fail(error);
        }
        // The failed INSERT has been undone as a whole; sending the rows one by one writes
        // those before the failing row and finds the row to report.
    }
    replay(shape, rows);
}

void OdbcTableWriter::replay(Shape& shape, std::size_t rows) {
    for (std::size_t row = 0; row < rows; ++row) {
        sendOne(shape, held_.data() + row * shape.columns.size());
    }
}

void OdbcTableWriter::sendAlone(Shape& shape) {
    startWriting(1);
    hold(shape);
    sendOne(shape, held_.data());
}

void OdbcTableWriter::sendOne(Shape& shape, const Variant* values) {
    try {
        shape.single->send(values, 1);
    } catch (const Error& error) {
        fail(error);
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

void OdbcTableWriter::fail(const Error& error) {
    connection_->commitAfterFailure();
    throw error;
}

void OdbcTableWriter::rethrowDeferred() {
    if (deferred_) {
        const Error error = *deferred_;
        deferred_.reset();
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
    std::optional<Error> failure = std::exchange(deferred_, std::nullopt);
    try {
        sendHeld();
    } catch (const Error& error) {
        if (!failure) {
            failure = error;
        }
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
