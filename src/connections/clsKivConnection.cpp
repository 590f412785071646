#include "connections/clsKivConnection.h"

#include <algorithm>

#include "base/Path.h"
#include "base/Text.h"
#include "connections/CatalogListing.h"
#include "connections/PasswordMask.h"
#include "db/ConnectString.h"
#include "db/Error.h"
#include "db/odbc/OdbcConnectString.h"

namespace kiv {

namespace {

constexpr std::string_view kSectionPrefix = "Data Connection - ";
constexpr std::string_view kNoEnvToAdd = "<<No Env to Add>>";

std::string stateName(long state) {
    switch (state) {
        case db::adStateClosed:
            return "adStateClosed";
        case db::adStateOpen:
            return "adStateOpen";
        case db::adStateConnecting:
            return "adStateConnecting";
        case db::adStateExecuting:
            return "adStateExecuting";
        case db::adStateFetching:
            return "adStateFetching";
        default:
            return "Unknown State";
    }
}

const char* boolText(bool value) {
    return value ? "True" : "False";
}

// True or False in any letter case, or a number; nothing for any other text.
std::optional<bool> parseFlag(std::string_view text) {
    return Variant(text).tryToBool();
}

std::string quoted(std::string_view label, std::string_view value) {
    return std::string(label) + "'" + std::string(value) + "'";
}

std::string substituted(std::string_view label, std::string_view written, std::string_view value) {
    return std::string(label) + "'" + std::string(written) +
           "'  (After environment substitution: '" + std::string(value) + "')";
}

}  // namespace

clsKivConnection::clsKivConnection() {
    reset();
}

clsKivConnection::~clsKivConnection() {
    CloseConnection();
    mEnvironmentSubscription.reset();
}

void clsKivConnection::reset() {
    CloseConnection();
    msName.clear();
    msDatabaseTypeText = "Unknown";
    menumKivConnectionType = kctUnknown;
    for (SubstitutedText* text :
         {&mServerName, &mDatabaseName, &mUserID, &mPassword, &mReadOnlyText}) {
        text->Assign("", nullptr);
    }
    mPrimaryInputText.Assign("False", nullptr);
    mbPrimaryInputDataSource = false;
    mbReadOnlyMode = false;
    miDataSetCount = -1;
    miDataSetIndex = 0;
    mclsErrorMessages = std::make_shared<clsMessages>();
    mclsDebugLog.reset();
    mADOConnection = std::make_shared<db::Connection>();
    mclsAfterOpening = std::make_unique<clsEnvironmentVariables>();
    mEnvironmentSubscription.reset();
    mclsEnvironment.reset();
    mrcdCatalog.reset();
    mrcdTableStructure.reset();
    recompute();
}

void clsKivConnection::Environment(std::shared_ptr<clsEnvironmentVariables> environment) {
    mEnvironmentSubscription.reset();
    mclsEnvironment = std::move(environment);
    if (mclsEnvironment) {
        mEnvironmentSubscription = mclsEnvironment->Changed.subscribe(
            [this](const std::string& name) { mclsEnvironment_Changed(name); });
    }
    recompute();
}

void clsKivConnection::PrimaryInputDataSource(bool value) {
    mbPrimaryInputDataSource = value;
    mPrimaryInputText.Assign(boolText(value), mclsEnvironment.get());
}

void clsKivConnection::setWritten(SubstitutedText& text, std::string_view value) {
    if (value != text.Written()) {
        CloseConnection();
    }
    text.Assign(value, mclsEnvironment.get());
}

void clsKivConnection::Password(std::string_view value) {
    setWritten(mPassword, value);
}
void clsKivConnection::UserID(std::string_view value) {
    setWritten(mUserID, value);
}
void clsKivConnection::DatabaseName(std::string_view value) {
    setWritten(mDatabaseName, value);
}
void clsKivConnection::ServerName(std::string_view value) {
    setWritten(mServerName, value);
}

void clsKivConnection::KivConnectionType(KivConnectionTypeEnum value) {
    if (value != menumKivConnectionType) {
        CloseConnection();
    }
    menumKivConnectionType = value;
    msDatabaseTypeText = KivConnectionTypeName(value);
}

void clsKivConnection::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    if (mclsErrorMessages) {
        mclsErrorMessages->DebugLog(mclsDebugLog);
    }
}

std::string clsKivConnection::CloseConnection() {
    if (!IsOpen()) {
        return {};
    }
    try {
        mADOConnection->Close();
    } catch (const db::Error& error) {
        return MaskPassword(error.Description(), Password());
    } catch (const std::exception& error) {
        return MaskPassword(error.what(), Password());
    }
    return {};
}

