#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kiv::db {

// The versions of the libraries the database layer reads and writes through, as they are
// loaded in this process: what a person reporting a problem is asked for.
class LibraryVersions {
public:
    // Pairs of library name and version, in a fixed order.
    static std::vector<std::pair<std::string, std::string>> List();
};

}  // namespace kiv::db
