#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::access {

// One token of Access SQL.
struct AccessSqlToken {
    enum class Kind {
        Word,    // a name or keyword written bare: Products, SELECT, Sum
        Name,    // a name in brackets, without them: Order Details
        Text,    // a text literal in " or ', its quotes undone
        Number,  // 12, 1.5, 1E3
        Date,    // a #...# literal, without the #
        Symbol,  // ( ) , . ! ; & + - * / \ ^ = < > <= >= <>
        End
    };
    Kind kind = Kind::End;
    std::string text;
};

// Splits Access SQL into tokens.
class AccessSqlLexer {
public:
    // Throws AccessSqlError for a literal or bracketed name that is not closed and for a
    // character Access SQL has no use for.
    static std::vector<AccessSqlToken> tokens(std::string_view sql);
};

}  // namespace kiv::db::access
