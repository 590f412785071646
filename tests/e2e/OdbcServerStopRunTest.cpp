#include <filesystem>

#include "RunFixture.h"
#include "db/odbc/PostgresTestDatabase.h"

namespace {

// The helper that runs a command beside a private PostgreSQL server of its own.
std::string withPostgres() {
    return (std::filesystem::path(KIV_SOURCE_DIR) / "scripts" / "with-postgres").string();
}

// Starts a load of many rows, stops the server once the first rows are committed, and
// records kivrun's exit status. The server is a private one, so the tests running beside
// this one keep theirs.
const char* kScript = R"SH(set -u
psql() { PGPASSWORD=$KIV_TEST_PG_PASSWORD "$KIV_TEST_PG_BIN/psql" -h 127.0.0.1 \
    -U "$KIV_TEST_PG_USER" -d "$KIV_TEST_PG_DATABASE" -qAt "$@"; }
stop_server() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd / && runuser -u postgres -- "$KIV_TEST_PG_BIN/pg_ctl" -D "$KIV_TEST_PG_DATA" -m fast -w stop)
    else
        "$KIV_TEST_PG_BIN/pg_ctl" -D "$KIV_TEST_PG_DATA" -m fast -w stop
    fi
}
psql -c "CREATE TABLE big (id int, name varchar(40))" || exit 3
mkdir -p in
awk 'BEGIN { print "id,name"; for (i = 1; i <= 300000; i++) printf "%d,Name %d\n", i, i }' > in/big.csv
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
)SH";

}  // namespace

using OdbcServerStopRunTest = RunFixture;

TEST_F(OdbcServerStopRunTest, AServerStoppedDuringALoadFailsTheStepWithTheDriversMessage) {
    const std::string unavailable = PostgresTestDatabase::unavailable();
    ASSERT_TRUE(unavailable.empty()) << unavailable;
    package("spec.ini", "Stop",
            "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
            "SourceTableName=big.csv\r\nTargetConnection=Pg\r\nTargetTableName=big\r\n"
            "SourceToDestinationColumnMappingSection=Cols\r\n"
            "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=name\r\n"
            "TargetColumn_2=name\r\n"
            "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
            "[Data Connection - Pg]\r\nDatabaseType=SQLServer\r\nServer=127.0.0.1\r\n"
            "Database=$(PgDatabase)\r\nUserID=$(PgUser)\r\nPassword=$(PgPassword)\r\n");
    dir.write("stop.sh", kScript);
    const std::string command = "cd " + dir.path() + " && KIVRUN=" + KIVRUN_PATH + " " +
                                withPostgres() + " sh stop.sh >script.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << TempDir::read(dir.file("script.txt"));
    EXPECT_GT(std::stol("0" + TempDir::read(dir.file("committed.txt"))), 0);
    EXPECT_EQ(TempDir::read(dir.file("status.txt")), "1\n") << TempDir::read(dir.file("err.txt"));
    const std::string report = TempDir::read(dir.file("report.txt"));
    EXPECT_TRUE(std::regex_search(
        report, std::regex("E: \\[Kiv\\]\\[ODBC\\].*(connection lost|terminating connection|"
                           "server closed the connection|could not send data)")))
        << report;
}
