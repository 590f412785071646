#pragma once

#include <stdexcept>
#include <string>

namespace kiv::db::access {

// A piece of Access SQL that has no translation: what holds the construct it met, in words
// a reader finds in the query ("the function DatePart", "the operator ^").
class AccessSqlError : public std::runtime_error {
public:
    explicit AccessSqlError(const std::string& construct) : std::runtime_error(construct) {}
};

}  // namespace kiv::db::access
