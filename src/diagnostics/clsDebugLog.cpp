#include "diagnostics/clsDebugLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/Path.h"
#include "base/Text.h"
#include "diagnostics/Globals.h"

namespace kiv {

namespace {

constexpr int kMaxIndentLevels = 20;
constexpr std::string_view kIndentUnit = "   ";

clsDebugLog::MessageBoxHook& messageBoxHook() {
    static clsDebugLog::MessageBoxHook hook;
    return hook;
}

void writeAll(int file, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(file, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // a failing write is dropped; the log never disturbs its caller
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

void clsDebugLog::SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook() = std::move(hook); }

clsDebugLog::~clsDebugLog() { CloseLog(); }

bool clsDebugLog::writingAllowed() const { return gbDebugEnabled || mbAlwaysOpen; }

void clsDebugLog::CloseLog() {
    if (mFile >= 0) {
        ::close(mFile);
        mFile = -1;
    }
}

int clsDebugLog::OpenLog(const std::string& fileName) {
    if (!writingAllowed()) {
        return mFile;
    }
    CloseLog();
    if (!fileName.empty()) {
        msLogFileName = fileName;
    }
    if (msLogFileName.empty()) {
        return mFile;
    }
    const std::string path = path::resolveExisting(msLogFileName);
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mbAppendToLog ? 0 : O_TRUNC);
    mFile = ::open(path.c_str(), flags, 0666);
    if (mFile >= 0 && mbAppendToLog) {
        ::lseek(mFile, 0, SEEK_END);
    }
    return mFile;
}

void clsDebugLog::WriteLog(std::string_view text, bool showMessageBox) {
    if (!writingAllowed()) {
        return;
    }
    // Without a file to write to, the lines would be dropped: skip building them, since
    // loaders write a line per row.
    if (mFile >= 0 || !msLogFileName.empty()) {
        const int levels = std::min<int>(miCurrentIndent, kMaxIndentLevels);
        std::string indentation;
        for (int i = 0; i < levels; ++i) {
            indentation += kIndentUnit;
        }
        for (std::string_view line : text::splitCrLf(text)) {
            writeLine(indentation, line);
        }
    }
    if (!text.empty() && showMessageBox && messageBoxHook()) {
        messageBoxHook()(msModuleName, std::string(text));
    }
}

void clsDebugLog::writeLine(std::string_view indentation, std::string_view line) {
    if (mFile < 0) {
        OpenLog();
    }
    if (mFile < 0) {
        return;
    }
    // One write per line keeps the file complete up to the last line if the process dies.
    std::string bytes;
    bytes.reserve(indentation.size() + line.size() + 2);
    bytes.append(indentation).append(line).append("\r\n");
    writeAll(mFile, bytes);
}

void clsDebugLog::IncrementIndent() {
    if (miCurrentIndent < INT16_MAX) {
        ++miCurrentIndent;
    }
}

void clsDebugLog::DecrementIndent() {
    if (miCurrentIndent > 0) {
        --miCurrentIndent;
    }
}

void clsDebugLog::EnterBlock(std::string_view name) {
    mBlockStack.emplace_back(msCurrentBlockName, miCurrentIndent);
    msCurrentBlockName = std::string(name);
    WriteLog(">>> Entering: " + msCurrentBlockName);
    IncrementIndent();
}

void clsDebugLog::ExitBlock() {
    DecrementIndent();
    WriteLog("<<< Exiting: " + msCurrentBlockName);
    if (!mBlockStack.empty()) {
        msCurrentBlockName = mBlockStack.back().first;
        miCurrentIndent = mBlockStack.back().second;
        mBlockStack.pop_back();
    }
}

}  // namespace kiv
