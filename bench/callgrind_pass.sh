#!/bin/sh
# The instruction count of one steady-state now-playing pass on the display thread, as
# callgrind counts it: a figure that no other load on the machine disturbs. The benchmark
# program sets its world up and warms it up uncounted, then counts exactly one pass: with the
# testbed's own title, then with a scrolling Japanese title of 60 characters beside a Latin one
# as wide. "the product's own" is what the functions of src/ cost themselves, without the
# stand-in's drawing and the testbed they call.
#
# It runs on one processor: there a thread that waits for another's answer sleeps at once,
# where on several it would watch for the answer for a while, and callgrind, which runs one
# thread at a time, would count that watching as well, more or less at every run.
set -eu
bench=${1:-build/host/bench/velm_bench}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# The first processor the script may run on.
cpu=$(taskset -pc $$ | sed 's/.*: *//; s/[^0-9].*//')

count() {
    taskset -c "$cpu" valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
        "$bench" --callgrind-pass "$1" >/dev/null 2>&1
    total=$(callgrind_annotate "$out" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
    own=$(callgrind_annotate --auto=no --threshold=100 "$out" 2>/dev/null |
        awk '/%\)  (\.\/)?src\// { gsub(",", "", $1); sum += $1 } END { print sum + 0 }')
}

count ""
echo "callgrind: one now-playing pass, $total instructions"
count latin
latin_own=$own
echo "callgrind: the pass with a Latin title as wide as the Japanese, $total instructions, the product's own $own"
count japanese
echo "callgrind: the pass with a Japanese title of 60 characters, $total instructions, the product's own $own" \
    "($(awk -v j="$own" -v l="$latin_own" 'BEGIN { printf "%+.1f %%", (j - l) * 100 / l }') against the Latin)"
