#!/usr/bin/env bash
# A whole unattended kivrun process loading a CSV file into a SQLite table, one copy mapping
# per column, against sqlite3's own .import of the same file into the same table.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
rows=${LOAD_ROWS:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/in"
"$here/generate_csv.sh" "$rows" "$work/in/data.csv"
sqlite3 "$work/import.db" < "$here/schema.sql"
sqlite3 "$work/kiv.db" < "$here/schema.sql"

printf 'DatabaseType=SQLite\nDatabase=%s\n' "$work/kiv.db" | "$here/generate_package.sh" "$work/in" > "$work/bench.ini"

start=$(date +%s.%N)
sqlite3 "$work/import.db" ".import --csv --skip 1 $work/in/data.csv bench"
import=$(echo "$(date +%s.%N) - $start" | bc)

start=$(date +%s.%N)
/usr/bin/time -f '%M' -o "$work/peak" "$build/kivrun" -console -run "$work/bench.ini" >/dev/null 2>"$work/err" \
    || { cat "$work/err" >&2; exit 1; }
kiv=$(echo "$(date +%s.%N) - $start" | bc)
loaded=$(sqlite3 "$work/kiv.db" "SELECT count(*) FROM bench")
printf 'load_csv_sqlite rows=%d  kivrun=%.2fs  sqlite3 .import=%.2fs  ratio=%.2f  peak=%.1f MB  loaded=%d\n' \
    "$rows" "$kiv" "$import" "$(echo "$kiv / $import" | bc -l)" "$(echo "$(cat "$work/peak") / 1024" | bc -l)" "$loaded"
