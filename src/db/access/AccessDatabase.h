#pragma once

#include <memory>
#include <string>
#include <vector>
#include "db/access/Mdb.h"

namespace kiv::db::access {

// An Access database file (Jet 3, Jet 4 or ACE) opened read-only through mdbtools, with the
// catalog of its objects read.
class AccessDatabase {
public:
    // Throws std::runtime_error when the file is no Access database mdbtools can read.
    explicit AccessDatabase(const std::string& path);
    ~AccessDatabase();
    AccessDatabase(const AccessDatabase&) = delete;
    AccessDatabase& operator=(const AccessDatabase&) = delete;

    MdbHandle* handle() const noexcept { return handle_; }

    // The catalog entries of its tables, user and system tables alike.
    std::vector<MdbCatalogEntry*> tables() const;

    // Whether an entry is a system table: flagged as one, or named MSys....
    static bool isSystemTable(const MdbCatalogEntry* entry);

private:
    MdbHandle* handle_;
};

}  // namespace kiv::db::access
