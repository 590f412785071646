#pragma once

#include <string>
#include <string_view>

// Passwords never reach a log, a report or a message in clear text.
namespace kiv {

constexpr std::string_view kMaskedPassword = "********";

// The connect string with the value of every PWD= and Password= part replaced by the mask.
std::string MaskConnectStringPassword(std::string_view connectString);
// The text with every occurrence of the password replaced by the mask.
std::string MaskPassword(std::string_view text, std::string_view password);

}  // namespace kiv
