#pragma once

#include <string>

namespace kiv {

// Starts a command line through the shell in a starting folder, detached: the caller does
// not wait, the command's output is discarded and no zombie is left behind.
class ExternalCommandStarter {
public:
    // Start codes: above 32 the start was accepted; 3 the folder does not exist, 2 the shell
    // is missing, 0 any other failure to start.
    static constexpr int kStarted = 33;
    static constexpr int kPathNotFound = 3;
    static constexpr int kFileNotFound = 2;
    static constexpr int kOutOfResources = 0;

    explicit ExternalCommandStarter(std::string shell = "/bin/sh") : msShell(std::move(shell)) {}

    int Start(const std::string& command, const std::string& folder) const;
    // The text the start codes are reported with.
    static std::string ErrorText(int code);

private:
    std::string msShell;
};

}  // namespace kiv
