#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kiv::db {

// What an engine has to tell that is no failure: a database file it created, a text file
// whose bytes were not all UTF-8, rows with more fields than their file has columns. The
// connection holds them until its user takes them and passes them on to its log and
// messages.
class Notices {
public:
    enum class Kind {
        Log,          // for the debug log only
        Information,  // for the log and the report
        Warning,      // for the log and the report, as a warning
    };
    struct Notice {
        Kind kind;
        std::string text;
    };

    void add(Kind kind, std::string text) { notices_.push_back({kind, std::move(text)}); }
    // The notices gathered since the last call, oldest first.
    std::vector<Notice> take() { return std::exchange(notices_, {}); }

private:
    std::vector<Notice> notices_;
};

}  // namespace kiv::db
