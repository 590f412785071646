#include "db/Engine.h"

#include "db/Constants.h"
#include "db/Error.h"

namespace kiv::db {

void Engine::beginTransaction() {
    throw Error::layer(adErrFeatureNotAvailable, provider(),
                       "The connection cannot hold what is written in one transaction: " +
                           provider() + " makes every row durable as it is written.");
}

void Engine::endTransaction(bool) {
    beginTransaction();
}

}  // namespace kiv::db
