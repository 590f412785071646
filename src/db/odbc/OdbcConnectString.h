#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kiv::db::odbc {

// The "key=value;" parts of an ODBC connect string, in their order, so the string can be
// written again. A value may be wrapped in braces (then it may hold ";", and "}}" stands for
// "}"); keys are compared without regard to letter case, and the first of two equal keys
// counts.
class OdbcConnectString {
public:
    explicit OdbcConnectString(std::string_view text);

    std::optional<std::string> value(std::string_view key) const;
    // Changes the value of `key`, or adds the key at the end.
    void set(std::string_view key, std::string value);

    // The connect string with braces only around values that need them: those holding ";",
    // "{" or "}", or starting or ending with a blank. Some drivers (PostgreSQL's among them)
    // take the braces of "Server={host}" for part of the host name.
    std::string text() const;

    // A value as written in a connect string: in braces when it needs them (see text()), with
    // "}" doubled inside.
    static std::string asValue(std::string_view value);
    // A value always in braces, "}" doubled inside.
    static std::string braced(std::string_view value);

private:
    std::vector<std::pair<std::string, std::string>> parts_;
};

}  // namespace kiv::db::odbc
