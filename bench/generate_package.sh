#!/usr/bin/env bash
# Writes a package that loads data.csv of folder IN into the table bench of the SQLite file
# OUT, one copy mapping per column of generate_csv.sh's files.
#   generate_package.sh IN OUT > package.ini
set -euo pipefail
columns=(id name city amount qty joined code note score active)
printf '[Administration]\nFileType=Kiv Package Specification\nFormatVersion=1.0.0\nPackageName=Bench\n'
printf '[STEP 1]\nStepName=Load\nStepType=dataload\nSourceConnection=In\nSourceTableName=data.csv\n'
printf 'TargetConnection=Out\nTargetTableName=bench\nSourceToDestinationColumnMappingSection=Columns\n'
printf '[Columns]\n'
for i in "${!columns[@]}"; do
    printf 'SourceColumn_%d=%s\nTargetColumn_%d=%s\n' $((i + 1)) "${columns[$i]}" $((i + 1)) "${columns[$i]}"
done
printf '[Data Connection - In]\nDatabaseType=TextFile\nDatabase=%s\n' "$1"
printf '[Data Connection - Out]\nDatabaseType=SQLite\nDatabase=%s\n' "$2"
