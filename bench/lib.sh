# Helpers shared by bench/run and bench/peer: medians, fields, ratios and the report line.
# shellcheck shell=bash
# shellcheck disable=SC2154 # build comes from bench/run

# median: the median of the numbers on standard input, one a line.
median() { sort -g | awk '{v[NR] = $1} END {if (NR == 0) exit 1; if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# quantile Q: the Q-quantile (0..1, nearest rank) of the numbers on standard input.
quantile() { sort -g | awk -v q="$1" '{v[NR] = $1} END {if (NR == 0) exit 1; r = int(q * NR + 0.999999); if (r < 1) r = 1; if (r > NR) r = NR; print v[r]}'; }
# field NAME: the value of NAME=VALUE in the line on standard input.
field() { tr ' ' '\n' | awk -F= -v k="$1" '$1 == k {print $2}'; }
# col NAME FILE: the median of NAME over the lines of FILE.
col() { while read -r line; do field "$1" <<<"$line"; done <"$2" | median; }
# pair_ratio NAME FILE-A FILE-B [NAME-B]: the median over runs of A's NAME / B's NAME (or NAME-B),
# line by line: each run of A is compared with the run of B beside it in time.
pair_ratio() {
    paste -d '\n' "$2" "$3" | while read -r a && read -r b; do
        awk -v x="$(field "$1" <<<"$a")" -v y="$(field "${4:-$1}" <<<"$b")" 'BEGIN {if (y > 0) printf "%.6f\n", x / y}'
    done | median | awk '{printf "%.3f", $1}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", (b > 0 ? a / b : 0)}'; }
# met VALUE OP LIMIT: yes or no.
met() { awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN {ok = (op == "<=") ? v <= l : v >= l; print ok ? "yes" : "no"}'; }
# report NAME VALUE BASELINE-TEXT GOAL-OP GOAL-LIMIT
report() {
    printf '%s: %s   baseline: %s   goal: %s %s   met: %s\n' "$1" "$2" "$3" "$4" "$5" "$(met "$2" "$4" "$5")"
}
# info NAME VALUE BASELINE-TEXT: a figure with a baseline and no goal.
info() { printf '%s: %s   baseline: %s\n' "$1" "$2" "$3"; }
probe() { "$build/bench/xprobe" "$@"; }
