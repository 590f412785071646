#include "db/access/AccessQueryViews.h"

#include <sqlite3.h>

#include <map>
#include <optional>
#include <string>

#include "base/Text.h"
#include "db/access/AccessQueryTranslator.h"
#include "db/access/AccessSqlError.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/AccessVirtualTable.h"
#include "db/sqlite/SqliteDatabase.h"

namespace kiv::db::access {

namespace {

constexpr std::string_view NoSuchColumn = "no such column: ";

std::string refusal(const std::string& query, const std::string& reason) {
    return "The query " + query + " of the Access database cannot be opened as data: " + reason;
}

// Why a query that does not return rows by itself cannot be read.
std::string whyNoRows(const AccessQuery& query) {
    if (!query.parameters.empty()) {
        std::string names;
        for (const std::string& parameter : query.parameters) {
            names += (names.empty() ? "" : ", ") + parameter;
        }
        return "it asks for the parameters " + names + ", which cannot be given here.";
    }
    return "it is an action query, which returns no rows.";
}

// SQLite's words for a failure of the view, in the words of a query's author.
std::string whyUnreadable(const std::string& message) {
    if (text::istartsWith(message, NoSuchColumn)) {
        return "it names " + message.substr(NoSuchColumn.size()) +
               ", which is no column of the tables it reads (Access would ask for it as a "
               "parameter).";
    }
    return message;
}

class Maker {
public:
    Maker(sqlite::SqliteDatabase& database, AccessSchema& schema,
          const std::vector<AccessQuery>& queries)
        : database_(database), schema_(schema) {
        for (const AccessQuery& query : queries) {
            byName_.emplace(text::toLower(query.name), &query);
        }
    }

    void run() {
        for (const auto& [key, query] : byName_) {
            make(*query);
        }
        // SQLite takes a name in double quotes that names no column for a text; checked so,
        // a name a query cannot resolve would read as that text without a word.
        const bool quotedTexts = doubleQuotedTexts(-1);
        doubleQuotedTexts(0);
        for (const auto& name : order_) {
            check(*byName_.at(name));
        }
        doubleQuotedTexts(quotedTexts ? 1 : 0);
    }

private:
    enum class State { Making, Made, Refused };

    // Makes the queries a query reads first, so its view is checked after theirs.
    void make(const AccessQuery& query) {
        const std::string key = text::toLower(query.name);
        if (states_.count(key) != 0) {
            return;
        }
        states_[key] = State::Making;
        if (!query.returnsRows()) {
            refuse(query, whyNoRows(query));
            return;
        }
        for (const AccessQuery::Source& source : query.sources) {
            const auto read = byName_.find(text::toLower(source.name));
            if (read == byName_.end()) {
                continue;
            }
            make(*read->second);
            if (states_[read->first] == State::Making) {
                refuse(query, "it reads itself through the query " + read->second->name + ".");
                return;
            }
        }
        std::string sql;
        try {
            sql = "CREATE VIEW temp." + AccessSqlTranslator::name(query.name) + " AS " +
                  AccessQueryTranslator::translate(query);
        } catch (const AccessSqlError& unknown) {
            refuse(query, std::string("it uses ") + unknown.what() +
                              ", which has no translation from Access SQL here.");
            return;
        }
        if (sqlite3_exec(database_.handle(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            refuse(query, std::string("its translation to SQLite SQL fails: ") +
                              sqlite3_errmsg(database_.handle()));
            return;
        }
        states_[key] = State::Made;
        order_.push_back(key);
    }

    // Prepares a statement on the view, which finds every name it cannot resolve.
    void check(const AccessQuery& query) {
        for (const AccessQuery::Source& source : query.sources) {
            const auto read = states_.find(text::toLower(source.name));
            if (read != states_.end() && read->second == State::Refused) {
                replace(query, "it reads the query " + source.name + ", which cannot be opened.");
                return;
            }
        }
        const std::string sql = "SELECT * FROM temp." + AccessSqlTranslator::name(query.name);
        sqlite3_stmt* statement = nullptr;
        const int code =
            sqlite3_prepare_v2(database_.handle(), sql.c_str(), -1, &statement, nullptr);
        sqlite3_finalize(statement);
        if (code != SQLITE_OK) {
            replace(query, whyUnreadable(sqlite3_errmsg(database_.handle())));
        }
    }

    // Sets whether statements take double-quoted names for texts (-1 leaves it); gives the
    // setting in force.
    bool doubleQuotedTexts(int allow) {
        int now = 0;
        sqlite3_db_config(database_.handle(), SQLITE_DBCONFIG_DQS_DML, allow, &now);
        return now != 0;
    }

    void replace(const AccessQuery& query, const std::string& reason) {
        const std::string sql = "DROP VIEW temp." + AccessSqlTranslator::name(query.name);
        const int code = sqlite3_exec(database_.handle(), sql.c_str(), nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) {
            throw database_.error(code, "HY000", sqlite3_errmsg(database_.handle()));
        }
        refuse(query, reason);
    }

    void refuse(const AccessQuery& query, const std::string& reason) {
        states_[text::toLower(query.name)] = State::Refused;
        schema_.queries[text::toLower(query.name)] = refusal(query.name, reason);
        AccessVirtualTable::create(database_, query.name);
    }

    sqlite::SqliteDatabase& database_;
    AccessSchema& schema_;
    std::map<std::string, const AccessQuery*> byName_;
    std::map<std::string, State> states_;
    std::vector<std::string> order_;
};

}  // namespace

void AccessQueryViews::make(sqlite::SqliteDatabase& database, AccessSchema& schema,
                            const std::vector<AccessQuery>& queries) {
    Maker(database, schema, queries).run();
}

}  // namespace kiv::db::access
