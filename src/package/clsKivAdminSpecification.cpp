#include "package/clsKivAdminSpecification.h"

#include <charconv>
#include <optional>

#include "base/Text.h"

namespace kiv {

namespace {

constexpr std::string_view kLimitVersion = "1.0.0";
constexpr std::string_view kNotFound = "<<Not Found>>";
constexpr std::string_view kSource = "clsKivAdminSpecification";

// The dot-separated parts of a version as 16-bit numbers; nothing when a part is no number.
std::optional<std::vector<std::int16_t>> versionParts(std::string_view version) {
    std::vector<std::int16_t> parts;
    for (std::string_view part : text::split(version, '.')) {
        part = text::trim(part);
        std::int16_t number = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), number);
        if (part.empty() || error != std::errc() || end != part.data() + part.size()) {
            return std::nullopt;
        }
        parts.push_back(number);
    }
    return parts;
}

std::string framed(std::string_view label, std::string_view written, std::string_view value) {
    return std::string(label) + "'" + std::string(written) +
           "'  (After environment substitution: '" + std::string(value) + "')";
}

}  // namespace

clsKivAdminSpecification::clsKivAdminSpecification()
    : msFileType(FileTypeName(ksftUnknown)), mclsErrorMessages(std::make_shared<clsMessages>()) {
    mFormatVersion.Assign(kLimitVersion, nullptr);
}

clsKivAdminSpecification::~clsKivAdminSpecification() { mEnvironmentSubscription.reset(); }

std::string clsKivAdminSpecification::FileTypeName(std::int32_t type) {
    return type == ksftPackageSpecification
               ? "Kiv Package Specification"
               : "File Type Unknown (Value = " + text::decimal(type) + ")";
}

void clsKivAdminSpecification::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    mclsErrorMessages->DebugLog(mclsDebugLog);
}

void clsKivAdminSpecification::Environment(std::shared_ptr<clsEnvironmentVariables> environment) {
    mEnvironmentSubscription.reset();
    mclsEnvironment = std::move(environment);
    if (mclsEnvironment) {
        mEnvironmentSubscription = mclsEnvironment->Changed.subscribe(
            [this](const std::string& name) { mclsEnvironment_Changed(name); });
    }
    recompute();
}

bool clsKivAdminSpecification::LoadSpecification(clsINIFile* reader) {
    if (reader == nullptr) {
        return false;
    }
    reader->sSectionName("Administration");
    reader->sDefault(std::string(kNotFound));
    msFileType = reader->sItemValue("FileType");
    mFormatVersion.Assign(reader->sItemValue("FormatVersion"), nullptr);
    mPackageName.Assign(reader->sItemValue("PackageName"), nullptr);
    recompute();
    return validate();
}

void clsKivAdminSpecification::KivSpecFileType(std::int32_t value) {
    menumFileType = value == ksftPackageSpecification ? ksftPackageSpecification : ksftUnknown;
    msFileType = FileTypeName(menumFileType);
    validate();
}

void clsKivAdminSpecification::FormatVersion(std::string_view value) {
    mFormatVersion.Assign(value, mclsEnvironment.get());
    validate();
}

void clsKivAdminSpecification::PackageName(std::string_view value) {
    mPackageName.Assign(value, mclsEnvironment.get());
    validate();
}

void clsKivAdminSpecification::mclsEnvironment_Changed(const std::string&) { recompute(); }

void clsKivAdminSpecification::recompute() {
    const clsEnvironmentVariables* environment = mclsEnvironment.get();
    const std::string fileType =
        environment ? environment->ReplaceEnvironmentVariables(msFileType) : msFileType;
    menumFileType = text::toLower(text::trim(fileType)) == "kiv package specification"
                        ? ksftPackageSpecification
                        : ksftUnknown;
    mFormatVersion.Recompute(environment);
    mPackageName.Recompute(environment);
}

void clsKivAdminSpecification::Invalid(const std::string& text) {
    mbIsValid = false;
    mclsErrorMessages->Add(kMsgError, kSource, 0, -1, text);
}

bool clsKivAdminSpecification::validate() {
    mbIsValid = true;
    mclsErrorMessages->Clear();
    if (menumFileType != ksftPackageSpecification) {
        Invalid("Kiv File Type is not recognized.");
    }
    const auto version = versionParts(FormatVersion());
    if (!version) {
        Invalid("Kiv Spec Version '" + FormatVersion() + "' is not a version number.");
    } else {
        checkVersion(*version);
    }
    if (PackageName().empty()) {
        Invalid("Package Name was not specified.");
    }
    return mbIsValid;
}

bool clsKivAdminSpecification::checkVersion(const std::vector<std::int16_t>& version) {
    const std::vector<std::int16_t> limit = *versionParts(kLimitVersion);
    for (std::size_t i = 0; i < version.size(); ++i) {
        if (i < limit.size() && version[i] < limit[i]) {
            Invalid("Kiv Spec Version is prior to minimum version: " + std::string(kLimitVersion));
            break;
        }
    }
    for (std::size_t i = 0; i < version.size(); ++i) {
        if (i >= limit.size()) {
            Invalid("Kiv Spec Version is newer than maximum version: " +
                    std::string(kLimitVersion));
            continue;
        }
        if (version[i] > limit[i]) {
            Invalid("Kiv Spec Version is newer than maximum version: " +
                    std::string(kLimitVersion));
            break;
        }
    }
    return mbIsValid;
}

void clsKivAdminSpecification::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr) {
        return;
    }
    log->WriteLog(framed("File Type:       ", msFileType, FileTypeName(menumFileType)));
    log->WriteLog(framed("Format Version:  ", mFormatVersion.Written(), mFormatVersion.Value()));
    log->WriteLog(framed("Package Name:    ", mPackageName.Written(), mPackageName.Value()));
    log->WriteLog("Admin Messages:  ");
    log->IncrementIndent();
    if (mclsErrorMessages) {
        mclsErrorMessages->Dump(log);
    } else {
        log->WriteLog("Message Collection is << Nothing >>");
    }
    log->DecrementIndent();
}

}  // namespace kiv
