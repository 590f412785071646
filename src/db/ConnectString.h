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

private:
    std::vector<std::pair<std::string, std::string>> parts_;
};

}  // namespace kiv::db
