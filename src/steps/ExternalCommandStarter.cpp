#include "steps/ExternalCommandStarter.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "base/Path.h"

namespace kiv {

namespace {

// Reports a failure of the started process to its starter through the pipe and ends it.
[[noreturn]] void failChild(int pipe, int code) {
    const unsigned char byte = static_cast<unsigned char>(code);
    [[maybe_unused]] const ssize_t ignored = ::write(pipe, &byte, 1);
    ::_exit(127);
}

void detachStandardStreams() {
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO) {
            ::close(null);
        }
    }
}

}  // namespace

int ExternalCommandStarter::Start(const std::string& command, const std::string& folder) const {
    const std::string directory = folder.empty() ? std::string() : path::resolveExisting(folder);
    if (!directory.empty() && !path::isDirectory(directory)) {
        return kPathNotFound;
    }
    int pipes[2];
    if (::pipe2(pipes, O_CLOEXEC) != 0) {
        return kOutOfResources;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipes[0]);
        ::close(pipes[1]);
        return kOutOfResources;
    }
    if (child == 0) {
        // The intermediate child starts the command and ends at once, so the command is
        // adopted by init and never becomes our zombie.
        ::close(pipes[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            failChild(pipes[1], kOutOfResources);
        }
        if (grandchild > 0) {
            ::_exit(0);
        }
        if (!directory.empty() && ::chdir(directory.c_str()) != 0) {
            failChild(pipes[1], kPathNotFound);
        }
        detachStandardStreams();
        ::execl(msShell.c_str(), msShell.c_str(), "-c", command.c_str(), static_cast<char*>(nullptr));
        failChild(pipes[1], errno == ENOENT ? kFileNotFound : kOutOfResources);
    }
    ::close(pipes[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    unsigned char code = 0;
    ssize_t got;
    while ((got = ::read(pipes[0], &code, 1)) < 0 && errno == EINTR) {
    }
    ::close(pipes[0]);
    // The pipe closes unread when the shell was started (close-on-exec).
    return got == 1 ? code : kStarted;
}

std::string ExternalCommandStarter::ErrorText(int code) {
    switch (code) {
        case 0: return "The operating system is out of memory or resources.";
        case 2: return "The specified file was not found.";
        case 3: return "The specified path was not found.";
        case 5: return "The operating system denied access to the specified file. ";
        case 8: return "There was not enough memory to complete the operation.";
        case 11: return "The .exe file is invalid (non-Win32\xC2\xAE .exe or error in .exe image).";
        case 26: return "A sharing violation occurred.";
        case 27: return "The file name association is incomplete or invalid.";
        case 28: return "The DDE transaction could not be completed because the request timed out.";
        case 29: return "The DDE transaction failed.";
        case 30:
            return "The DDE transaction could not be completed because other DDE transactions were "
                   "being processed.";
        case 31:
            return "There is no application associated with the given file name extension. This "
                   "error will also be returned if you attempt to print a file that is not "
                   "printable.";
        case 32: return "The specified dynamic-link library was not found.";
        default: return "Unknown Error Occurred.";
    }
}

}  // namespace kiv
