#pragma once

#include <memory>
#include <vector>

#include "db/Error.h"

namespace kiv::db {

// The records of the last failure on a connection, addressed from 0. A failing operation
// replaces the records of the one before; a successful operation leaves them alone, so a
// caller clears the collection before an operation whose outcome it will judge by it.
class Errors {
public:
    using const_iterator = std::vector<std::shared_ptr<Error>>::const_iterator;

    long Count() const noexcept { return static_cast<long>(items_.size()); }
    // A position outside 0..Count-1 is an error of the caller.
    std::shared_ptr<Error> Item(long index) const;
    void Clear() noexcept { items_.clear(); }

    // Makes `error` the only record.
    void Replace(const Error& error);

    const_iterator begin() const noexcept { return items_.begin(); }
    const_iterator end() const noexcept { return items_.end(); }

private:
    std::vector<std::shared_ptr<Error>> items_;
};

}  // namespace kiv::db
