#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kiv::db {

// The "key=value;key=value" parts of a connect string. Keys are compared without regard to
// letter case; a value may be wrapped in braces or double quotes (which may then hold ";"),
// and those are removed. When a key appears twice the first one counts.
class ConnectString {
public:
    explicit ConnectString(std::string_view text);

    std::optional<std::string> value(std::string_view key) const;

    // A value as written in a connect string: in double quotes (a quote inside doubled) when
    // it holds ";" or a quote, starts with "{", or starts or ends with a blank; else as it is.
    static std::string asValue(std::string_view value);

private:
    std::vector<std::pair<std::string, std::string>> parts_;
};

}  // namespace kiv::db
