#!/usr/bin/env bash
# Writes a CSV file of ROWS rows (with a header line) to FILE, with the kinds of values users'
# tables hold: whole numbers small and large, texts, decimals, doubles, booleans, dates,
# timestamps and uuids, and empty fields (NULL) in several columns.
#   generate_typed_csv.sh ROWS FILE
set -euo pipefail
awk -v rows="$1" 'BEGIN {
    print "id,big,name,city,amount,score,flag,joined,created,uid,note"
    split("Berlin Paris London Madrid Rome Vienna Oslo Lisbon", cities, " ")
    for (i = 1; i <= rows; i++) {
        amount = i % 11 == 0 ? "" : sprintf("%.2f", (i * 7919) % 10000000 / 100.0)
        flag = i % 13 == 0 ? "" : (i % 2 ? "true" : "false")
        created = i % 17 == 0 ? "" : sprintf("2022-%02d-%02d %02d:%02d:%02d", i % 12 + 1, i % 28 + 1,
                                              i % 24, i % 60, (i * 7) % 60)
        note = i % 5 == 0 ? "" : sprintf("\"note, number %d\"", i)
        printf "%d,%.0f,Customer %d,%s,%s,%.3f,%s,2021-%02d-%02d,%s,%08x-%04x-4%03x-8%03x-%012x,%s\n",
            i, i * 4294967311, i, cities[i % 8 + 1], amount, (i * 31) % 1000 / 7.0, flag,
            i % 12 + 1, i % 28 + 1, created, i, i % 65536, i % 4096, (i * 3) % 4096, i * 97, note
    }
}' > "$2"
