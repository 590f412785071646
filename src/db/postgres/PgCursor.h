#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "db/Cursor.h"
#include "db/postgres/PgConnection.h"

namespace kiv::db::postgres {

// The rows of a statement, read one at a time as the server sends them (libpq's
// single-row mode): nothing beyond the current row is held. When another statement has to
// run on the connection before the last row is read, the rest of the rows are taken in
// first and read from memory.
class PgCursor : public Cursor, private PgConnection::Reader {
public:
    // Sends the statement to the server; false when libpq could not send it.
    using Send = std::function<bool(PGconn*)>;

    // Runs the statement `statement` with `send`: a cursor on the first result with columns,
    // or nothing and the rows the statements before changed in `recordsAffected`.
    static std::unique_ptr<Cursor> open(std::shared_ptr<PgConnection> connection,
                                        std::string_view statement, Send send,
                                        long& recordsAffected);

    ~PgCursor() override;
    PgCursor(const PgCursor&) = delete;
    PgCursor& operator=(const PgCursor&) = delete;

    const std::vector<ColumnInfo>& columns() const override { return columns_; }
    bool fetch(std::vector<Variant>& row) override;
    void rewind() override;

private:
    PgCursor(std::shared_ptr<PgConnection> connection, Send send, PgResult first);

    // Sends the statement, once the connection is free for it, and gives its first result with
    // columns, adding up the rows changed by those before it; nothing when there is none.
    static PgResult start(PgConnection& connection, const Send& send, long& recordsAffected);
    PgResult nextResult();
    void finish() noexcept;
    void takeRest() noexcept override;

    std::shared_ptr<PgConnection> connection_;
    Send send_;
    std::vector<ColumnInfo> columns_;
    std::vector<Oid> types_;
    PgResult pending_;  // the first row, not yet fetched
    std::deque<PgResult> rest_;
    bool streaming_ = true;
    bool done_ = false;
};

}  // namespace kiv::db::postgres
