#!/usr/bin/env bash
# Makes the fuzz targets' seed corpora from the test fixtures:
#   fuzz/seed_corpus.sh OUT_DIR
# writes OUT_DIR/dbf_table_fuzzer/ (every fixture table, with its memo file
# appended the way the target reads it, and every damaged table) and
# OUT_DIR/ini_file_fuzzer/ (settings files of the shapes hosts leave).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out=${1:?usage: fuzz/seed_corpus.sh OUT_DIR}
dbf="$out/dbf_table_fuzzer"
ini="$out/ini_file_fuzzer"
mkdir -p "$dbf" "$ini"

# The mark between the table and its memo file, then the extension byte
# (0: .DBT, 1: .FPT), as dbf_table_fuzzer.cpp splits its input.
memo_mark=$'\xF0MEMO\xF0'

seed_table() {  # seed_table TABLE_FILE NAME
  local table=$1 name=$2 stem=${1%.*} memo=
  for ext in dbt DBT fpt FPT; do
    [ -f "$stem.$ext" ] && memo="$stem.$ext" && break
  done
  if [ -z "$memo" ]; then
    cp "$table" "$dbf/$name"
  else
    local kind=$'\x00'
    case "$memo" in *.fpt | *.FPT) kind=$'\x01' ;; esac
    { cat "$table"; printf '%s' "$memo_mark"; printf '%s' "$kind"; cat "$memo"; } >"$dbf/$name"
  fi
}

for f in "$root"/tests/fixtures/tables/*.dbf "$root"/tests/fixtures/damaged/*.dbf \
  "$root"/tests/fixtures/damaged/*.DBF; do
  [ -f "$f" ] || continue
  seed_table "$f" "$(basename "$(dirname "$f")")_$(basename "$f")"
done

printf '[Transformadores]\r\nTransformado=0\r\n' >"$ini/plain"
printf '[Transformadores]\nTransformado=1\n' >"$ini/lf"
printf '\xEF\xBB\xBF; Orbalis\r\n[General]\r\nRuta=c:\\otemp\r\n\r\n[transformadores]\r\n  transformado = 1 ; hecho\r\nOtro=2\r\n\r\n[Final]\r\nX=1' >"$ini/host"
printf '[General]\r\nRuta=c:\\otemp' >"$ini/no_section_no_newline"
printf '[Transformadores]' >"$ini/header_only"
printf '' >"$ini/empty"
printf '[Transformadores\r\nTransformado=1\r\n[ Transformadores ]\r\n;Transformado=1\r\n=\r\n' >"$ini/odd"
