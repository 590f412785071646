#pragma once

#include <string>
#include <string_view>

namespace kiv::db::cells {

// A name written for SQLite in double quotes, which (unlike brackets) can hold every
// character: a '"' inside is doubled.
class SqlName {
public:
    static std::string quoted(std::string_view name) {
        std::string quoted = "\"";
        for (const char c : name) {
            if (c == '"') {
                quoted.push_back('"');
            }
            quoted.push_back(c);
        }
        return quoted + "\"";
    }
};

}  // namespace kiv::db::cells
