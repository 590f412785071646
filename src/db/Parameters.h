#pragma once

#include "db/Items.h"
#include "db/Parameter.h"

namespace kiv::db {

// The parameters of a command, in placeholder order, addressed from 0 or by name.
class Parameters : public Items<Parameter> {};

}  // namespace kiv::db
