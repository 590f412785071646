#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// The command line and parameter files: specification files to load, substitution variables,
// the debug log and report file names, and the run flags.
class CommandLine {
public:
    // Shows a message box with the exclamation icon.
    using MessageBox = std::function<void(const std::string& title, const std::string& text)>;
    // Usage: an unknown option, an option without its value, a report file that cannot be
    // written or a specification file that cannot be read (see UsageErrors).
    enum class Stop { None, Help, Version, ParameterFile, Usage };

    explicit CommandLine(MessageBox showMessage);

    // Processes the program's arguments (each one token); false when the program must end.
    bool ParseCommandLine(const std::vector<std::string>& arguments);
    // Joins a token that begins with a double quote with the following ones up to the first
    // that ends with one, separated by single blanks, and removes the two quotes.
    static void JoinQuotedArguments(std::vector<std::string>& tokens);
    // The next non-empty trimmed token from `index` on ("" when none is left); advances past it.
    static std::string NextArgument(const std::vector<std::string>& tokens, std::size_t& index);
    void ProcessOption(const std::vector<std::string>& tokens, std::size_t& index,
                       bool& continueProcessing);
    bool ProcessParameterFile(const std::string& path);
    // False, with a usage error for each, when a listed file without wildcards cannot be
    // read: a name with wildcards may match nothing today, a plain name must be a file.
    bool CheckSpecificationFiles();
    // Puts the file, as a full path, on the specification list.
    void AddSpecificationFile(std::string_view name);

    bool AutoRun() const { return mbAutoRun; }
    bool SingleStep() const { return mbSingleStep; }
    bool ConsoleRequested() const { return mbConsole; }
    bool Quiet() const { return mbQuiet; }
    const std::string& SummaryFile() const { return msSummaryFile; }
    bool CheckRequested() const { return mbCheck; }
    Stop StopReason() const { return mStop; }
    const std::vector<std::string>& SpecificationFiles() const { return mSpecificationFiles; }
    // One line per mistake of the command line, each naming the option or file.
    const std::vector<std::string>& UsageErrors() const { return mUsageErrors; }

    static std::string UsageText();

private:
    static std::vector<std::string> splitAtBlanks(std::string_view line);
    bool applyValueOption(std::string_view option, const std::string& value);
    bool processParameterLines(std::string_view content);
    bool usageError(std::string message);
    bool checkReportFolder(const std::string& file);

    MessageBox mShowMessage;
    bool mbAutoRun = false;
    bool mbSingleStep = false;
    bool mbConsole = false;
    bool mbQuiet = false;
    std::string msSummaryFile;
    bool mbCheck = false;
    Stop mStop = Stop::None;
    std::vector<std::string> mSpecificationFiles;
    std::vector<std::string> mUsageErrors;
    // The parameter files being read, outermost first: one that names itself again is a mistake.
    std::vector<std::string> mOpenParameterFiles;
};

}  // namespace kiv
