#include "db/Recordset.h"

#include <algorithm>
#include <utility>

#include "db/Connection.h"
#include "db/Cursor.h"
#include "db/Engine.h"
#include "db/Error.h"
#include "db/SqlText.h"
#include "db/TableWriter.h"
#include "db/ValueCoercion.h"

namespace kiv::db {

namespace {

constexpr const char* Source = "Kiv.Recordset";

Error closedError() {
    return Error::layer(adErrObjectClosed, Source,
                        "Operation is not allowed when the object is closed.");
}

Error openError() {
    return Error::layer(adErrObjectOpen, Source,
                        "Operation is not allowed when the object is open.");
}

Error noCurrentRecord() {
    return Error::layer(adErrNoCurrentRecord, Source,
                        "Either BOF or EOF is True, or the current record has been deleted. "
                        "Requested operation requires a current record.");
}

Error notUpdatable() {
    return Error::layer(adErrFeatureNotAvailable, Source,
                        "Current Recordset does not support updating. This may be a limitation "
                        "of the provider, or of the selected locktype.");
}

}  // namespace

Recordset::Recordset() : fields_(*this) {}

Recordset::~Recordset() {
    if (open_) {
        try {
            close();
        } catch (const Error&) {
            // Nobody is left to tell; the rows saved before stay saved.
        }
    }
    fields_.detach();
}

template <typename Action>
void Recordset::reporting(Action&& action) {
    try {
        action();
    } catch (const Error& error) {
        if (connection_) {
            connection_->report(error);
        }
        throw;
    }
}

void Recordset::ActiveConnection(std::shared_ptr<Connection> connection) {
    if (open_ && (connection || kind_ != Kind::Memory)) {
        throw openError();
    }
    connection_ = std::move(connection);
}

void Recordset::Open(std::string_view source, std::shared_ptr<Connection> activeConnection,
                     long cursorType, long lockType, long options) {
    if (open_) {
        throw openError();
    }
    if (activeConnection) {
        connection_ = std::move(activeConnection);
    }
    if (cursorType != adOpenUnspecified) {
        cursorType_ = cursorType;
    }
    if (lockType != adLockUnspecified) {
        lockType_ = lockType;
    }
    reporting([&] { open(source, options); });
    if (open_ && !bof_) {
        MoveComplete.raise();
    }
}

void Recordset::open(std::string_view source, long options) {
    if (source.empty()) {
        openMemory();
        return;
    }
    if (!connection_) {
        throw Error::layer(adErrInvalidConnection, Source,
                           "The connection cannot be used to perform this operation. It is either "
                           "closed or invalid in this context.");
    }
    const std::shared_ptr<Engine> engine = connection_->engine();
    const std::string sql = options != adCmdUnspecified && (options & 0xF) == adCmdTable
                                ? "SELECT * FROM " + SqlText::bracket(source)
                                : std::string(source);
    const bool writable = lockType_ == adLockOptimistic || lockType_ == adLockPessimistic;
    if (cursorType_ == adOpenKeyset && writable) {
        if (const std::optional<std::string> table = SqlText::selectAllTable(sql)) {
            writer_ = mergeKeys_.empty() ? engine->openTable(*table)
                                         : engine->openMergingTable(*table, mergeKeys_);
            kind_ = Kind::Target;
            fields_.assign(writer_->columns());
            row_.assign(writer_->columns().size(), Variant::Null());
            assigned_.assign(row_.size(), false);
            bof_ = eof_ = true;
            open_ = true;
            enlist();
            return;
        }
    }
    long affected = -1;
    std::unique_ptr<Cursor> cursor = engine->execute(sql, affected);
    if (cursor) {
        openStream(std::move(cursor));
    }
}

void Recordset::openMemory() {
    if (fields_.Count() == 0) {
        throw Error::layer(adErrIllegalOperation, Source,
                           "A recordset without a source needs its fields appended before it is "
                           "opened.");
    }
    kind_ = Kind::Memory;
    cursorType_ = adOpenStatic;
    lockType_ = adLockBatchOptimistic;
    rows_.clear();
    row_.assign(static_cast<std::size_t>(fields_.Count()), Variant::Null());
    current_ = 0;
    bof_ = eof_ = true;
    open_ = true;
}

void Recordset::openStream(std::unique_ptr<Cursor> cursor) {
    cursor_ = std::move(cursor);
    row_.assign(cursor_->columns().size(), Variant());
    bool found = false;
    try {
        found = cursor_->fetch(row_);
    } catch (const Error&) {
        cursor_.reset();
        throw;
    }
    fields_.assign(cursor_->columns());
    kind_ = Kind::Stream;
    position_ = found ? 1 : 0;
    bof_ = eof_ = !found;
    open_ = true;
    enlist();
}

void Recordset::openOnCursor(std::unique_ptr<Cursor> cursor,
                             std::shared_ptr<Connection> connection) {
    connection_ = std::move(connection);
    reporting([&] { openStream(std::move(cursor)); });
    if (!bof_) {
        MoveComplete.raise();
    }
}

void Recordset::enlist() {
    if (connection_) {
        if (std::shared_ptr<Recordset> self = weak_from_this().lock()) {
            connection_->enlist(self);
        }
    }
}

void Recordset::requireOpen() const {
    if (!open_) {
        throw closedError();
    }
}

void Recordset::MoveFirst() {
    bool landed = false;
    reporting([&] { landed = moveFirst(); });
    if (landed) {
        MoveComplete.raise();
    }
}

bool Recordset::moveFirst() {
    requireOpen();
    if (bof_ && eof_ && !editing_) {
        throw noCurrentRecord();
    }
    switch (kind_) {
        case Kind::Memory:
            if (editing_) {
                update();
            }
            current_ = 0;
            row_ = rows_.front();
            bof_ = eof_ = false;
            return true;
        case Kind::Stream: {
            if (position_ == 1 && !eof_) {
                return true;
            }
            cursor_->rewind();
            const bool found = cursor_->fetch(row_);
            position_ = found ? 1 : 0;
            bof_ = eof_ = !found;
            return found;
        }
        default:
            throw Error::layer(adErrFeatureNotAvailable, Source,
                               "A recordset opened for adding rows does not read rows back.");
    }
}

void Recordset::MoveNext() {
    reporting([&] { moveNext(); });
    MoveComplete.raise();
}

bool Recordset::moveNext() {
    requireOpen();
    if (editing_) {
        update();
    }
    if (eof_) {
        throw noCurrentRecord();
    }
    bof_ = false;
    switch (kind_) {
        case Kind::Memory:
            ++current_;
            if (current_ >= rows_.size()) {
                current_ = rows_.size();
                eof_ = true;
            } else {
                row_ = rows_[current_];
            }
            break;
        case Kind::Stream:
            if (cursor_->fetch(row_)) {
                ++position_;
            } else {
                eof_ = true;
            }
            break;
        default:
            eof_ = true;
            break;
    }
    return true;
}

void Recordset::AddNew() {
    reporting([&] { addNew(); });
}

void Recordset::addNew() {
    requireOpen();
    if (kind_ == Kind::Stream) {
        throw notUpdatable();
    }
    if (editing_) {
        update();
    }
    // A target's values that are not assigned read as Null; keeping the row's values keeps
    // their text buffers for the next row.
    if (kind_ != Kind::Target) {
        std::fill(row_.begin(), row_.end(), Variant::Null());
    }
    std::fill(assigned_.begin(), assigned_.end(), false);
    editing_ = true;
}

void Recordset::Update() {
    reporting([&] { update(); });
}

void Recordset::update() {
    requireOpen();
    if (!editing_) {
        return;
    }
    if (kind_ == Kind::Target) {
        writer_->insert(row_, assigned_);
    } else {
        rows_.push_back(row_);
        current_ = rows_.size() - 1;
    }
    editing_ = false;
    bof_ = eof_ = false;
}

void Recordset::CancelUpdate() {
    reporting([&] { cancelUpdate(); });
}

void Recordset::cancelUpdate() {
    requireOpen();
    if (!editing_) {
        return;
    }
    editing_ = false;
    if (kind_ == Kind::Memory && !bof_ && !eof_) {
        row_ = rows_[current_];
    }
}

void Recordset::UpdateBatch(long) {
    reporting([&] {
        update();
        if (kind_ == Kind::Target) {
            writer_->flush();
        }
    });
}

ReadProgress Recordset::SourceProgress() const {
    return kind_ == Kind::Stream && cursor_ ? cursor_->readProgress() : ReadProgress{};
}

std::size_t Recordset::RowsHeldAtMost() const {
    return writer_ ? writer_->rowsHeldAtMost() : 1;
}

bool Recordset::RefusesHeldRows() const {
    return writer_ && writer_->refusesHeldRows();
}

bool Recordset::SetRowRefused(TableWriter::RowRefused handler) {
    return writer_ && writer_->setRowRefused(std::move(handler));
}

void Recordset::Close() {
    reporting([&] {
        requireOpen();
        close();
    });
}

void Recordset::close() {
    std::unique_ptr<TableWriter> writer = std::move(writer_);
    cursor_.reset();
    rows_.clear();
    open_ = false;
    editing_ = false;
    bof_ = eof_ = true;
    position_ = 0;
    if (kind_ != Kind::Memory) {
        fields_.clear();
        row_.clear();
    }
    kind_ = Kind::None;
    if (writer) {
        writer->close();
    }
}

const Variant& Recordset::valueOf(std::size_t index) const {
    requireOpen();
    if (!editing_ && (bof_ || eof_)) {
        throw noCurrentRecord();
    }
    if (kind_ == Kind::Target && !assigned_[index]) {
        static const Variant Unassigned = Variant::Null();
        return Unassigned;
    }
    return row_[index];
}

void Recordset::assign(std::size_t index, const Variant& value) {
    requireOpen();
    if (kind_ == Kind::Stream) {
        throw notUpdatable();
    }
    if (kind_ == Kind::Target) {
        if (!editing_) {
            throw Error::layer(adErrIllegalOperation, Source,
                               "Values of a recordset opened for adding rows are written between "
                               "AddNew and Update.");
        }
        // Text is copied into the row's own buffer rather than shared: a source row that
        // shares no buffer reads its next values without allocating.
        if (value.isText()) {
            row_[index].assignText(value.textView());
        } else {
            row_[index] = value;
        }
        assigned_[index] = true;
        return;
    }
    if (!editing_ && (bof_ || eof_)) {
        throw noCurrentRecord();
    }
    const ColumnInfo& column = fields_.Item(static_cast<long>(index))->column();
    Variant coerced;
    if (const auto refusal = ValueCoercion::coerce(value, column, coerced)) {
        throw Error(adErrEngineFailure, Source, refusal->sqlState, 0,
                    "[Kiv]" + refusal->description);
    }
    if (coerced.isNull() && column.notNull) {
        throw Error(adErrEngineFailure, Source, "23000", 0,
                    "[Kiv]The field '" + column.name + "' does not take Null.");
    }
    row_[index] = coerced;
    if (!editing_) {
        rows_[current_][index] = coerced;
    }
}

}  // namespace kiv::db
