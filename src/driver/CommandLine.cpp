#include "driver/CommandLine.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "base/Encoding.h"
#include "base/Path.h"
#include "base/Text.h"
#include "diagnostics/Globals.h"
#include "driver/modKivRun.h"

namespace kiv {

namespace {

struct EnvironmentOption {
    std::array<std::string_view, 4> names;
    std::string_view entry;
};

// Options that place their value in the environment under a fixed name.
constexpr std::array<EnvironmentOption, 8> kEnvironmentOptions = {{
    {{"srcsrvr", "srcserver", "sourcesrvr", "sourceserver"}, "SourceServer"},
    {{"dstsrvr", "dstserver", "destinationsrvr", "destinationserver"}, "DestinationServer"},
    {{"srcuser", "sourceuser", "srcuserid", "sourceuserid"}, "SourceUser"},
    {{"dstuser", "destinationuser", "dstuserid", "destinationuserid"}, "DestinationUser"},
    {{"srcpswd", "srcpassword", "sourcepswd", "sourcepassword"}, "SourcePassword"},
    {{"dstpswd", "dstpassword", "destinationpswd", "destinationpassword"}, "DestinationPassword"},
    {{"srcdbase", "srcdatabase", "sourcedbase", "sourcedatabase"}, "SourceDatabase"},
    {{"dstdbase", "dstdatabase", "destinationdbase", "destinationdatabase"}, "DestinationDatabase"},
}};

// The option name without its '-', '/' or GNU-style "--" ("" for a token that is no option
// form).
std::string optionName(std::string_view argument) {
    if (argument.size() < 2 || (argument.front() != '-' && argument.front() != '/')) {
        return {};
    }
    const std::size_t prefix = argument.starts_with("--") ? 2 : 1;
    return text::toLower(argument.substr(prefix));
}

// Only "-" marks an unknown option: "/" begins every absolute path.
bool looksLikeOption(std::string_view argument) {
    return argument.size() > 1 && argument.front() == '-';
}

bool hasWildcard(std::string_view name) {
    return name.find_first_of("*?") != std::string_view::npos;
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view candidate : names) {
        if (name == candidate) {
            return true;
        }
    }
    return false;
}

const EnvironmentOption* environmentOption(std::string_view name) {
    for (const auto& option : kEnvironmentOptions) {
        for (std::string_view candidate : option.names) {
            if (name == candidate) {
                return &option;
            }
        }
    }
    return nullptr;
}

bool takesValue(std::string_view name) {
    return isOneOf(name, {"debug", "debugfile", "rpt", "rptfile", "report", "reportfile", "e", "i",
                          "paramfile", "param", "p", "summary"}) ||
           environmentOption(name) != nullptr;
}

}  // namespace

CommandLine::CommandLine(MessageBox showMessage) : mShowMessage(std::move(showMessage)) {}

bool CommandLine::ParseCommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> tokens = arguments;
    JoinQuotedArguments(tokens);
    bool continueProcessing = true;
    for (std::size_t index = 0; continueProcessing && index < tokens.size();) {
        ProcessOption(tokens, index, continueProcessing);
    }
    return continueProcessing;
}

void CommandLine::JoinQuotedArguments(std::vector<std::string>& tokens) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!tokens[i].starts_with('"')) {
            continue;
        }
        std::size_t j = i;
        while (j < tokens.size() && !tokens[j].ends_with('"')) {
            ++j;
        }
        const bool closed = j < tokens.size();
        if (!closed) {
            j = tokens.size() - 1;
        }
        std::string joined = tokens[i];
        for (std::size_t k = i + 1; k <= j; ++k) {
            joined += " " + tokens[k];
        }
        tokens.erase(tokens.begin() + static_cast<long>(i) + 1,
                     tokens.begin() + static_cast<long>(j) + 1);
        // An unclosed quotation keeps its last character: it is no closing quote.
        const std::size_t cut = closed ? 2 : 1;
        tokens[i] = joined.size() <= cut ? std::string() : joined.substr(1, joined.size() - cut);
    }
}

