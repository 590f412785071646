#pragma once

#include <string>
#include <utility>

#include "base/Variant.h"
#include "db/Items.h"

namespace kiv::db {

// A view or a procedure of a catalog: its name and dates (Null where the database keeps
// none).
class CatalogObject {
public:
    CatalogObject(std::string name, Variant dateCreated, Variant dateModified)
        : name_(std::move(name)),
          dateCreated_(std::move(dateCreated)),
          dateModified_(std::move(dateModified)) {}

    const std::string& Name() const noexcept { return name_; }
    const Variant& DateCreated() const noexcept { return dateCreated_; }
    const Variant& DateModified() const noexcept { return dateModified_; }

private:
    std::string name_;
    Variant dateCreated_;
    Variant dateModified_;
};

using Views = Items<CatalogObject>;
using Procedures = Items<CatalogObject>;

}  // namespace kiv::db
