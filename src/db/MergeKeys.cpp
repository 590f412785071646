#include "db/MergeKeys.h"

#include <algorithm>

#include "base/Text.h"
#include "db/Constants.h"

namespace kiv::db {

namespace {

constexpr std::string_view Source = "Merge";

}  // namespace

MergeKeys::MergeKeys(const std::vector<std::string>& names, const std::vector<ColumnInfo>& columns,
                     std::string_view table)
    : table_(table) {
    for (const std::string& name : names) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const ColumnInfo& c) {
            return text::iequals(c.name, name);
        });
        if (found == columns.end()) {
            throw Error::layer(adErrItemNotFound, Source,
                               "The table " + table_ + " has no column '" + name +
                                   "' to merge rows on (TargetKeyColumns).");
        }
        keys_.push_back(static_cast<std::size_t>(found - columns.begin()));
        listed_ += (listed_.empty() ? "" : ", ") + found->name;
    }
}

std::string MergeKeys::conflictClause(const std::vector<ColumnInfo>& columns,
                                      const std::vector<std::size_t>& assigned,
                                      const Quote& quote) const {
    std::string clause = " ON CONFLICT (";
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        clause += (i == 0 ? "" : ", ") + quote(columns[keys_[i]].name);
    }
    clause += ")";
    std::string updates;
    for (const std::size_t column : assigned) {
        if (std::find(keys_.begin(), keys_.end(), column) == keys_.end()) {
            const std::string name = quote(columns[column].name);
            updates += (updates.empty() ? " DO UPDATE SET " : ", ") + name + " = excluded." + name;
        }
    }
    return clause + (updates.empty() ? " DO NOTHING" : updates);
}

Error MergeKeys::noUniqueIndex(const Error& reason) const {
    std::string why = reason.Description();
    why = why.substr(why.rfind(']') == std::string::npos ? 0 : why.rfind(']') + 1);
    return Error::layer(adErrFeatureNotAvailable, Source,
                        "Rows cannot be merged into the table " + table_ + " on (" + listed_ +
                            "): the table needs a primary key or unique index on exactly these "
                            "columns (" +
                            why + ").");
}

}  // namespace kiv::db
