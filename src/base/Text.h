#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Text helpers. Letter case is folded for ASCII letters only: names in specification files,
// options and SQL keywords are ASCII, and folding other letters would depend on a locale.
namespace kiv::text {

// Removes leading and trailing blanks (U+0020 only).
std::string_view trim(std::string_view value);
// Removes leading and trailing blanks, tabs, CR and LF.
std::string_view trimWhitespace(std::string_view value);

std::string toLower(std::string_view value);
std::string toUpper(std::string_view value);
char toLower(char c);
bool iequals(std::string_view a, std::string_view b);
bool istartsWith(std::string_view value, std::string_view prefix);
bool iendsWith(std::string_view value, std::string_view suffix);

// Splits at exact CR LF pairs; a final CR LF gives no extra piece; "" gives one empty piece.
std::vector<std::string_view> splitCrLf(std::string_view value);
// Splits at every occurrence of the separator; n separators give n + 1 pieces.
std::vector<std::string_view> split(std::string_view value, char separator);

std::string replaceAll(std::string_view value, std::string_view from, std::string_view to);

// Length of the run of bracketed tags ("[Kiv][SQLite]") at the start of a message.
std::size_t leadingTagsLength(std::string_view message);

// Decimal text of a whole number, no blanks.
std::string decimal(long long value);
// Decimal text with a comma between groups of three digits: "999,000".
std::string groupedDecimal(long long value);

}  // namespace kiv::text
