#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

namespace kiv::db::access {

// The functions of Access SQL that translated queries call in SQLite, with the rules of the
// Basic they come from: Left, Right, Mid, Len, UCase, LCase, Trim, LTrim, RTrim, Val, CStr,
// CLng, CInt, CDbl, CCur, Year, Month, Day, DatePart, Date, Now and Format; and the pieces
// of its operators SQLite has no match for: & (which takes Null as empty text) and Like
// (with *, ?, # and [ ] character lists, without regard to letter case).
class AccessFunctions {
public:
    // How a translated query calls an Access function.
    struct Signature {
        std::string sqlName;
        int fewest = 0;
        int most = 0;
    };

    static constexpr const char* Concatenate = "access_concat";
    static constexpr const char* Like = "access_like";
    static constexpr const char* Add = "access_add";
    static constexpr const char* Subtract = "access_subtract";

    // The signature of the function of that Access name (any letter case), if it is one.
    static std::optional<Signature> find(std::string_view accessName);

    // Registers every function on a database. Throws std::runtime_error on failure.
    static void registerOn(sqlite3* db);
};

}  // namespace kiv::db::access
