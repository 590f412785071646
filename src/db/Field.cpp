#include "db/Field.h"

#include <utility>

#include "db/Constants.h"
#include "db/Error.h"
#include "db/Recordset.h"

namespace kiv::db {

Field::Field(ColumnInfo column, Recordset* owner, std::size_t index)
    : column_(std::move(column)), owner_(owner), index_(index) {}

const Variant& Field::Value() const {
    if (owner_ == nullptr) {
        throw Error::layer(adErrObjectClosed, "Kiv.Field",
                           "Operation is not allowed when the object is closed.");
    }
    return owner_->valueOf(index_);
}

void Field::Value(const Variant& value) {
    if (owner_ == nullptr) {
        throw Error::layer(adErrObjectClosed, "Kiv.Field",
                           "Operation is not allowed when the object is closed.");
    }
    owner_->assign(index_, value);
}

}  // namespace kiv::db
