#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kiv {

// Writes indented lines of text to a file: dumps of the model for diagnosis, and the
// processing report. A log without a file name accepts every call and writes nothing, so
// callers never test whether logging is wanted. Every line reaches the file before WriteLog
// returns.
class clsDebugLog {
public:
    // Shows a message box for WriteLog's optional box; the window sets it.
    using MessageBoxHook = std::function<void(const std::string& title, const std::string& text)>;
    static void SetMessageBoxHook(MessageBoxHook hook);

    clsDebugLog() = default;
    ~clsDebugLog();
    clsDebugLog(const clsDebugLog&) = delete;
    clsDebugLog& operator=(const clsDebugLog&) = delete;

    bool AppendToLog() const { return mbAppendToLog; }
    void AppendToLog(bool value) { mbAppendToLog = value; }
    bool AlwaysOpen() const { return mbAlwaysOpen; }
    void AlwaysOpen(bool value) { mbAlwaysOpen = value; }
    bool EchoToDebugObject() const { return mbEchoToDebugObject; }
    void EchoToDebugObject(bool value) { mbEchoToDebugObject = value; }
    const std::string& CurrentBlockName() const { return msCurrentBlockName; }
    void CurrentBlockName(std::string value) { msCurrentBlockName = std::move(value); }
    std::int16_t CurrentIndent() const { return miCurrentIndent; }
    void CurrentIndent(std::int16_t value) { miCurrentIndent = value < 0 ? 0 : value; }

    // The log a dump writes to: the one passed, else the object's own (either may be none).
    static clsDebugLog* Chosen(clsDebugLog* passed, const std::shared_ptr<clsDebugLog>& own) {
        return passed != nullptr ? passed : own.get();
    }

    bool IsLogActive() const { return IsLogOpen() || mbEchoToDebugObject; }
    bool IsLogOpen() const { return mFile >= 0; }
    void CloseLog();
    // Opens `fileName` (or LogFileName when empty); returns the file handle, -1 when none.
    int OpenLog(const std::string& fileName = {});

    const std::string& LogFileName() const { return msLogFileName; }
    void LogFileName(std::string value) { msLogFileName = std::move(value); }
    const std::string& ModuleName() const { return msModuleName; }
    void ModuleName(std::string value) { msModuleName = std::move(value); }

    void WriteLog(std::string_view text, bool showMessageBox = false);
    void IncrementIndent();
    void DecrementIndent();
    void EnterBlock(std::string_view name);
    void ExitBlock();

private:
    bool writingAllowed() const;
    void writeLine(std::string_view indentation, std::string_view line);

    bool mbAppendToLog = false;
    bool mbAlwaysOpen = false;
    bool mbEchoToDebugObject = false;
    std::string msCurrentBlockName;
    std::int16_t miCurrentIndent = 0;
    std::string msLogFileName;
    std::string msModuleName = "Debug Message";
    int mFile = -1;
    std::vector<std::pair<std::string, std::int16_t>> mBlockStack;
};

}  // namespace kiv
