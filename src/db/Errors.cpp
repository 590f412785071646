#include "db/Errors.h"

#include "base/Text.h"
#include "db/Constants.h"

namespace kiv::db {

std::shared_ptr<Error> Errors::Item(long index) const {
    if (index < 0 || index >= Count()) {
        throw Error::layer(adErrItemNotFound, "Kiv.Errors",
                           "There is no error record at position " + text::decimal(index) + ".");
    }
    return items_[static_cast<std::size_t>(index)];
}

void Errors::Replace(const Error& error) {
    items_.clear();
    items_.push_back(std::make_shared<Error>(error));
}

}  // namespace kiv::db
