#!/bin/sh
# How fast the simulator runs the desk: a simulated hour on each of the four screens, with music
# and the full log written to a file, as `velm-sim -e '<screen>; wait 3600000' --log FILE` runs
# it. Each screen runs VELM_BENCH_RUNS times (3 by default); the table gives the median
# simulated seconds per wall second and the wall time of each run.
#
# VELM_BENCH_SIM_MS sets the simulated time each run waits, in milliseconds (3600000, an hour,
# by default): a full hour logs about 565 MB and takes tens of seconds, so a shorter one suits
# trying the script out. The logs go to a temporary folder, each removed once its run is read.
#
# The settings file keeps the playlist and volume screens up (they close 3 s after the last key
# by default), and the log's screen events must show the run staying on the screen it names:
# otherwise the figure would be of the now-playing screen under another name.
set -eu
sim=${1:-build/host/velm-sim}
sim_ms=${VELM_BENCH_SIM_MS:-3600000}
runs=${VELM_BENCH_RUNS:-3}

case $sim_ms in '' | *[!0-9]*) echo "simulated_hour: VELM_BENCH_SIM_MS is not a number of milliseconds: $sim_ms" >&2; exit 2 ;; esac
case $runs in '' | *[!0-9]* | 0) echo "simulated_hour: VELM_BENCH_RUNS is not a count of runs: $runs" >&2; exit 2 ;; esac
if [ ! -x "$sim" ]; then
    echo "simulated_hour: no simulator at $sim" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/ini"
printf '[General]\nLeavePlaylist=0\nLeaveVolume=0\nLeaveSettings=0\n' >"$work/ini/VelmG15.ini"
table="$work/table"
: >"$table"

# Nanoseconds since the epoch; the sub-second part needs GNU date, which Debian has.
now_ns() {
    date +%s%N
}

# Fails unless the run reached screen $1 and never left it: the screen events up to the first
# one that names it may name another (the start is on now playing), none after it may.
stays_on() {
    grep -F '"event":"screen"' "$2" | sed 's/.*"screen":\([0-9]*\).*/\1/' |
        awk -v want="$1" '$1 == want { seen = 1; next } seen { bad = 1 } END { exit !(seen && !bad) }'
}

# One screen, $runs times: $1 its number in the log, $2 its name, $3 the commands that show it.
measure() {
    screen=$1
    name=$2
    go=$3
    walls=""
    i=0
    while [ "$i" -lt "$runs" ]; do
        i=$((i + 1))
        log="$work/$screen-$i.jsonl"
        echo "simulated_hour: $name, run $i of $runs" >&2
        start=$(now_ns)
        "$sim" --ini "$work/ini" -e "${go}wait $sim_ms" --log "$log"
        end=$(now_ns)
        if ! stays_on "$screen" "$log"; then
            echo "simulated_hour: the run left the $name screen (its screen events:)" >&2
            grep -F '"event":"screen"' "$log" | head -n 20 >&2
            exit 1
        fi
        # The simulated time the run took is the quit's, the last event of the log.
        sim_t=$(tail -n 1 "$log" | sed -n 's/^{"t":\([0-9]*\),"event":"quit"}$/\1/p')
        rm -f "$log"
        if [ -z "$sim_t" ]; then
            echo "simulated_hour: the $name log does not end with the quit" >&2
            exit 1
        fi
        walls="$walls $sim_t:$((end - start))"
    done
    printf '%s %s\n' "$name" "$walls" >>"$table"
}

measure 0 "now playing" ""
measure 2 "playlist" "soft 2; "
measure 1 "volume" "soft 3; "
measure 3 "settings" "soft 4; "

echo "velm-sim: $(awk -v ms="$sim_ms" 'BEGIN { printf "%g", ms / 1000 }') simulated s on each screen" \
    "with the full log, $runs runs each"
awk '
BEGIN { printf "%-12s %18s   %s\n", "screen", "sim s / wall s", "wall s of each run" }
{
    # The name may hold a blank: the runs are the fields of the form SIM_MS:WALL_NS.
    name = ""
    n = 0
    for (f = 1; f <= NF; f++) {
        if ($f ~ /^[0-9]+:[0-9]+$/) {
            split($f, p, ":")
            n++
            rate[n] = (p[1] / 1000) / (p[2] / 1e9)
            wall[n] = sprintf("%.1f", p[2] / 1e9)
        } else {
            name = name (name == "" ? "" : " ") $f
        }
    }
    for (a = 1; a <= n; a++)
        for (b = a + 1; b <= n; b++)
            if (rate[b] < rate[a]) { t = rate[a]; rate[a] = rate[b]; rate[b] = t }
    median = n % 2 ? rate[(n + 1) / 2] : (rate[n / 2] + rate[n / 2 + 1]) / 2
    walls = ""
    for (a = 1; a <= n; a++)
        walls = walls (a > 1 ? " " : "") wall[a]
    printf "%-12s %18.1f   %s\n", name, median, walls
}' "$table"