bool clsKivConnection::IsOpen() const {
    return mADOConnection && mADOConnection->State() != db::adStateClosed;
}

std::string clsKivConnection::NotDefinedText() const {
    return "Connection '" + msName + "' is not defined: the specification file has no section [" +
           std::string(kSectionPrefix) + msName + "].";
}

bool clsKivConnection::LoadSpecification(clsINIFile* reader, std::string_view name) {
    if (reader == nullptr) {
        return false;
    }
    CloseConnection();
    reader->sSectionName(std::string(kSectionPrefix) + std::string(name));
    reader->sDefault("");
    msName = std::string(name);
    mbDefined = reader->SectionExists();
    msDatabaseTypeText = reader->sItemValue("DatabaseType");
    mPrimaryInputText.Assign(
        reader->sItemValue("PrimaryInputDataSource", clsINIFile::ParamNotSupplied,
                           clsINIFile::ParamNotSupplied, "False"),
        nullptr);
    mServerName.Assign(reader->sItemValue("Server"), nullptr);
    mDatabaseName.Assign(reader->sItemValue("Database"), nullptr);
    mUserID.Assign(reader->sItemValue("UserID"), nullptr);
    mPassword.Assign(reader->sItemValue("Password"), nullptr);
    mReadOnlyText.Assign(reader->sItemValue("ReadOnlyMode", clsINIFile::ParamNotSupplied,
                                            clsINIFile::ParamNotSupplied, "False"),
                         nullptr);
    reader->sDefault(std::string(kNoEnvToAdd));
    mclsAfterOpening->Clear();
    for (int n = 1;; ++n) {
        const std::string stem = "AfterOpeningEnvVar_" + text::decimal(n);
        const std::string pairName = reader->sItemValue(stem + "_Name");
        const std::string pairValue = reader->sItemValue(stem + "_Value");
        if (pairName == kNoEnvToAdd || pairValue == kNoEnvToAdd) {
            break;
        }
        mclsAfterOpening->Add(pairName, pairValue);
    }
    recompute();
    return true;
}

void clsKivConnection::recompute() {
    const clsEnvironmentVariables* environment = mclsEnvironment.get();
    const std::string typeText = environment
                                     ? environment->ReplaceEnvironmentVariables(msDatabaseTypeText)
                                     : msDatabaseTypeText;
    menumKivConnectionType = ParseKivConnectionType(typeText);
    for (SubstitutedText* text :
         {&mServerName, &mDatabaseName, &mUserID, &mPassword, &mPrimaryInputText, &mReadOnlyText}) {
        text->Recompute(environment);
    }
    mbPrimaryInputDataSource =
        parseFlag(mPrimaryInputText.Value()).value_or(mbPrimaryInputDataSource);
    mbReadOnlyMode = parseFlag(mReadOnlyText.Value()).value_or(mbReadOnlyMode);
}

void clsKivConnection::mclsEnvironment_Changed(const std::string&) {
    recompute();
}

std::int16_t clsKivConnection::CountMatchingDataSets() {
    if (miDataSetCount == -1) {
        miDataSetIndex = 0;
        if (mbPrimaryInputDataSource && IsFileDatabaseType(menumKivConnectionType)) {
            listPatternFiles();
            miDataSetCount =
                static_cast<std::int16_t>(std::min<std::size_t>(mPatternFiles.size(), INT16_MAX));
        } else {
            miDataSetCount = 1;
        }
    }
    return miDataSetCount;
}

void clsKivConnection::listPatternFiles() {
    const std::string folder = path::directoryOf(path::withSlashes(DatabaseName()));
    msPatternFolder = folder.empty() ? "./" : (folder == "/" ? "/" : folder + "/");
    mPatternFiles = path::listMatchingFiles(DatabaseName());
}

std::string clsKivConnection::chooseFile() {
    if (!mbPrimaryInputDataSource) {
        miDataSetIndex = 1;
        return path::withSlashes(DatabaseName());
    }
    if (miDataSetIndex == 0) {
        listPatternFiles();
    }
    if (static_cast<std::size_t>(miDataSetIndex) >= mPatternFiles.size()) {
        return {};
    }
    return msPatternFolder + mPatternFiles[static_cast<std::size_t>(miDataSetIndex++)];
}