std::string CommandLine::NextArgument(const std::vector<std::string>& tokens, std::size_t& index) {
    while (index < tokens.size()) {
        const std::string_view argument = text::trim(tokens[index++]);
        if (!argument.empty()) {
            return std::string(argument);
        }
    }
    return {};
}

void CommandLine::ProcessOption(const std::vector<std::string>& tokens, std::size_t& index,
                                bool& continueProcessing) {
    const std::string argument = NextArgument(tokens, index);
    if (argument.empty()) {
        return;
    }
    const std::string name = optionName(argument);
    if (name == "singlestep") {
        mbSingleStep = true;
    } else if (name == "run") {
        mbAutoRun = true;
    } else if (name == "norun") {
        mbAutoRun = false;
    } else if (name == "console") {
        mbConsole = true;
    } else if (name == "quiet") {
        mbQuiet = true;
    } else if (name == "check") {
        mbCheck = true;
    } else if (isOneOf(name, {"?", "h", "help"})) {
        mStop = Stop::Help;
        continueProcessing = false;
    } else if (name == "version") {
        mStop = Stop::Version;
        continueProcessing = false;
    } else if (takesValue(name)) {
        const std::string value = NextArgument(tokens, index);
        continueProcessing = value.empty() ? usageError("the option " + argument + " needs a value")
                                           : applyValueOption(name, value);
    } else if (looksLikeOption(argument)) {
        continueProcessing = usageError("unknown option " + argument);
    } else {
        // Linux file names are case-sensitive, so a bare name keeps its letter case.
        AddSpecificationFile(argument);
    }
}

bool CommandLine::applyValueOption(std::string_view name, const std::string& value) {
    if (isOneOf(name, {"debug", "debugfile"})) {
        gDebugLog->LogFileName(value);
    } else if (isOneOf(name, {"rpt", "rptfile", "report", "reportfile"})) {
        if (!checkReportFolder(value)) {
            return false;
        }
        if (!gReportLog) {
            gReportLog = std::make_shared<clsDebugLog>();
        }
        gReportLog->LogFileName(value);
    } else if (name == "e") {
        const auto equals = value.find('=');
        // A definition without a name would turn every "$()" into its value.
        if (equals != std::string::npos && !text::trim(value.substr(0, equals)).empty()) {
            gEnvironment->Add(value.substr(0, equals), value.substr(equals + 1));
        }
    } else if (name == "i") {
        AddSpecificationFile(value);
    } else if (isOneOf(name, {"summary"})) {
        msSummaryFile = value;
    } else if (isOneOf(name, {"paramfile", "param", "p"})) {
        return ProcessParameterFile(value);
    } else if (const EnvironmentOption* option = environmentOption(name)) {
        gEnvironment->Add(option->entry, value);
    }
    return true;
}

bool CommandLine::usageError(std::string message) {
    mUsageErrors.push_back(std::move(message));
    mStop = Stop::Usage;
    return false;
}

bool CommandLine::checkReportFolder(const std::string& file) {
    const std::string folder = path::directoryOf(path::withSlashes(file));
    if (folder.empty() || path::isDirectory(path::resolveExisting(folder))) {
        return true;
    }
    return usageError("cannot write the report file " + file + ": the folder " + folder +
                      " does not exist");
}

bool CommandLine::CheckSpecificationFiles() {
    for (const std::string& file : mSpecificationFiles) {
        if (hasWildcard(path::fileNameOf(file))) {
            continue;
        }
        const std::string existing = path::resolveExisting(file);
        if (!path::exists(existing)) {
            usageError("cannot read the specification file " + file + ": it does not exist");
        } else if (path::isDirectory(existing)) {
            usageError("cannot read the specification file " + file + ": it is a folder");
        } else if (!std::ifstream(existing, std::ios::binary)) {
            usageError("cannot read the specification file " + file + ": permission denied");
        }
    }
    return mUsageErrors.empty();
}

