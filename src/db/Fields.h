#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/ColumnInfo.h"
#include "db/Constants.h"
#include "db/Field.h"
#include "db/Items.h"

namespace kiv::db {

// The fields of a recordset, addressed from 0 or by name. Fields are appended by the
// caller before an in-memory recordset is opened; a recordset opened on a source gets the
// source's columns.
class Fields {
public:
    using const_iterator = Items<Field>::const_iterator;

    explicit Fields(Recordset& owner) : owner_(owner) {}
    Fields(const Fields&) = delete;
    Fields& operator=(const Fields&) = delete;

    long Count() const noexcept { return items_.Count(); }
    std::shared_ptr<Field> Item(long index) const { return items_.Item(index); }
    std::shared_ptr<Field> Item(std::string_view name) const { return items_.Item(name); }
    // The first field of that name, or an empty pointer.
    std::shared_ptr<Field> Find(std::string_view name) const noexcept { return items_.Find(name); }

    // Only while the recordset is closed. A size of 0 gives the type's usual size; the
    // attributes say whether the field takes Null (adFldIsNullable).
    void Append(std::string name, long type, long definedSize = 0,
                long attributes = adFldUnspecified);

    const_iterator begin() const noexcept { return items_.begin(); }
    const_iterator end() const noexcept { return items_.end(); }

private:
    friend class Recordset;

    void assign(const std::vector<ColumnInfo>& columns);
    void detach() noexcept;
    void clear() noexcept;

    Recordset& owner_;
    Items<Field> items_;
};

}  // namespace kiv::db
