#include "db/Fields.h"

#include <utility>

#include "db/DataType.h"
#include "db/Recordset.h"

namespace kiv::db {

void Fields::Append(std::string name, long type, long definedSize, long attributes) {
    if (owner_.State() != adStateClosed) {
        throw Error::layer(adErrIllegalOperation, "Kiv.Fields",
                           "Fields can only be appended while the recordset is closed.");
    }
    ColumnInfo column;
    column.name = std::move(name);
    column.type = type;
    column.definedSize = definedSize > 0 ? definedSize : DataType::defaultSize(type);
    column.precision = DataType::defaultPrecision(type);
    column.attributes = attributes == adFldUnspecified ? 0 : attributes;
    column.notNull = (column.attributes & (adFldIsNullable | adFldMayBeNull)) == 0;
    const std::size_t index = static_cast<std::size_t>(items_.Count());
    items_.Append(std::make_shared<Field>(std::move(column), &owner_, index));
}

void Fields::assign(const std::vector<ColumnInfo>& columns) {
    detach();
    items_.Clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        items_.Append(std::make_shared<Field>(columns[i], &owner_, i));
    }
}

void Fields::detach() noexcept {
    for (const auto& field : items_) {
        field->owner_ = nullptr;
    }
}

void Fields::clear() noexcept {
    detach();
    items_.Clear();
}

}  // namespace kiv::db
