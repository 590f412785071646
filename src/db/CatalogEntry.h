#pragma once

#include <string>

#include "base/Variant.h"

namespace kiv::db {

// One object an engine's schema lists: a table ("TABLE" or another type text the engine
// reports), a view ("VIEW") or a procedure ("PROCEDURE").
struct CatalogEntry {
    std::string name;
    std::string type;
    Variant dateCreated = Variant::Null();
    Variant dateModified = Variant::Null();
};

}  // namespace kiv::db
