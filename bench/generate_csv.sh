#!/usr/bin/env bash
# Writes a CSV file of ROWS rows and ten columns (with a header line) to FILE.
#   generate_csv.sh ROWS FILE
set -euo pipefail
awk -v rows="$1" 'BEGIN {
    print "id,name,city,amount,qty,joined,code,note,score,active"
    split("Berlin Paris London Madrid Rome Vienna Oslo Lisbon", cities, " ")
    for (i = 1; i <= rows; i++) {
        printf "%d,Customer %d,%s,%.2f,%d,2021-%02d-%02d,C%06d,\"note, number %d\",%.3f,%d\n",
            i, i, cities[i % 8 + 1], (i * 7919) % 100000 / 100.0, i % 1000,
            i % 12 + 1, i % 28 + 1, i % 999983, i, (i * 31) % 1000 / 7.0, i % 2
    }
}' > "$2"
