#include "db/cells/ReaderProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::cells {

namespace {

constexpr std::size_t FrameSize = 1 << 16;     // what the child buffers before sending
constexpr std::size_t LargestFrame = 1 << 20;  // anything longer is malformed
constexpr std::size_t HeaderSize = 5;          // type and length
constexpr std::size_t KeptErrorLines = 20;
constexpr std::size_t KeptErrorBytes = 4096;
constexpr char DataFrame = 'D';
constexpr char FailureFrame = 'F';
constexpr std::size_t CommandSize = 9;  // code and argument

void writeAll(int descriptor, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ::_exit(1);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

void limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit value{soft, hard};
    ::setrlimit(resource, &value);
}

// Limits the address space to what the process has mapped and `beyond` more. Not under
// AddressSanitizer, whose shadow memory takes terabytes of address space.
void limitAddressSpace([[maybe_unused]] std::uint64_t beyond) {
#if !defined(__SANITIZE_ADDRESS__)
    unsigned long long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%llu", &pages) != 1) {
            pages = 0;
        }
        std::fclose(statm);
    }
    const std::uint64_t space =
        pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) + beyond;
    limit(RLIMIT_AS, space, space);
#endif
}

std::chrono::microseconds processorTimeUsed() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// The limit on processor time counts from now. Past it the child gets SIGXCPU, which ends it;
// the hard limit stays open so that the next command can have its own time.
void limitProcessorTime(std::chrono::seconds time) {
    const auto until = std::chrono::ceil<std::chrono::seconds>(processorTimeUsed() + time);
    limit(RLIMIT_CPU, static_cast<rlim_t>(until.count()), RLIM_INFINITY);
}

// Runs in the child: what the work reads goes to the pipe; it never returns. It leaves
// interrupts from the terminal to this process, which ends it when it has to, and it ends
// with this process.
[[noreturn]] void runChild(const ReaderProcess::Work& work, const ReaderProcess::Limits& limits,
                           int data, int errors, int commands) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::signal(SIGINT, SIG_IGN);
    ::signal(SIGHUP, SIG_IGN);
    ::dup2(errors, STDERR_FILENO);
    ::dup2(errors, STDOUT_FILENO);
    limitAddressSpace(limits.addressSpace);
    limitProcessorTime(limits.processorTime);
    limit(RLIMIT_CORE, 0, 0);
    ReaderProcess::Output output(data, commands, limits.processorTime);
    try {
        work(output);
        output.flush();
    } catch (const std::bad_alloc&) {
        output.fail("the reader ran out of memory");
    } catch (const std::exception& failure) {
        output.fail(failure.what());
    }
    ::_exit(0);
}

std::string seconds(double value) {
    const auto tenths = static_cast<long long>(std::llround(value * 10));
    return text::decimal(tenths / 10) + "." + text::decimal(tenths % 10) + " s";
}

std::uint32_t lengthAt(const std::string& bytes, std::size_t at) {
    std::uint32_t length = 0;
    std::memcpy(&length, bytes.data() + at + 1, sizeof length);
    return length;
}

}  // namespace

void ReaderProcess::Output::put(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= FrameSize) {
        flush();
    }
}

void ReaderProcess::Output::putText(std::string_view text) {
    putValue(static_cast<std::uint32_t>(text.size()));
    put(text);
}

void ReaderProcess::Output::flush() {
    for (std::size_t sent = 0; sent < buffer_.size(); sent += LargestFrame) {
        send(DataFrame, std::string_view(buffer_).substr(sent, LargestFrame));
    }
    buffer_.clear();
}

void ReaderProcess::Output::fail(std::string_view description) {
    buffer_.clear();
    send(FailureFrame, description.substr(0, LargestFrame));
}

std::optional<ReaderProcess::Command> ReaderProcess::Output::command() {
    flush();
    char bytes[CommandSize];
    std::size_t received = 0;
    while (received < CommandSize) {
        const ssize_t count = ::read(commands_, bytes + received, CommandSize - received);
        if (count == 0 || (count < 0 && errno != EINTR)) {
            return std::nullopt;
        }
        received += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    limitProcessorTime(processorTime_);
    Command command{bytes[0], 0};
    std::memcpy(&command.argument, bytes + 1, sizeof command.argument);
    return command;
}

void ReaderProcess::Output::send(char type, std::string_view bytes) {
    char header[HeaderSize] = {type};
    const auto length = static_cast<std::uint32_t>(bytes.size());
    std::memcpy(header + 1, &length, sizeof length);
    writeAll(descriptor_, header, sizeof header);
    writeAll(descriptor_, bytes.data(), bytes.size());
}

ReaderProcess::Limits ReaderProcess::limitsFor(const std::string& path) {
    Limits limits;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        limits.processorTime += std::chrono::seconds(status.st_size >> 20);
    }
    limits.elapsedTime = 2 * limits.processorTime + std::chrono::seconds(10);
    return limits;
}

ReaderProcess::ReaderProcess(const Work& work, Limits limits)
    : limits_(limits), started_(std::chrono::steady_clock::now()) {
    int data[2] = {-1, -1};
    int errors[2] = {-1, -1};
    int commands[2] = {-1, -1};
    if (::pipe2(data, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, commands) != 0 ||
        (child_ = ::fork()) < 0) {
        const std::string reason = std::strerror(errno);
        for (const int descriptor :
             {data[0], data[1], errors[0], errors[1], commands[0], commands[1]}) {
            if (descriptor >= 0) {
                ::close(descriptor);
            }
        }
        throw std::runtime_error("cannot start the reader: " + reason);
    }
    if (child_ == 0) {
        ::close(data[0]);
        ::close(errors[0]);
        ::close(commands[0]);
        runChild(work, limits, data[1], errors[1], commands[1]);
    }
    ::close(data[1]);
    ::close(errors[1]);
    ::close(commands[1]);
    data_ = data[0];
    errors_ = errors[0];
    commands_ = commands[0];
}

