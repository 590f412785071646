#pragma once

#include <memory>

#include "db/ConnectString.h"

namespace kiv::db {
class Engine;
}

namespace kiv::db::access {

// Opens an Access database (`Provider=Microsoft.Jet.OLEDB.4.0;Data Source=file.mdb`, Jet 3,
// Jet 4 or an .accdb file) read-only: its user and system tables are tables SQL reads in full;
// its saved queries are listed as views and procedures, and those that return rows are read
// as views of their SQL translated from Access SQL.
class AccessEngine {
public:
    // Throws Error when the file is missing or no database that can be read.
    static std::shared_ptr<Engine> open(const ConnectString& parts);
};

}  // namespace kiv::db::access
