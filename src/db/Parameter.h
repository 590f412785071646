#pragma once

#include <string>

#include "base/Variant.h"
#include "db/Constants.h"

namespace kiv::db {

// One value passed to a command's statement, matched to its placeholders by position.
class Parameter {
public:
    Parameter(std::string name = {}, long type = adEmpty, long direction = adParamInput,
              long size = 0, Variant value = Variant());

    const std::string& Name() const noexcept { return name_; }
    void Name(std::string name) { name_ = std::move(name); }
    long Type() const noexcept { return type_; }
    void Type(long type) noexcept { type_ = type; }
    long Direction() const noexcept { return direction_; }
    void Direction(long direction) noexcept { direction_ = direction; }
    long Size() const noexcept { return size_; }
    void Size(long size) noexcept { size_ = size; }
    const Variant& Value() const noexcept { return value_; }
    void Value(const Variant& value) { value_ = value; }

private:
    std::string name_;
    long type_;
    long direction_;
    long size_;
    Variant value_;
};

}  // namespace kiv::db
