#include "db/Error.h"

#include <utility>

namespace kiv::db {

Error::Error(long number, std::string source, std::string sqlState, long nativeError,
             std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      sqlState_(std::move(sqlState)),
      nativeError_(nativeError),
      description_(std::move(description)) {}

Error Error::layer(long number, std::string_view source, std::string_view description) {
    return Error(number, std::string(source), "HY000", 0, "[Kiv]" + std::string(description));
}

}  // namespace kiv::db
