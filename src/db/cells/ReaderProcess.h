#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

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
        // What the child may map beyond what it inherits from this process.
        std::uint64_t addressSpace = std::uint64_t{1} << 30;  // 1 GiB
        // For the work up to its first command, and again for each command.
        std::chrono::seconds processorTime{20};
        std::chrono::seconds elapsedTime{50};  // for the child to send what is waited for
    };

    // What this process asks of a child that serves commands: a code and a number.
    struct Command {
        char code = 0;
        std::uint64_t argument = 0;
    };

    // What the child sends, buffered and written in frames, and the commands it takes.
    class Output {
    public:
        Output(int descriptor, int commands, std::chrono::seconds processorTime)
            : descriptor_(descriptor), commands_(commands), processorTime_(processorTime) {}
        void put(std::string_view bytes);
        // A number as it is held.
        template <typename Value>
        void putValue(Value value) {
            static_assert(std::is_trivially_copyable_v<Value>);
            put(std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
        }
        // A 32-bit length and the bytes.
        void putText(std::string_view text);
        void flush();
        // Sends a failure's description in place of further bytes.
        void fail(std::string_view description);
        // Sends what is buffered and waits for the next command of this process, which gets
        // the limit on processor time anew; nothing when it sends no more.
        std::optional<Command> command();

    private:
        void send(char type, std::string_view bytes);

        int descriptor_;
        int commands_;
        std::chrono::seconds processorTime_;
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
    // A number the child put with putValue.
    template <typename Value>
    Value takeValue() {
        static_assert(std::is_trivially_copyable_v<Value>);
        Value value{};
        std::memcpy(&value, take(sizeof value).data(), sizeof value);
        return value;
    }
    // A text the child put with putText, valid until the next call.
    std::string_view takeText();
    // Waits for the child to end after its last bytes; throws std::runtime_error when it sent
    // more or did not end well.
    void finish();
    // Sends a command to the child. Throws std::runtime_error when it has ended.
    void command(Command command);
    // Throws std::runtime_error saying that the child sent malformed data.
    [[noreturn]] void malformed();

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