std::vector<std::string> CommandLine::splitAtBlanks(std::string_view line) {
    std::vector<std::string> tokens;
    for (std::string_view token : text::split(line, ' ')) {
        tokens.emplace_back(token);
    }
    return tokens;
}

bool CommandLine::ProcessParameterFile(const std::string& path) {
    const std::string existing = path::resolveExisting(path);
    std::ifstream file(existing, std::ios::binary);
    if (!file) {
        if (mShowMessage) {
            mShowMessage("Parameter file not found.", "Unable to open parameter file:\r\n\r\n" +
                                                          path + "\r\n\r\nProcessing will halt.");
        }
        mStop = Stop::ParameterFile;
        return false;
    }
    std::error_code error;
    const std::string identity = std::filesystem::weakly_canonical(existing, error).string();
    if (std::ranges::find(mOpenParameterFiles, identity) != mOpenParameterFiles.end()) {
        return usageError("the parameter file " + path + " names itself through -p");
    }
    const std::string content = encoding::decodeText(
        std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
    mOpenParameterFiles.push_back(identity);
    const bool result = processParameterLines(content);
    mOpenParameterFiles.pop_back();
    return result;
}

bool CommandLine::processParameterLines(std::string_view content) {
    bool result = true;
    std::size_t start = 0;
    while (result && start < content.size()) {
        // Lines end at CR LF, CR or LF: files written on Linux end their lines with LF.
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = content.size();
        }
        const std::string_view line =
            text::trim(std::string_view(content).substr(start, end - start));
        start = end + (content.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty()) {
            continue;
        }
        std::vector<std::string> tokens = splitAtBlanks(line);
        JoinQuotedArguments(tokens);
        for (std::size_t index = 0; result && index < tokens.size();) {
            ProcessOption(tokens, index, result);
        }
    }
    return result;
}

void CommandLine::AddSpecificationFile(std::string_view name) {
    const std::string_view trimmed = text::trim(name);
    if (!trimmed.empty()) {
        mSpecificationFiles.push_back(path::fullPath(trimmed));
    }
}

std::string CommandLine::UsageText() {
    return "Usage: kivrun [options] [specification files]\n"
           "\n"
           "Runs the steps of package specifications pass after pass and appends a processing\n"
           "report. Options take a '-' or '/' prefix and are not case-sensitive.\n"
           "\n"
           "  -i FILE                 add a specification file (a bare FILE does the same)\n"
           "  -run | -norun           start the run by itself and end afterwards, or not\n"
           "  -singlestep             pause after every step\n"
           "  -debugfile FILE         write the debug log to FILE\n"
           "  -report FILE            append the processing report to FILE\n"
           "  -e NAME=VALUE           define a substitution variable $(NAME)\n"
           "  -srcserver, -dstserver, -srcuser, -dstuser, -srcpassword, -dstpassword,\n"
           "  -srcdatabase, -dstdatabase VALUE\n"
           "                          set SourceServer, DestinationServer, ... for $(...)\n"
           "  -p FILE                 read further options from a parameter file\n"
           "  -console                run in the terminal without a window\n"
           "  -quiet, --quiet         no progress on standard error\n"
           "  -summary FILE, --summary FILE\n"
           "                          write a JSON summary of the run to FILE\n"
           "  -check, --check         check the packages without writing anything and end\n"
           "  -version, --version     print the version and end\n"
           "  -help, --help, -h, -?   print this text and end\n"
           "\n"
           "Exit status: 0 every step succeeded (or nothing was run), 1 a step failed, was not\n"
           "processed or stayed unknown, the run was cancelled or -check found problems,\n"
           "2 the command line could not be processed.\n";
}

}  // namespace kiv
