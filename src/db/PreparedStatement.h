#pragma once

#include <memory>

#include "db/Cursor.h"

namespace kiv::db {

class Parameters;

// A statement prepared once and run many times with new parameter values. Engines
// implement it; commands run through it.
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;

    // Runs the statement with the parameters' current values, matched by position. A
    // statement that yields columns gives a cursor, valid until the next run; any other
    // sets `recordsAffected` and gives an empty pointer.
    virtual std::unique_ptr<Cursor> run(const Parameters& parameters, long& recordsAffected) = 0;

    // Makes what the statement wrote durable; the statement is unusable afterwards.
    virtual void close() = 0;
};

}  // namespace kiv::db
