#!/usr/bin/env bash
# A whole unattended kivrun process loading a CSV file into a PostgreSQL table through ODBC
# (a SQLServer connection, reaching PostgreSQL's driver under that name), one copy mapping
# per column, against psql's \copy of the same file into the same table, on a private server
# started for the run.
#   load_csv_postgres.sh BUILD      (LOAD_ROWS=100000 for a shorter run)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
if [ -z "${KIV_TEST_PG_USER:-}" ] && [ -z "${KIV_TEST_PG_ERROR:-}" ]; then
    exec "$here/../scripts/with-postgres" "$0" "$@"
fi
[ -z "${KIV_TEST_PG_ERROR:-}" ] || { echo "load_csv_postgres: $KIV_TEST_PG_ERROR" >&2; exit 1; }
rows=${LOAD_ROWS:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

psql() {
    PGPASSWORD=$KIV_TEST_PG_PASSWORD "$KIV_TEST_PG_BIN/psql" -h 127.0.0.1 -U "$KIV_TEST_PG_USER" \
        -d "$KIV_TEST_PG_DATABASE" -qAt -v ON_ERROR_STOP=1 "$@"
}
seconds_since() {
    echo "$(date +%s.%N) - $1" | bc
}

mkdir -p "$work/in"
"$here/generate_csv.sh" "$rows" "$work/in/data.csv"
psql -c "CREATE TABLE bench (id INTEGER, name VARCHAR(40), city VARCHAR(20),
         amount DOUBLE PRECISION, qty INTEGER, joined DATE, code VARCHAR(10), note VARCHAR(40),
         score DOUBLE PRECISION, active INTEGER)"

columns=(id name city amount qty joined code note score active)
{
    printf '[Administration]\nFileType=Kiv Package Specification\nFormatVersion=1.0.0\nPackageName=Bench\n'
    printf '[STEP 1]\nStepName=Load\nStepType=dataload\nSourceConnection=In\nSourceTableName=data.csv\n'
    printf 'TargetConnection=Out\nTargetTableName=bench\nSourceToDestinationColumnMappingSection=Columns\n'
    printf '[Columns]\n'
    for i in "${!columns[@]}"; do
        printf 'SourceColumn_%d=%s\nTargetColumn_%d=%s\n' $((i + 1)) "${columns[$i]}" $((i + 1)) "${columns[$i]}"
    done
    printf '[Data Connection - In]\nDatabaseType=TextFile\nDatabase=%s\n' "$work/in"
    printf '[Data Connection - Out]\nDatabaseType=SQLServer\nServer=127.0.0.1\nDatabase=%s\nUserID=%s\nPassword=%s\n' \
        "$KIV_TEST_PG_DATABASE" "$KIV_TEST_PG_USER" "$KIV_TEST_PG_PASSWORD"
} > "$work/bench.ini"

start=$(date +%s.%N)
psql -c "\\copy bench FROM '$work/in/data.csv' WITH (FORMAT csv, HEADER true)"
copy=$(seconds_since "$start")
copied=$(psql -c "SELECT count(*) FROM bench")
psql -c "TRUNCATE bench"

start=$(date +%s.%N)
/usr/bin/time -f '%M' -o "$work/peak" "$build/kivrun" -console -run "$work/bench.ini" >/dev/null 2>"$work/err" \
    || { cat "$work/err" >&2; exit 1; }
kiv=$(seconds_since "$start")
loaded=$(psql -c "SELECT count(*) FROM bench")

# What kivrun loaded must be what \copy reads from the same file, row for row.
psql -c "CREATE TABLE reference (LIKE bench)"
psql -c "\\copy reference FROM '$work/in/data.csv' WITH (FORMAT csv, HEADER true)"
differing=$(psql -c "SELECT (SELECT count(*) FROM (TABLE bench EXCEPT ALL TABLE reference) a)
                          + (SELECT count(*) FROM (TABLE reference EXCEPT ALL TABLE bench) b)")
printf 'load_csv_postgres rows=%d  kivrun=%.2fs  psql \\copy=%.2fs  ratio=%.2f  peak=%.1f MB  loaded=%d  copied=%d  differing=%d\n' \
    "$rows" "$kiv" "$copy" "$(echo "$kiv / $copy" | bc -l)" "$(echo "$(cat "$work/peak") / 1024" | bc -l)" \
    "$loaded" "$copied" "$differing"