std::string clsKivConnection::buildConnectString(bool forWriting) {
    CountMatchingDataSets();
    const std::string& database = DatabaseName();
    std::string connectString;
    switch (menumKivConnectionType) {
        case kctTextFile:
            msCurrentDatabaseName = database;
            connectString = "Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" +
                            db::odbc::OdbcConnectString::asValue(database) +
                            ";DefaultDir=" + db::odbc::OdbcConnectString::asValue(database) + ";";
            if (!UserID().empty()) {
                connectString += "UID=" + db::odbc::OdbcConnectString::braced(UserID()) + ";";
            }
            if (!Password().empty()) {
                connectString += "PWD=" + db::odbc::OdbcConnectString::braced(Password()) + ";";
            }
            break;
        case kctSQLServer:
            msCurrentDatabaseName = database;
            connectString =
                "Driver={SQL Server};Server=" + db::odbc::OdbcConnectString::braced(ServerName()) +
                ";Database=" + db::odbc::OdbcConnectString::braced(database) +
                ";UID=" + db::odbc::OdbcConnectString::braced(UserID()) +
                ";PWD=" + db::odbc::OdbcConnectString::braced(Password()) + ";";
            break;
        case kctODBC:
            msCurrentDatabaseName = database;
            connectString = database.find('=') != std::string::npos
                                ? database
                                : "DSN=" + db::odbc::OdbcConnectString::asValue(database) + ";";
            if (!UserID().empty()) {
                connectString += "UID=" + db::odbc::OdbcConnectString::braced(UserID()) + ";";
            }
            if (!Password().empty()) {
                connectString += "PWD=" + db::odbc::OdbcConnectString::braced(Password()) + ";";
            }
            break;
        case kctPostgreSQL:
            msCurrentDatabaseName = database;
            connectString = "Provider=PostgreSQL;Server={" + ServerName() + "};Database={" +
                            database + "};UID={" + UserID() + "};PWD={" + Password() + "};";
            break;
        case kctMSAccess:
        case kctMSExcel:
        case kctHTMLImport:
        case kctSQLite: {
            const std::string file = chooseFile();
            msCurrentDatabaseName = file;
            if (file.empty()) {
                break;
            }
            if (menumKivConnectionType == kctSQLite) {
                connectString = "Provider=SQLite;Data Source=" + db::ConnectString::asValue(file);
                if (!forWriting) {
                    connectString += ";FailIfMissing=True";
                }
            } else if (menumKivConnectionType == kctHTMLImport) {
                connectString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                db::ConnectString::asValue(file) +
                                ";Extended Properties=\"HTML Import;HDR=NO;\"";
            } else {
                connectString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                db::ConnectString::asValue(file);
                if (menumKivConnectionType == kctMSExcel) {
                    connectString += ";Extended Properties=Excel 8.0;";
                }
            }
            break;
        }
        default:
            break;
    }
    msOpeningConnectString = connectString;
    return connectString;
}

bool clsKivConnection::OpenConnection() {
    return open(false);
}

bool clsKivConnection::OpenConnectionForWriting() {
    return open(true);
}

