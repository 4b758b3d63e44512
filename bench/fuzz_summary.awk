# One row of `make fuzz`'s table from a harness's log: libFuzzer's count of the cases it ran
# (-print_final_stats=1) over the wall time the Makefile appended.
/^stat::number_of_executed_units:/ { cases = $2 }
/^fuzz: wall_ns / { wall = $3 / 1e9 }
END {
    if (cases == "" || wall <= 0)
        printf "%-16s %10s %8s %14s\n", h, "?", "?", "?"
    else
        printf "%-16s %10d %8.1f %14.0f\n", h, cases, wall, cases / wall
}
