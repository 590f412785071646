#pragma once

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::odbc {

// Text crosses the ODBC interface as UTF-16 (SQLWCHAR), whatever the process's locale: the
// narrow interface would hand it to each driver's idea of the local character set. Inside
// the program text is UTF-8.
class OdbcText {
public:
    using Wide = std::vector<SQLWCHAR>;

    // `text` as UTF-16 with a terminating zero, for passing to the interface.
    static Wide wide(std::string_view text);
    // Replaces `out` with `text` as UTF-16, without a terminating zero; reuses its storage.
    static void toWide(std::string_view text, Wide& out);
    // Replaces `out` with UTF-16 `text` as UTF-8; reuses its storage. Unpaired surrogates
    // become U+FFFD.
    static void toUtf8(const SQLWCHAR* text, std::size_t length, std::string& out);
    static std::string utf8(const SQLWCHAR* text, std::size_t length);
    // Characters of a UTF-16 text up to its terminating zero.
    static std::size_t length(const SQLWCHAR* text) noexcept;
};

}  // namespace kiv::db::odbc
