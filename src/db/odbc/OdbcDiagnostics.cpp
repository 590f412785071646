#include "db/odbc/OdbcDiagnostics.h"

#include <sqlext.h>

#include <utility>
#include <vector>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/odbc/OdbcText.h"

namespace kiv::db::odbc {

namespace {

constexpr std::string_view FullWidthBracket = "\xEF\xBC\xBD";

}  // namespace

Error OdbcDiagnostics::error(SQLSMALLINT type, SQLHANDLE handle) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLWCHAR> message(1024);
    SQLRETURN code = SQLGetDiagRecW(type, handle, 1, state, &native, message.data(),
                                    static_cast<SQLSMALLINT>(message.size()), &length);
    if (code == SQL_SUCCESS_WITH_INFO && static_cast<std::size_t>(length) >= message.size()) {
        message.resize(static_cast<std::size_t>(length) + 1);
        code = SQLGetDiagRecW(type, handle, 1, state, &native, message.data(),
                              static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(code)) {
        return failure("HY000", "The ODBC driver reported a failure without describing it.");
    }
    const std::size_t shown = std::min(static_cast<std::size_t>(length), message.size() - 1);
    return failure(OdbcText::utf8(state, OdbcText::length(state)),
                   describe(text::trimWhitespace(OdbcText::utf8(message.data(), shown))), native);
}

Error OdbcDiagnostics::connectionLost(const Error& failure, std::string_view server,
                                      bool uncommitted) {
    std::string_view driver = failure.Description();
    if (driver.starts_with(Tag)) {
        driver.remove_prefix(std::string_view(Tag).size());
    }
    const std::size_t tags = text::leadingTagsLength(driver);
    std::string description = Tag + std::string(driver.substr(0, tags)) +
                              "The connection to the server " + std::string(server) +
                              " was lost: " + std::string(driver.substr(tags));
    if (uncommitted) {
        description += std::string(description.ends_with('.') ? "" : ".") +
                       " What was written since the last commit is not in the database.";
    }
    return Error(adErrEngineFailure, Provider, "08S01", failure.NativeError(),
                 std::move(description));
}

Error OdbcDiagnostics::failure(std::string_view sqlState, std::string_view description,
                               long nativeError) {
    return Error(adErrEngineFailure, Provider, std::string(sqlState), nativeError,
                 Tag + std::string(description));
}

std::string OdbcDiagnostics::describe(std::string_view message) {
    const std::size_t tags = text::leadingTagsLength(message);
    const std::string text = text::replaceAll(message.substr(tags), "]", FullWidthBracket);
    return std::string(message.substr(0, tags)) +
           text::replaceAll(text::replaceAll(text, "\r\n", "\n"), "\n", "\r\n");
}

}  // namespace kiv::db::odbc
