#pragma once

#include <string>

namespace kiv {

// A mistake in a specification file found before or while it runs: where it is written
// (file, section, key) and what is wrong.
struct SpecificationProblem {
    std::string file;
    std::string section;
    std::string key;
    std::string message;

    // "[section] key: message", the key left out when there is none.
    std::string Located() const {
        return "[" + section + "]" + (key.empty() ? "" : " " + key) + ": " + message;
    }
    // "file: [section] key: message"
    std::string Line() const { return file + ": " + Located(); }
};

}  // namespace kiv
