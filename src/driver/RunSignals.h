#pragma once

#include <csignal>
#include <string>

namespace kiv {

// While it lives, SIGINT, SIGTERM and SIGHUP cancel the run the way closing the window does:
// the data set in hand stops after its current row, the pass ends and the report is written.
// A second signal ends the process at once with status 128 + signal. The previous handlers
// come back when the object goes.
class RunSignals {
public:
    RunSignals();
    ~RunSignals();
    RunSignals(const RunSignals&) = delete;
    RunSignals& operator=(const RunSignals&) = delete;

    // The signal that cancelled the last run, or 0.
    static int Caught();
    // The exit status the process owes to that signal (128 + signal), or 0.
    static int ExitStatus();
    // "Run cancelled by signal SIGINT.", or empty when no signal came.
    static std::string CancelNotice();
    // "SIGINT", "SIGTERM", "SIGHUP", or "signal N" for any other.
    static std::string Name(int signal);

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction mPrevious[std::size(kSignals)];
};

}  // namespace kiv
