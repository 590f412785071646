#include "db/GroupedTableWriter.h"

#include <algorithm>
#include <utility>

#include "db/HoldingWriters.h"

namespace kiv::db {

GroupedTableWriter::Shape::Shape(const std::vector<bool>& assigned) : assigned(assigned) {
    for (std::size_t i = 0; i < assigned.size(); ++i) {
        if (assigned[i]) {
            columns.push_back(i);
        }
    }
}

void GroupedTableWriter::closeQuietly() noexcept {
    try {
        close();
    } catch (const Error&) {
        // Nobody is left to tell; the rows sent before stay written.
    }
    holdingWriters().remove(this);
}

GroupedTableWriter::Shape& GroupedTableWriter::shapeFor(const std::vector<bool>& assigned) {
    for (const auto& shape : shapes_) {
        if (shape->assigned == assigned) {
            return *shape;
        }
    }
    shapes_.push_back(newShape(assigned));
    return *shapes_.back();
}

void GroupedTableWriter::insert(const std::vector<Variant>& row,
                                const std::vector<bool>& assigned) {
    ++added_;
    rethrowDeferred();
    Shape& shape = shapeFor(assigned);
    if (heldRows_ > 0 && heldShape_ != &shape) {
        sendHeld();
    }
    try {
        hold(row, shape, heldRows_);
    } catch (const Error& error) {
        // The rows before this one are written first, and refused first if they are.
        sendHeld();
        confirmSent();
        refused(error, added_, false);
        return;
    }
    if (heldRows_ == 0) {
        firstHeld_ = added_;
    }
    heldShape_ = &shape;
    if (++heldRows_ >= shape.groupRows) {
        sendHeld();
    } else {
        holdingWriters().add(this);
    }
}

void GroupedTableWriter::flushHeld() noexcept {
    try {
        sendHeld();
        confirmSent();
    } catch (const Error& error) {
        deferred_ = error;
        deferredAt_ = added_;
    }
}

void GroupedTableWriter::flushHeldFor(std::string_view statement) noexcept {
    if (readBy(statement)) {
        flushHeld();
        return;
    }
    try {
        confirmSent();
    } catch (const Error& error) {
        deferred_ = error;
        deferredAt_ = added_;
    }
    if (heldRows_ == 0) {
        holdingWriters().remove(this);
    }
}

void GroupedTableWriter::sendHeld() {
    holdingWriters().remove(this);
    confirmSent();
    if (heldRows_ == 0) {
        return;
    }
    const std::size_t rows = std::exchange(heldRows_, 0);
    Shape& shape = *heldShape_;
    sentLast_ = firstHeld_ + rows - 1;
    startWriting(rows);
    try {
        if (sendGroup(shape, rows)) {
            written(rows);
            return;
        }
    } catch (const Error& error) {
        if (rows == 1) {
            refused(error, firstHeld_, true);
            return;
        }
        if (!undoGroup(error)) {
            fail(error, firstHeld_);
        }
        // The group is undone as a whole; sending its rows one by one writes those before
        // the refused row and finds the row to report.
    }
    for (std::size_t row = 0; row < rows; ++row) {
        try {
            sendRow(shape, row);
            written(1);
        } catch (const Error& error) {
            refused(error, firstHeld_ + row, true);
        }
    }
}

void GroupedTableWriter::confirmSent() {
    try {
        awaitSent();
    } catch (const Error& error) {
        // The rows held since are dropped: they come after the refused one.
        heldRows_ = 0;
        const std::size_t after = error.RowsAfter() + rowsAfterSent();
        Error failure = failed(error);
        failure.RowsAfter(std::min(after, added_));
        throw failure;
    }
}

void GroupedTableWriter::startWriting(std::size_t rows) {
    if (!writing_) {
        joinWriters();
        writing_ = true;
    }
    holdingWriters().flush(this);
    beginWriting(rows);
}

void GroupedTableWriter::fail(const Error& error, std::size_t row) {
    Error failure = failed(error);
    failure.RowsAfter(added_ - std::min(row, added_));
    throw failure;
}

void GroupedTableWriter::refused(const Error& error, std::size_t row, bool sent) {
    if (rowRefused_ && (!sent || undoGroup(error))) {
        Error refusal = error;
        refusal.RowsAfter(added_ - std::min(row, added_));
        if (rowRefused_(refusal)) {
            return;
        }
    }
    fail(error, row);
}

bool GroupedTableWriter::setAside(const Error& refusal, std::size_t rowsAfter) {
    if (!rowRefused_) {
        return false;
    }
    Error handed = refusal;
    handed.RowsAfter(std::min(rowsAfter + rowsAfterSent(), added_));
    return rowRefused_(handed);
}

std::size_t GroupedTableWriter::rowsAfterSent() const noexcept {
    return added_ - std::min(sentLast_, added_);
}

bool GroupedTableWriter::setRowRefused(RowRefused handler) {
    rowRefused_ = std::move(handler);
    return true;
}

void GroupedTableWriter::rethrowDeferred() {
    if (deferred_) {
        Error error = *std::exchange(deferred_, std::nullopt);
        error.RowsAfter(error.RowsAfter() + added_ - deferredAt_);
        throw error;
    }
}

void GroupedTableWriter::flush() {
    rethrowDeferred();
    sendHeld();
    confirmSent();
}

void GroupedTableWriter::close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    std::optional<Error> failure;
    try {
        rethrowDeferred();
        sendHeld();
        confirmSent();
    } catch (const Error& error) {
        failure = error;
    }
    if (writing_) {
        writing_ = false;
        try {
            leaveWriters();
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

}  // namespace kiv::db
