#pragma once

#include <libpq-fe.h>

#include <memory>
#include <string>
#include <string_view>

#include "db/Error.h"
#include "db/HoldingWriters.h"

namespace kiv::db::postgres {

// A result of libpq, freed with it.
using PgResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

// One connection to a PostgreSQL server through libpq, and what every statement on it has
// to respect. Statements commit as they run: a group of rows a writer sends is one
// statement, so what was written before a failure stays written and a refused group takes
// nothing else with it. Before any statement runs, the rows writers hold back are sent and
// a result still being read is taken in whole, so the connection is free for it.
class PgConnection {
public:
    static constexpr const char* Provider = "Kiv.PostgreSQL";
    static constexpr const char* Tag = "[Kiv][PostgreSQL]";

    // Connects with libpq's keywords and values, both ending with a null pointer; what they
    // leave out comes from libpq's environment variables and service file.
    PgConnection(const char* const* keywords, const char* const* values, bool readOnly);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    PGconn* handle() const noexcept { return connection_; }
    bool readOnly() const noexcept { return readOnly_; }
    // Whether the connection to the server is gone.
    bool lost() const noexcept { return PQstatus(connection_) == CONNECTION_BAD; }

    // The failure a result reports, or the connection's message when there is no result.
    Error error(const PGresult* result) const;
    // A failure the engine finds itself.
    static Error failure(std::string_view sqlState, std::string_view description);

    // `name` as a quoted identifier.
    static std::string quote(std::string_view name);

    // Runs `sql` (no rows expected back but a few) and gives its result; throws its failure.
    PgResult run(const std::string& sql);
    // Takes the next result of the statement sent; throws a failure it reports. Empty after
    // the last.
    PgResult next();

    HoldingWriters& holdingWriters() noexcept { return holding_; }
    // Makes the connection free for a new statement: the rows writers hold back are sent,
    // and the result being read is taken in whole by its reader.
    void prepareForStatement() noexcept;
    // The same for the statement `statement`: only the rows held back for the tables it
    // names are sent; for the others, the group the server is taking is awaited.
    void prepareFor(std::string_view statement) noexcept;
    // The same for a writer's own statement: only the result being read is taken in.
    void finishReading() noexcept;
    // The reader of the result being read, called as another statement is about to run.
    class Reader {
    public:
        virtual void takeRest() noexcept = 0;

    protected:
        ~Reader() = default;
    };
    void reading(Reader* reader) noexcept { reader_ = reader; }
    void doneReading(const Reader* reader) noexcept;

private:
    PGconn* connection_;
    bool readOnly_;
    HoldingWriters holding_;
    Reader* reader_ = nullptr;
};

}  // namespace kiv::db::postgres
