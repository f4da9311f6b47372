#!/bin/sh
# SharedData.sh NM OUT OBJECT...: writes OUT, the linker's dynamic list of the
# data a shared library must share with the other modules of the process:
# every data symbol its objects define and export (variables, static
# members, function-local statics and their guard variables, inline
# variables) but virtual tables, VTTs, construction tables and type info,
# whose copies in several modules are interchangeable. Everything else the
# library uses of its own is bound to its own definition when it is linked
# (see ov_bind_locally in OvLayer.cmake), so a list missing a variable would
# split it in two: any failure stops the link. OUT is rewritten only when
# it changes.
set -eu
nm=$1
out=$2
shift 2
symbols=$out.symbols
trap 'rm -f "$symbols" "$out.tmp"' EXIT
"$nm" -P --defined-only --extern-only "$@" >"$symbols"
{
  echo "{"
  awk 'NF >= 2 && $2 ~ /^[BDGRSuVv]$/ && $1 !~ /^_ZT[CISTV]/ && $1 !~ /^DW\.ref\./ \
       { print "  " $1 ";" }' "$symbols" | LC_ALL=C sort -u
  echo "};"
} >"$out.tmp"
if cmp -s "$out.tmp" "$out"; then
  rm -f "$out.tmp"
else
  mv -f "$out.tmp" "$out"
fi
