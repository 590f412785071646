#!/usr/bin/env bash
# The same load of a CSV file into a SQLite table with and without a reject file (no row is
# bad), alternated RUNS times; prints the best time of each and their ratio.
#   load_with_reject_file.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
rows=${LOAD_ROWS:-1000000}
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/in"
"$here/generate_csv.sh" "$rows" "$work/in/data.csv"
printf 'DatabaseType=SQLite\nDatabase=%s\n' "$work/kiv.db" | "$here/generate_package.sh" "$work/in" > "$work/plain.ini"
sed 's|^TargetTableName=bench|&\nRejectFile='"$work"'/rejects.csv\nMaxRejectedRows=100|' "$work/plain.ini" > "$work/rejects.ini"

best() { sort -n | head -1; }
time_load() {
    rm -f "$work/kiv.db"
    sqlite3 "$work/kiv.db" < "$here/schema.sql"
    local start
    start=$(date +%s.%N)
    "$build/kivrun" -console -run -quiet "$work/$1.ini" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    echo "$(date +%s.%N) - $start" | bc
}
for _ in $(seq "$runs"); do
    time_load plain >> "$work/plain.times"
    time_load rejects >> "$work/rejects.times"
done
plain=$(best < "$work/plain.times")
rejects=$(best < "$work/rejects.times")
printf 'load_with_reject_file rows=%d  without=%.2fs  with RejectFile=%.2fs  ratio=%.3f\n' \
    "$rows" "$plain" "$rejects" "$(echo "$rejects / $plain" | bc -l)"
