#include <filesystem>
#include <regex>
#include <string>

#include "db/odbc/PostgresTestDatabase.h"
#include "e2e/RunFixture.h"

namespace {

// The helper that runs a command beside a private PostgreSQL server of its own.
std::string withPostgres() {
    return (std::filesystem::path(KIV_SOURCE_DIR) / "scripts" / "with-postgres").string();
}

// Starts a load of many rows, stops the server once the first rows are committed (in the
// way $STOP names: fast, the server closing its connections, or immediate, the server going
// away as if killed), records kivrun's exit status, starts the server again and counts the
// rows that arrived. The server is a private one, so the tests running beside this one keep
// theirs.
const char* kScript = R"SH(set -u
psql() { PGPASSWORD=$KIV_TEST_PG_PASSWORD "$KIV_TEST_PG_BIN/psql" -h 127.0.0.1 \
    -U "$KIV_TEST_PG_USER" -d "$KIV_TEST_PG_DATABASE" -qAt "$@"; }
pg_ctl() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd / && runuser -u postgres -- "$KIV_TEST_PG_BIN/pg_ctl" -D "$KIV_TEST_PG_DATA" "$@")
    else
        "$KIV_TEST_PG_BIN/pg_ctl" -D "$KIV_TEST_PG_DATA" "$@"
    fi
}
stop_server() { pg_ctl -m "$STOP" -w stop; }
start_server() {
    pg_ctl -l "$KIV_TEST_PG_DATA/restart.log" -w -t 30 \
        -o "-p $PGPORT -k $(dirname "$KIV_TEST_PG_DATA") -c listen_addresses=127.0.0.1" start
}
psql -c "CREATE TABLE big (id int, name varchar(40))" || exit 3
mkdir -p in
# Enough rows that the load is still under way when the server stops, however fast it goes.
awk 'BEGIN { print "id,name"; for (i = 1; i <= 1500000; i++) printf "%d,Name %d\n", i, i }' > in/big.csv
timeout 120 "$KIVRUN" -console -run -report report.txt -e PgDatabase="$KIV_TEST_PG_DATABASE" \
    -e PgUser="$KIV_TEST_PG_USER" -e PgPassword="$KIV_TEST_PG_PASSWORD" spec.ini >out.txt 2>err.txt &
run=$!
tries=0
until [ "$(psql -c 'SELECT count(*) FROM big')" -gt 0 ] 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -lt 600 ] || break
    sleep 0.1
done
psql -c 'SELECT count(*) FROM big' > committed.txt
stop_server
wait $run
echo $? > status.txt
start_server >/dev/null || exit 4
psql -c 'SELECT count(*) FROM big' > arrived.txt
)SH";

}  // namespace

// A server that goes away in the middle of a load fails the step, saying that the connection
// was lost, to which server, and the driver's own text, whichever statement met the loss.
class ServerLost : public RunFixture {
protected:
    // The report of a load through a connection of type `type` during which the server was
    // stopped in the way `stop` names.
    std::string reportAfter(const std::string& stop, const std::string& type);
};

std::string ServerLost::reportAfter(const std::string& stop, const std::string& type) {
    std::filesystem::remove(dir.file("report.txt"));
    package("spec.ini", "Stop",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
            "SourceTableName=big.csv\r\nTargetConnection=Pg\r\nTargetTableName=big\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=name\r\n"
            "TargetColumn_2=name\r\n"
            "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
            "[Data Connection - Pg]\r\nDatabaseType=" +
                type +
                "\r\nServer=127.0.0.1\r\n"
                "Database=$(PgDatabase)\r\nUserID=$(PgUser)\r\nPassword=$(PgPassword)\r\n");
    dir.write("stop.sh", kScript);
    const std::string command = "cd " + dir.path() + " && STOP=" + stop + " KIVRUN=" + KIVRUN_PATH +
                                " " + withPostgres() + " sh stop.sh >script.txt 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << TempDir::read(dir.file("script.txt"));
    EXPECT_GT(std::stol("0" + TempDir::read(dir.file("committed.txt"))), 0);
    EXPECT_EQ(TempDir::read(dir.file("status.txt")), "1\n") << TempDir::read(dir.file("err.txt"));
    return TempDir::read(dir.file("report.txt"));
}

TEST_F(ServerLost, AServerStoppedOrKilledDuringALoadFailsTheStepSayingTheConnectionWasLost) {
    const std::regex lost("E: .*The connection to the server 127\\.0\\.0\\.1 was lost: .+");
    const std::string unavailable = PostgresTestDatabase::unavailable();
    ASSERT_TRUE(unavailable.empty()) << unavailable;
    const std::regex failedAt("\\(source row ([0-9]+)\\)");
    for (const std::string type : {"SQLServer", "PostgreSQL"}) {
        for (const std::string stop : {"fast", "immediate"}) {
            SCOPED_TRACE(type + ", " + stop);
            const std::string report = reportAfter(stop, type);
            EXPECT_TRUE(std::regex_search(report, lost)) << report;
            EXPECT_NE(report.find("Processing Status: Processing Failed"), std::string::npos)
                << report;
            std::smatch row;
            ASSERT_TRUE(std::regex_search(report, row, failedAt)) << report;
            // A clean stop keeps every row committed (the test server does not wait for the
            // disk, so a killed one may lose the last ones). Through ODBC the rows since the
            // last commit are gone, as the report says; through libpq every COPY before the
            // one the loss met has committed: exactly the rows before the row reported.
            const long before = std::stol(row[1].str()) - 1;
            const long arrived = std::stol("0" + TempDir::read(dir.file("arrived.txt")));
            if (stop == "fast" && type == "PostgreSQL") {
                EXPECT_EQ(arrived, before) << report;
            } else {
                EXPECT_LE(arrived, before) << report;
            }
        }
    }
}
