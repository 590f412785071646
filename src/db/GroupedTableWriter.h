#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "db/Error.h"
#include "db/TableWriter.h"

namespace kiv::db {

class HoldingWriters;

// A table writer that holds rows back and sends them in groups, inside the database's
// grouped transactions; each engine says only how a row is held and how a group or a
// single row is sent.
//
// A row whose values are refused before anything is sent fails at its own Update, after
// the rows held before it are sent. A group the database refuses is undone as a whole and
// sent again row by row, so the rows before the refused one are written, the refused one
// is reported (with how many rows were added after it) and nothing after it is sent. Where
// the group cannot be undone alone (the connection is gone, the transaction was lost), the
// failure is that of the group's first row and nothing is sent again. Held rows are sent
// before any other statement on the database runs; a failure then is kept and thrown by
// the writer's next call.
class GroupedTableWriter : public TableWriter {
public:
    GroupedTableWriter(const GroupedTableWriter&) = delete;
    GroupedTableWriter& operator=(const GroupedTableWriter&) = delete;

    void insert(const std::vector<Variant>& row, const std::vector<bool>& assigned) final;
    void flush() final;
    void close() final;
    bool setRowRefused(RowRefused handler) final;

    // Sends the rows held back, because another statement is about to run. A failure is
    // kept and thrown by the next call of the writer.
    void flushHeld() noexcept;
    // The same for the statement `statement`; where it cannot read the writer's rows, they
    // stay held and only the group sent is awaited.
    void flushHeldFor(std::string_view statement) noexcept;

protected:
    // What rows that give values for one set of columns are sent with; the other columns
    // are left to their defaults. Engines keep their statements in a shape of their own.
    struct Shape {
        explicit Shape(const std::vector<bool>& assigned);
        virtual ~Shape() = default;

        std::vector<bool> assigned;
        std::vector<std::size_t> columns;  // the assigned ones
        std::size_t groupRows = 1;         // rows held before they are sent together
    };

    GroupedTableWriter() = default;
    ~GroupedTableWriter() override = default;

    // For the engine's destructor: closes, keeping quiet about a failure nobody is left to
    // hear (the rows sent before stay written).
    void closeQuietly() noexcept;

    // Whether the statement `statement` may read the rows the writer writes.
    virtual bool readBy(std::string_view) const { return true; }
    // The writers of the database that hold rows back.
    virtual HoldingWriters& holdingWriters() = 0;
    virtual std::unique_ptr<Shape> newShape(const std::vector<bool>& assigned) = 0;
    // Puts the values of `row` into held slot `slot`, in the form they are sent in; throws
    // the refusal of a value.
    virtual void hold(const std::vector<Variant>& row, const Shape& shape, std::size_t slot) = 0;
    // The writer takes part in the database's grouped transactions from its first send on.
    virtual void joinWriters() = 0;
    virtual void leaveWriters() = 0;
    // Called before `rows` rows are sent, after the other writers' held rows.
    virtual void beginWriting(std::size_t rows) = 0;
    // Sends the first `rows` held slots as one group; false, sending nothing, when the shape
    // cannot take them together. An engine may return before the database has taken the
    // group, and tell its outcome in `awaitSent`.
    virtual bool sendGroup(Shape& shape, std::size_t rows) = 0;
    // Waits for the outcome of a group sent without waiting, after writing the rows before
    // a refused one; throws the refusal, with `Error::RowsAfter` the number of the group's
    // rows after the refused one. Called before the next group is sent and before another
    // statement runs, so the database works on one group while the next one is held.
    virtual void awaitSent() {}
    virtual void sendRow(Shape& shape, std::size_t slot) = 0;
    // Undoes what a refused group wrote; false when the rows cannot be sent again (the
    // connection or the transaction is gone).
    virtual bool undoGroup(const Error& failure) noexcept = 0;
    // Hands a row the database refused, with `rowsAfter` rows of its group after it, to the
    // handler of refused rows; false when there is none or it does not take the row.
    bool setAside(const Error& refusal, std::size_t rowsAfter);
    // `rows` rows have been written.
    virtual void written(std::size_t rows) = 0;
    // Commits what was written before `failure` and gives the failure to report.
    virtual Error failed(const Error& failure) noexcept = 0;

private:
    Shape& shapeFor(const std::vector<bool>& assigned);
    void sendHeld();
    // The outcome of the group sent last; a refusal drops the held rows, which come after it.
    void confirmSent();
    void startWriting(std::size_t rows);
    // Fails with `error` for the row that was the `row`-th added.
    [[noreturn]] void fail(const Error& error, std::size_t row);
    // A refused row that was the `row`-th added: left out when the handler takes it, else
    // the writer fails. `sent` tells whether the database has to undo it first.
    void refused(const Error& error, std::size_t row, bool sent);
    void rethrowDeferred();
    // The rows added after the last row of the group sent last: those held since, and the
    // row in hand when it could not be held.
    std::size_t rowsAfterSent() const noexcept;

    std::vector<std::unique_ptr<Shape>> shapes_;
    std::size_t heldRows_ = 0;
    Shape* heldShape_ = nullptr;
    // Rows added so far, and which of them the first held row is.
    std::size_t added_ = 0;
    std::size_t firstHeld_ = 0;
    std::size_t sentLast_ = 0;  // which row added the last row of the group sent last is
    std::optional<Error> deferred_;
    RowRefused rowRefused_;
    std::size_t deferredAt_ = 0;  // rows added when the deferred failure happened
    bool writing_ = false;
    bool closed_ = false;
};

}  // namespace kiv::db
