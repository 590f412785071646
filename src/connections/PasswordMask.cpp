#include "connections/PasswordMask.h"

#include "base/Text.h"

namespace kiv {

std::string MaskConnectStringPassword(std::string_view connectString) {
    std::string result;
    std::size_t start = 0;
    while (start <= connectString.size()) {
        auto end = connectString.find(';', start);
        std::string_view part = connectString.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::string_view key = text::trim(part.substr(0, part.find('=')));
        if (part.find('=') != std::string_view::npos &&
            (text::iequals(key, "PWD") || text::iequals(key, "Password"))) {
            const auto equals = part.find('=');
            const std::string_view value = part.substr(equals + 1);
            if (value.empty() || value == "{}") {
                result.append(part);  // an empty password hides nothing
            } else if (value.starts_with('{')) {
                // A braced value may hold ';' and "}}": it runs to the closing brace.
                auto close = connectString.find('}', start + equals + 1);
                while (close != std::string_view::npos && close + 1 < connectString.size() &&
                       connectString[close + 1] == '}') {
                    close = connectString.find('}', close + 2);
                }
                end = close == std::string_view::npos ? std::string_view::npos
                                                      : connectString.find(';', close);
                result.append(part.substr(0, equals + 1)).append("{").append(kMaskedPassword);
                result.append("}");
            } else {
                result.append(part.substr(0, equals + 1)).append(kMaskedPassword);
            }
        } else {
            result.append(part);
        }
        if (end == std::string_view::npos) {
            break;
        }
        result.push_back(';');
        start = end + 1;
    }
    return result;
}

std::string MaskPassword(std::string_view text, std::string_view password) {
    return password.empty() ? std::string(text) : text::replaceAll(text, password, kMaskedPassword);
}

}  // namespace kiv
