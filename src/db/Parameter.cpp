#include "db/Parameter.h"

#include <utility>

namespace kiv::db {

Parameter::Parameter(std::string name, long type, long direction, long size, Variant value)
    : name_(std::move(name)),
      type_(type),
      direction_(direction),
      size_(size),
      value_(std::move(value)) {}

}  // namespace kiv::db
