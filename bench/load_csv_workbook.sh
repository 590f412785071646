#!/usr/bin/env bash
# A whole unattended kivrun process making a new workbook, .xlsx and .xls, with the sheet
# bench and loading a CSV file of ten columns into it, one copy mapping per column: the time
# and peak memory of each. An .xls sheet takes 65,535 rows below its names at the most.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
rows=${LOAD_ROWS:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/xlsx" "$work/xls"
"$here/generate_csv.sh" "$rows" "$work/xlsx/data.csv"
"$here/generate_csv.sh" "$((rows < 65535 ? rows : 65535))" "$work/xls/data.csv"
create=$(tr '\n' ' ' < "$here/schema.sql")

for kind in xlsx xls; do
    book="$work/bench.$kind"
    {
        printf 'DatabaseType=MSExcel\nDatabase=%s\n' "$book" | "$here/generate_package.sh" "$work/$kind" |
            sed -e 's/^\[STEP 1\]$/[STEP 2]/' -e 's/^StepName=Load$/StepName=Load\nPrerequisiteTarget_1=Make/'
        printf '[STEP 1]\nStepName=Make\nStepType=custom sql\nTargetConnection=Out\nSQLStatement=%s\n' "$create"
    } > "$work/$kind.ini"
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/peak" "$build/kivrun" -console -run "$work/$kind.ini" >/dev/null 2>"$work/err" \
        || { cat "$work/err" >&2; exit 1; }
    kiv=$(echo "$(date +%s.%N) - $start" | bc)
    printf 'load_csv_workbook .%s rows=%d  kivrun=%.2fs  peak=%.1f MB  file=%.1f MB\n' \
        "$kind" "$(($(wc -l < "$work/$kind/data.csv") - 1))" "$kiv" "$(echo "$(cat "$work/peak") / 1024" | bc -l)" \
        "$(echo "$(stat -c %s "$book") / 1048576" | bc -l)"
done
