#pragma once

#include <string>
#include <vector>
#include "db/access/Mdb.h"

#include "db/access/AccessColumn.h"
#include "db/cells/ReaderProcess.h"

namespace kiv::db::access {

// The definition of one table of an Access database: its name and columns.
struct AccessTable {
    std::string name;
    std::vector<AccessColumn> columns;
    double rows = 0;      // as the definition counts them, for planning statements
    bool system = false;  // flagged as a system table, or named MSys...

    // Reads the definition of the table of a catalog entry. Throws std::runtime_error when it
    // cannot be read.
    static AccessTable read(MdbCatalogEntry* entry);

    // The definition sent from the reader process and received in the program. receive()
    // throws std::runtime_error when the reader fails.
    void send(cells::ReaderProcess::Output& output) const;
    static AccessTable receive(cells::ReaderProcess& reader);

    // The CREATE TABLE statement that declares the virtual table's columns.
    std::string declaration() const;
};

}  // namespace kiv::db::access
