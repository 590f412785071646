#include "driver/RunSignals.h"

#include <unistd.h>

#include <atomic>

#include "base/Text.h"
#include "diagnostics/Globals.h"

namespace kiv {

namespace {

std::atomic<int> gCaughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

void onSignal(int signal) {
    int none = 0;
    if (!gCaughtSignal.compare_exchange_strong(none, signal)) {
        ::_exit(128 + signal);
    }
    gbContinueProcessing = false;
}

}  // namespace

RunSignals::RunSignals() {
    gCaughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &action, &mPrevious[i]);
    }
}

RunSignals::~RunSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &mPrevious[i], nullptr);
    }
}

int RunSignals::Caught() {
    return gCaughtSignal.load();
}

int RunSignals::ExitStatus() {
    return Caught() == 0 ? 0 : 128 + Caught();
}

std::string RunSignals::CancelNotice() {
    return Caught() == 0 ? std::string() : "Run cancelled by signal " + Name(Caught()) + ".";
}

std::string RunSignals::Name(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + text::decimal(signal);
    }
}

}  // namespace kiv
