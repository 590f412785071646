#!/usr/bin/env bash
# Whole unattended kivrun processes loading a CSV file into a PostgreSQL table with the column
# types users' tables have (integer, bigint, text, varchar(n), numeric(12,2), double
# precision, boolean, date, timestamp, uuid; NULLs in several), one copy mapping per column,
# against psql's \copy of the same file into the same table, on a private server started for
# the run. Each path that reaches PostgreSQL is measured: ODBC (a SQLServer connection,
# reaching PostgreSQL's driver under that name) and the PostgreSQL connection type (libpq and
# COPY). Each prints its ratio to \copy, its peak memory and how many rows differ
# from what \copy loaded.
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
"$here/generate_typed_csv.sh" "$rows" "$work/in/data.csv"
columns=(id big name city amount score flag joined created uid note)
psql -c "CREATE TABLE bench (id INTEGER, big BIGINT, name TEXT, city VARCHAR(20),
         amount NUMERIC(12,2), score DOUBLE PRECISION, flag BOOLEAN, joined DATE,
         created TIMESTAMP, uid UUID, note TEXT)"

start=$(date +%s.%N)
psql -c "\\copy bench FROM '$work/in/data.csv' WITH (FORMAT csv, HEADER true)"
copy=$(seconds_since "$start")
copied=$(psql -c "SELECT count(*) FROM bench")
psql -c "ALTER TABLE bench RENAME TO reference"
psql -c "CREATE TABLE bench (LIKE reference)"

# load TYPE: a package loading the file through a connection of that type, run and compared.
load() {
    local type=$1 spec="$work/$1.ini"
    printf 'DatabaseType=%s\nServer=127.0.0.1\nDatabase=%s\nUserID=%s\nPassword=%s\n' \
        "$type" "$KIV_TEST_PG_DATABASE" "$KIV_TEST_PG_USER" "$KIV_TEST_PG_PASSWORD" |
        "$here/generate_package.sh" "$work/in" "${columns[*]}" > "$spec"
    psql -c "TRUNCATE bench"
    local start kiv loaded differing
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/peak" "$build/kivrun" -console -run "$spec" >/dev/null 2>"$work/err" \
        || { cat "$work/err" >&2; exit 1; }
    kiv=$(seconds_since "$start")
    loaded=$(psql -c "SELECT count(*) FROM bench")
    # What kivrun loaded must be what \copy read from the same file, row for row.
    differing=$(psql -c "SELECT (SELECT count(*) FROM (TABLE bench EXCEPT ALL TABLE reference) a)
                              + (SELECT count(*) FROM (TABLE reference EXCEPT ALL TABLE bench) b)")
    printf 'load_csv_postgres %-10s rows=%d  kivrun=%.2fs  psql \\copy=%.2fs  ratio=%.2f  peak=%.1f MB  loaded=%d  copied=%d  differing=%d\n' \
        "$type" "$rows" "$kiv" "$copy" "$(echo "$kiv / $copy" | bc -l)" \
        "$(echo "$(cat "$work/peak") / 1024" | bc -l)" "$loaded" "$copied" "$differing"
}

load SQLServer
load PostgreSQL
