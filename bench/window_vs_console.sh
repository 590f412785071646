#!/usr/bin/env bash
# The same unattended load (2,000,000 CSV rows into SQLite) in the window and in the terminal:
# the window's progress must not slow the row loop down. The window runs on a virtual X
# server when xvfb-run is there, otherwise on Qt's offscreen platform.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
rows=${WINDOW_ROWS:-2000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/in"
"$here/generate_csv.sh" "$rows" "$work/in/data.csv"
printf 'DatabaseType=SQLite\nDatabase=%s\n' "$work/kiv.db" | "$here/generate_package.sh" "$work/in" > "$work/bench.ini"

fresh() { rm -f "$work/kiv.db"; sqlite3 "$work/kiv.db" < "$here/schema.sql"; }
seconds() {
    local start
    start=$(date +%s.%N)
    "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    echo "$(date +%s.%N) - $start" | bc
}

fresh
console=$(seconds env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/kivrun" -console -run "$work/bench.ini")
fresh
if command -v xvfb-run >/dev/null; then
    window=$(seconds xvfb-run -a "$build/kivrun" -run "$work/bench.ini")
    platform=xvfb
else
    window=$(seconds env QT_QPA_PLATFORM=offscreen "$build/kivrun" -run "$work/bench.ini")
    platform=offscreen
fi
loaded=$(sqlite3 "$work/kiv.db" "SELECT count(*) FROM bench")
printf 'window_vs_console rows=%d  window(%s)=%.2fs  console=%.2fs  ratio=%.2f  loaded=%d\n' \
    "$rows" "$platform" "$window" "$console" "$(echo "$window / $console" | bc -l)" "$loaded"
