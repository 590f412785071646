#pragma once

#include <memory>
#include <string_view>

namespace kiv::db {

class Engine;
class Notices;

// Chooses and opens the engine a connect string names, the way a provider is chosen.
class EngineFactory {
public:
    // `mode` adModeRead opens read-only; the engine adds what it has to tell besides failures to
    // `notices`. A connect string naming a kind of source that is not supported fails with a
    // description saying which kind it is.
    static std::shared_ptr<Engine> open(std::string_view connectString, long mode,
                                        const std::shared_ptr<Notices>& notices);
};

}  // namespace kiv::db
