#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/Error.h"

namespace kiv::db {

// The collections of the database layer: ordered, addressed from 0 or by name (letter case
// ignored), as the data-access component addresses fields, parameters and catalog objects.
// A position or name that is not there is an error of the caller.
template <typename T>
class Items {
public:
    using const_iterator = typename std::vector<std::shared_ptr<T>>::const_iterator;

    long Count() const noexcept { return static_cast<long>(items_.size()); }

    std::shared_ptr<T> Item(long index) const {
        if (index < 0 || index >= Count()) {
            throw notFound(text::decimal(index));
        }
        return items_[static_cast<std::size_t>(index)];
    }
    std::shared_ptr<T> Item(std::string_view name) const {
        std::shared_ptr<T> found = Find(name);
        if (!found) {
            throw notFound("'" + std::string(name) + "'");
        }
        return found;
    }
    // The first item of that name, or an empty pointer.
    std::shared_ptr<T> Find(std::string_view name) const noexcept {
        for (const auto& item : items_) {
            if (text::iequals(item->Name(), name)) {
                return item;
            }
        }
        return nullptr;
    }

    void Append(std::shared_ptr<T> item) {
        if (!item) {
            throw Error::layer(adErrInvalidArgument, "Kiv.Collection",
                               "An empty object cannot be appended to a collection.");
        }
        items_.push_back(std::move(item));
    }
    void Clear() noexcept { items_.clear(); }

    const_iterator begin() const noexcept { return items_.begin(); }
    const_iterator end() const noexcept { return items_.end(); }

private:
    static Error notFound(const std::string& what) {
        return Error::layer(adErrItemNotFound, "Kiv.Collection",
                            "Item cannot be found in the collection corresponding to the "
                            "requested name or ordinal (" +
                                what + ").");
    }

    std::vector<std::shared_ptr<T>> items_;
};

}  // namespace kiv::db
