#include "db/files/ColumnGuess.h"

#include <algorithm>

#include "base/Text.h"
#include "db/files/TextFormat.h"

namespace kiv::db::files {

void ColumnGuess::observe(std::string_view value, const TextFormat& format) {
    longest_ = std::max(longest_, TextColumn::characterCount(value));
    if (text::trim(value).empty()) {
        return;
    }
    seen_ = true;
    if (whole_) {
        const std::optional<long long> whole = TextColumn::parseWhole(value);
        whole_ = whole && *whole >= -2147483648LL && *whole <= 2147483647LL;
    }
    if (number_) {
        number_ = TextColumn::parseNumber(value, format.decimalSymbol).has_value();
    }
    if (date_) {
        date_ = format.parseDate(value).has_value();
    }
    if (boolean_) {
        boolean_ = TextColumn::parseBoolean(value).has_value();
    }
}

TextColumn::Type ColumnGuess::type() const {
    if (!seen_) {
        return longest_ > TextColumn::DefaultTextWidth ? TextColumn::Type::Memo
                                                       : TextColumn::Type::Text;
    }
    if (boolean_) {
        return TextColumn::Type::Bit;
    }
    if (whole_) {
        return TextColumn::Type::Long;
    }
    if (number_) {
        return TextColumn::Type::Double;
    }
    if (date_) {
        return TextColumn::Type::DateTime;
    }
    return longest_ > TextColumn::DefaultTextWidth ? TextColumn::Type::Memo
                                                   : TextColumn::Type::Text;
}

}  // namespace kiv::db::files
