#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::db::odbc {

// Recognises the statements the program writes itself, which quote names in square
// brackets ("SELECT * FROM [T]", "SELECT COUNT (*) AS RcdCnt FROM [T]",
// "INSERT INTO [T] ([A], [B]) VALUES (?, ?)", "DELETE FROM [T]"), so they can be given the quoting
// the driver understands. A statement counts as generated when it is written only with the words
// and signs of those forms (SELECT, COUNT, AS, RcdCnt, FROM, INSERT, INTO, VALUES, DELETE, "*",
// "(", ")", ",", "?", ";") and bracketed names: in such a statement a bracket can only quote a
// name. Every other statement is the user's and is passed on as written.
class OdbcGeneratedSql {
public:
    // The statement with each bracketed name replaced by `quote(name)`; nothing when the
    // statement is not a generated one or holds no bracketed name.
    static std::optional<std::string> requote(
        std::string_view sql, const std::function<std::string(std::string_view)>& quote);
};

}  // namespace kiv::db::odbc
