#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kiv::db::cells {

// Reads an untrusted file in a child process, so that a library which hangs, aborts or
// overruns its memory on a damaged file stops that child and not the program. The child runs
// with a limit on its address space and on its processor time, its standard error is kept
// apart (the first lines of it go into the message of a failure), and it sends what it read
// to this process over a pipe; it may take commands from this process over another. Whatever
// becomes of the child, this process learns it: a clear error, never a hang.
class ReaderProcess {
public:
    struct Limits {
        std::uint64_t addressSpace = std::uint64_t{1} << 30;  // 1 GiB
        std::chrono::seconds processorTime{20};
        std::chrono::seconds elapsedTime{50};  // for the child to send what is waited for
    };

    // What the child sends, buffered and written in frames, and the commands it takes.
    class Output {
    public:
        Output(int descriptor, int commands) : descriptor_(descriptor), commands_(commands) {}
        void put(std::string_view bytes);
        void flush();
        // Sends a failure's description in place of further bytes.
        void fail(std::string_view description);
        // Sends what is buffered and waits for the next command of this process; -1 when it
        // sends no more.
        int command();

    private:
        void send(char type, std::string_view bytes);

        int descriptor_;
        int commands_;
        std::string buffer_;
    };

    using Work = std::function<void(Output& output)>;

    // The limits for reading a file: 20 s of processor time and 1 s more per MiB of it, twice
    // that and 10 s in all.
    static Limits limitsFor(const std::string& path);

    // Starts `work` in a child process. What it throws as std::runtime_error comes out of
    // take() in this process as an error with the same description. Throws
    // std::runtime_error when no child can be started.
    ReaderProcess(const Work& work, Limits limits);
    ~ReaderProcess();
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // The next `size` bytes the child sent, valid until the next call. Throws
    // std::runtime_error when the child failed, ended, crashed or was stopped before it
    // sent them ("the file is damaged or not supported: the reader ended with signal 6 after
    // 3.1 s").
    std::string_view take(std::size_t size);
    // Waits for the child to end after its last bytes; throws std::runtime_error when it sent
    // more or did not end well.
    void finish();
    // Sends a command to the child. Throws std::runtime_error when it has ended.
    void command(char command);

private:
    bool fill();
    void readErrors();
    [[noreturn]] void fail(const std::string& what);
    std::string ending(int status) const;

    pid_t child_ = -1;
    int data_ = -1;
    int errors_ = -1;
    int commands_ = -1;
    Limits limits_;
    std::chrono::steady_clock::time_point started_;
    std::string received_;       // frame bytes not yet taken
    std::size_t taken_ = 0;      // of received_
    std::string frames_;         // raw bytes from the pipe, not yet split into frames
    std::string errorLines_;     // the first lines the child wrote to standard error
    std::string errorLine_;      // the line being read
    std::string lastErrorLine_;  // the last line kept
    std::size_t errorLineCount_ = 0;
};

}  // namespace kiv::db::cells
