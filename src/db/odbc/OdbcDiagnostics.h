#pragma once

#include <sql.h>

#include <string>
#include <string_view>

#include "db/Error.h"

namespace kiv::db::odbc {

// Failures of the ODBC engine as the layer's `Error`: source "Kiv.ODBC", the state and
// native error the driver reported, and a description that starts with "[Kiv][ODBC]"
// followed by the driver's own tags and text.
class OdbcDiagnostics {
public:
    static constexpr const char* Provider = "Kiv.ODBC";
    static constexpr const char* Tag = "[Kiv][ODBC]";

    // The failure the driver left on `handle` (its first diagnostic record).
    static Error error(SQLSMALLINT type, SQLHANDLE handle);
    // `failure` told as the loss of the connection to `server`, with the driver's text;
    // `uncommitted`: a transaction was open, and the server has rolled it back.
    static Error connectionLost(const Error& failure, std::string_view server, bool uncommitted);
    // A failure the engine finds itself.
    static Error failure(std::string_view sqlState, std::string_view description,
                         long nativeError = 0);
    // A driver's message as a description: its leading bracketed tags are kept, and a "]"
    // after them is shown in its full-width form, because readers keep only the text after
    // the last "]" of a description. Lines end in CR LF, as in every text the program
    // writes.
    static std::string describe(std::string_view message);
};

}  // namespace kiv::db::odbc
