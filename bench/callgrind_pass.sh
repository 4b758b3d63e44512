#!/bin/sh
# The instruction count of one steady-state now-playing pass on the display thread, as
# callgrind counts it: a figure that no other load on the machine disturbs. The benchmark
# program sets its world up and warms it up uncounted, then counts exactly one pass.
set -eu
bench=${1:-build/host/bench/velm_bench}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
    "$bench" --callgrind-pass >/dev/null 2>&1
total=$(callgrind_annotate "$out" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
echo "callgrind: one now-playing pass, $total instructions"
