#!/usr/bin/env bash
# The text-engine-to-SQLite path against sqlite3's own .import of the same file into the
# same table, at 100,000 and 1,000,000 rows.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for rows in 100000 1000000; do
    mkdir -p "$work/in"
    "$here/generate_csv.sh" "$rows" "$work/in/data.csv"
    rm -f "$work/import.db" "$work/kiv.db"
    sqlite3 "$work/import.db" < "$here/schema.sql"
    sqlite3 "$work/kiv.db" < "$here/schema.sql"
    start=$(date +%s.%N)
    sqlite3 "$work/import.db" ".import --csv --skip 1 $work/in/data.csv bench"
    import=$(echo "$(date +%s.%N) - $start" | bc)
    result=$("$build/db_scan_insert" "$work/in" data.csv "$work/kiv.db")
    kiv=$(echo "$result" | awk '{print $4}')
    peak=$(echo "$result" | awk '{print $6}')
    loaded=$(sqlite3 "$work/kiv.db" "SELECT count(*) FROM bench")
    printf 'db_scan_insert rows=%d  kiv=%.2fs  sqlite3 .import=%.2fs  ratio=%.2f  peak=%.1f MB  loaded=%d\n' \
        "$rows" "$kiv" "$import" "$(echo "$kiv / $import" | bc -l)" "$(echo "$peak / 1024" | bc -l)" "$loaded"
done
