#pragma once

#include <memory>

#include "diagnostics/IdentifyingField.h"

namespace kiv {

// The ordered fields that identify a record; positions run from 1 and a missing position
// gives an empty pointer.
class IdentifyingFields {
public:
    virtual ~IdentifyingFields() = default;
    virtual long IdentifyingFieldCount() const = 0;
    virtual std::shared_ptr<const IdentifyingField> IdentifyingFieldAt(long position) const = 0;
};

}  // namespace kiv
