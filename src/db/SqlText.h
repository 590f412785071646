#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kiv::db {

// Statement text as the program writes it: names in square brackets, with a "]" inside a
// name doubled.
class SqlText {
public:
    // "[name]", every "]" of the name doubled.
    static std::string bracket(std::string_view name);

    // The table of a statement "SELECT * FROM name" (bracketed, double-quoted or plain
    // name, optional final ";"), or nothing for any other statement.
    static std::optional<std::string> selectAllTable(std::string_view sql);

    // The statement with every bracketed name that holds a doubled "]" written in double
    // quotes instead, for engines whose bracket quoting has no escape; nothing when the
    // statement has no such name. String literals, quoted names and comments are kept.
    static std::optional<std::string> withoutBracketEscapes(std::string_view sql);
};

}  // namespace kiv::db
