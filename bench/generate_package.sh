#!/usr/bin/env bash
# Writes a package that loads data.csv of folder IN into the table bench of the connection
# Out, one copy mapping per column named in COLUMNS (those of generate_csv.sh's files when
# left out). The lines of the section [Data Connection - Out] come from standard input.
#   generate_package.sh IN [COLUMNS] < out-connection-lines > package.ini
set -euo pipefail
read -r -a columns <<< "${2:-id name city amount qty joined code note score active}"
printf '[Administration]\nFileType=Kiv Package Specification\nFormatVersion=1.0.0\nPackageName=Bench\n'
printf '[STEP 1]\nStepName=Load\nStepType=dataload\nSourceConnection=In\nSourceTableName=data.csv\n'
printf 'TargetConnection=Out\nTargetTableName=bench\nSourceToDestinationColumnMappingSection=Columns\n'
printf '[Columns]\n'
for i in "${!columns[@]}"; do
    printf 'SourceColumn_%d=%s\nTargetColumn_%d=%s\n' $((i + 1)) "${columns[$i]}" $((i + 1)) "${columns[$i]}"
done
printf '[Data Connection - In]\nDatabaseType=TextFile\nDatabase=%s\n' "$1"
printf '[Data Connection - Out]\n'
cat