ReaderProcess::~ReaderProcess() {
    if (child_ > 0) {
        ::kill(child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
    }
    ::close(data_);
    ::close(commands_);
    if (errors_ >= 0) {
        ::close(errors_);
    }
}

void ReaderProcess::command(Command command) {
    char bytes[CommandSize] = {command.code};
    std::memcpy(bytes + 1, &command.argument, sizeof command.argument);
    if (child_ < 0 || ::send(commands_, bytes, sizeof bytes, MSG_NOSIGNAL) != sizeof bytes) {
        int status = 0;
        if (child_ > 0) {
            ::waitpid(child_, &status, 0);
            child_ = -1;
        }
        fail(ending(status));
    }
}

void ReaderProcess::malformed() {
    fail("the reader sent malformed data");
}

std::string_view ReaderProcess::takeText() {
    return take(takeValue<std::uint32_t>());
}

std::string_view ReaderProcess::take(std::size_t size) {
    if (size > limits_.addressSpace) {
        malformed();
    }
    if (taken_ > FrameSize && taken_ * 2 > received_.size()) {
        received_.erase(0, taken_);
        taken_ = 0;
    }
    while (received_.size() - taken_ < size) {
        if (!fill()) {
            int status = 0;
            ::waitpid(child_, &status, 0);
            child_ = -1;
            fail(ending(status));
        }
    }
    const std::string_view bytes(received_.data() + taken_, size);
    taken_ += size;
    return bytes;
}

void ReaderProcess::finish() {
    ::shutdown(commands_, SHUT_WR);
    if (taken_ < received_.size() || fill()) {
        fail("the reader sent more than it read");
    }
    int status = 0;
    ::waitpid(child_, &status, 0);
    child_ = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fail(ending(status));
    }
}

// Waits for the next frame of data and adds it to what was received; false at the end of
// the data.
bool ReaderProcess::fill() {
    const auto deadline = std::chrono::steady_clock::now() + limits_.elapsedTime;
    for (;;) {
        if (frames_.size() >= HeaderSize) {
            const std::uint32_t length = lengthAt(frames_, 0);
            const char type = frames_[0];
            if ((type != DataFrame && type != FailureFrame) || length > LargestFrame) {
                malformed();
            }
            if (frames_.size() >= HeaderSize + length) {
                const std::string_view payload(frames_.data() + HeaderSize, length);
                if (type == FailureFrame) {
                    throw std::runtime_error(std::string(payload));
                }
                received_.append(payload);
                frames_.erase(0, HeaderSize + length);
                return true;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
            child_ = -1;
            fail("the reader was stopped after " +
                 text::decimal(static_cast<long long>(limits_.elapsedTime.count())) + " s");
        }
        pollfd watched[2] = {{data_, POLLIN, 0}, {errors_, POLLIN, 0}};
        const int ready = ::poll(watched, errors_ >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            fail("cannot wait for the reader: " + std::string(std::strerror(errno)));
        }
        if (ready <= 0) {
            continue;
        }
        if (errors_ >= 0 && (watched[1].revents & (POLLIN | POLLHUP)) != 0) {
            readErrors();
        }
        if ((watched[0].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[FrameSize];
            const ssize_t count = ::read(data_, buffer, sizeof buffer);
            if (count == 0) {
                if (!frames_.empty()) {
                    malformed();
                }
                return false;
            }
            if (count > 0) {
                frames_.append(buffer, static_cast<std::size_t>(count));
            }
        }
    }
}

// Keeps the first lines the child wrote to standard error and drops the rest.
void ReaderProcess::readErrors() {
    char buffer[FrameSize];
    const ssize_t count = ::read(errors_, buffer, sizeof buffer);
    if (count <= 0) {
        ::close(errors_);
        errors_ = -1;
        return;
    }
    for (ssize_t i = 0; i < count && errorLineCount_ < KeptErrorLines; ++i) {
        if (buffer[i] != '\n') {
            if (errorLine_.size() < KeptErrorBytes && buffer[i] != '\r') {
                errorLine_.push_back(buffer[i]);
            }
            continue;
        }
        // Blank lines and a line repeating the one before are not kept.
        if (!errorLine_.empty() && errorLine_ != lastErrorLine_ &&
            errorLines_.size() + errorLine_.size() < KeptErrorBytes) {
            errorLines_.append(errorLines_.empty() ? "" : "; ").append(errorLine_);
            ++errorLineCount_;
            lastErrorLine_ = errorLine_;
        }
        errorLine_.clear();
    }
}

void ReaderProcess::fail(const std::string& what) {
    while (errors_ >= 0 && child_ < 0) {
        readErrors();
    }
    const std::string lines(text::trimWhitespace(errorLines_));
    throw std::runtime_error("the file is damaged or not supported: " + what +
                             (lines.empty() ? "" : " (it wrote: " + lines + ")"));
}

std::string ReaderProcess::ending(int status) const {
    const std::string after =
        seconds(std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count());
    if (WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGXCPU) {
            return "the reader took more than " +
                   text::decimal(static_cast<long long>(limits_.processorTime.count())) +
                   " s of processor time";
        }
        return "the reader ended with signal " + text::decimal(WTERMSIG(status)) + " after " +
               after;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        return "the reader ended with status " + text::decimal(WEXITSTATUS(status)) + " after " +
               after;
    }
    return "the reader ended before it sent all it read";
}

}  // namespace kiv::db::cells
