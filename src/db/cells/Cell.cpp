#include "db/cells/Cell.h"

#include "base/Variant.h"

namespace kiv::db::cells {

std::string Cell::display() const {
    switch (kind) {
        case Kind::Blank:
            return {};
        case Kind::Number:
        case Kind::Currency:
            return Variant::formatDouble(number);
        case Kind::Date:
            return Variant::formatDate(number);
        case Kind::Boolean:
            return number != 0 ? "True" : "False";
        case Kind::Text:
            break;
    }
    return text;
}

}  // namespace kiv::db::cells
