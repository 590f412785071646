#pragma once

#include <map>
#include <memory>
#include <string>

#include "db/access/AccessReader.h"
#include "db/access/AccessTable.h"

namespace kiv::db::access {

// What the virtual tables of an Access database show: its tables by the lower-case form of
// their names, and its saved queries that cannot be read, by the same key with the
// description of why.
struct AccessSchema {
    std::shared_ptr<AccessReader> reader;
    std::map<std::string, AccessTable> tables;
    std::map<std::string, std::string> queries;
};

}  // namespace kiv::db::access