bool clsKivConnection::open(bool forWriting) {
    if (IsOpen()) {
        return true;
    }
    if (!mADOConnection) {
        mADOConnection = std::make_shared<db::Connection>();
    }
    msOpenFailure.clear();
    const std::string connectString = buildConnectString(forWriting);
    if (connectString.empty()) {
        msOpenFailure = "no connect string can be made from its settings (connection type '" +
                        msDatabaseTypeText + "', database '" +
                        MaskPassword(MaskConnectStringPassword(mDatabaseName.Value()), Password()) +
                        "')";
        return false;
    }
    std::string failure;
    mADOConnection->Errors().Clear();
    mADOConnection->Mode(mbReadOnlyMode ? db::adModeRead : db::adModeReadWrite);
    try {
        mADOConnection->Open(connectString, "", "", -1);
    } catch (const db::Error& error) {
        failure = error.Description();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (!failure.empty()) {
        msOpenFailure = MaskPassword(MaskConnectStringPassword(failure), Password());
        if (mclsErrorMessages) {
            mclsErrorMessages->Add(
                kMsgError, "Open Connection", -1, -1,
                "Failed to Open Data Source Connection: Reason- '" + msOpenFailure + "'");
        }
    }
    const bool opened = IsOpen();
    publishOpening(opened);
    return opened;
}

void clsKivConnection::publishOpening(bool opened) {
    if (!mclsEnvironment) {
        return;
    }
    const std::string entry = msName + "-CurrentDatabase";
    mclsEnvironment->Remove(entry);
    if (!opened) {
        return;
    }
    mclsEnvironment->Publish(entry, path::withSlashes(msCurrentDatabaseName));
    for (const auto& pair : *mclsAfterOpening) {
        mclsEnvironment->Add(pair->MappingName(),
                             mclsEnvironment->ReplaceEnvironmentVariables(pair->MappingValue()));
    }
    ConnectionOpened.raise();
}

std::shared_ptr<db::Recordset> clsKivConnection::CatalogRecordset() {
    if (OpenConnection()) {
        mrcdCatalog = CatalogListing::Catalog(mADOConnection, menumKivConnectionType);
    }
    return mrcdCatalog;
}

std::shared_ptr<db::Recordset> clsKivConnection::TableStructureRecordset(std::string_view table) {
    if (OpenConnection()) {
        mrcdTableStructure =
            CatalogListing::TableStructure(mADOConnection, menumKivConnectionType, table);
    }
    return mrcdTableStructure;
}

void clsKivConnection::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr || !log->IsLogActive()) {
        return;
    }
    const std::string typeNumber = text::decimal(menumKivConnectionType);
    const auto maskedWritten = mPassword.Written().empty() ? "" : kMaskedPassword;
    const auto maskedValue = mPassword.Value().empty() ? "" : kMaskedPassword;
    log->WriteLog(quoted("Connection Name:          ", msName));
    log->WriteLog(substituted("Primary Input Connection: ", mPrimaryInputText.Written(),
                              boolText(mbPrimaryInputDataSource)));
    log->WriteLog(substituted("Connection Type:          ", msDatabaseTypeText, typeNumber));
    // A server, database or user setting may be a whole connect string with a password in it.
    const auto masked = [this](const SubstitutedText& setting) {
        return std::pair{MaskPassword(MaskConnectStringPassword(setting.Written()), Password()),
                         MaskPassword(MaskConnectStringPassword(setting.Value()), Password())};
    };
    const auto [serverWritten, serverValue] = masked(mServerName);
    const auto [databaseWritten, databaseValue] = masked(mDatabaseName);
    const auto [userWritten, userValue] = masked(mUserID);
    log->WriteLog(substituted("Server Name:              ", serverWritten, serverValue));
    log->WriteLog(substituted("Database Name:            ", databaseWritten, databaseValue));
    log->WriteLog(substituted("User ID:                  ", userWritten, userValue));
    log->WriteLog(substituted("Password:                 ", maskedWritten, maskedValue));
    log->WriteLog(substituted("Read Only Mode:           ", mReadOnlyText.Written(),
                              boolText(mbReadOnlyMode)));
    log->WriteLog(
        quoted("Opening Connect Str:      ", MaskConnectStringPassword(msOpeningConnectString)));
    log->WriteLog("Connection Information:");
    log->IncrementIndent();
    dumpConnectionInformation(*log);
    log->DecrementIndent();
    log->WriteLog("Connection Messages:");
    log->IncrementIndent();
    if (mclsErrorMessages) {
        mclsErrorMessages->Dump(log);
    } else {
        log->WriteLog("Message Collection is << Nothing >>");
    }
    log->DecrementIndent();
}

void clsKivConnection::dumpConnectionInformation(clsDebugLog& log) const {
    if (!mADOConnection) {
        log.WriteLog("ADO Connection Object is << Nothing >>");
        return;
    }
    const db::Connection& connection = *mADOConnection;
    log.WriteLog(quoted("ADO Connection Version: ", connection.Version()));
    log.WriteLog("Connection State:       '" + stateName(connection.State()) + "' (" +
                 text::decimal(connection.State()) + ")");
    log.WriteLog(quoted("Provider:               ", connection.Provider()));
    log.WriteLog(quoted("Crnt Connection String: ",
                        MaskConnectStringPassword(connection.ConnectionString())));
    log.WriteLog(quoted("Command Timeout:        ", text::decimal(connection.CommandTimeout())));
    log.WriteLog("Errors:");
    log.IncrementIndent();
    if (connection.Errors().Count() == 0) {
        log.WriteLog("<< No errors to report >>");
    }
    long i = 0;
    for (const auto& error : connection.Errors()) {
        log.WriteLog(text::decimal(++i) + ":");
        log.IncrementIndent();
        log.WriteLog(quoted("Source:       ", error->Source()));
        log.WriteLog(quoted("SQLState:     ", error->SQLState()));
        log.WriteLog(quoted("Native Error: ", text::decimal(error->NativeError())));
        log.WriteLog(
            quoted("Description:  ",
                   MaskPassword(MaskConnectStringPassword(error->Description()), Password())));
        log.WriteLog("");
        log.DecrementIndent();
    }
    log.DecrementIndent();
}

}  // namespace kiv
