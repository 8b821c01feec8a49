# Sourced by the bench scripts: whole-process timing of two commands in turn
# (A B A B ...), so that a comparison holds while the machine's speed drifts.
#
#   compare TITLE RUNS PREP LABEL_A CMD_A LABEL_B CMD_B
#       one warm-up of each, then RUNS pairs; PREP runs before every command
#       (not timed). Prints min and median of each and of the ratio A/B taken
#       pair by pair. What A prints goes to $OUT_A (one line a run, warm-up
#       excluded), what B prints is thrown away.
#   field_stats FILE KEY [SCALE]
#       min and median of KEY=VALUE over the lines of FILE (times SCALE)
#   now_s, calc EXPR

now_s() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }

# Runs CMD (through bash) appending its output to FILE; prints the wall seconds.
_time_cmd() {
  local cmd=$1 out=$2 s e
  s=$(now_s)
  bash -c "$cmd" >>"$out" 2>>"$out.err" || echo "failed: $cmd (see $out.err)" >&2
  e=$(now_s)
  calc "$e - $s"
}

OUT_A=${OUT_A:-/dev/null}

compare() {
  local title=$1 runs=$2 prep=$3 la=$4 ca=$5 lb=$6 cb=$7 pairs i a b
  pairs=$(mktemp)
  : >"$OUT_A"
  bash -c "$prep"; _time_cmd "$ca" /dev/null >/dev/null
  bash -c "$prep"; _time_cmd "$cb" /dev/null >/dev/null
  for i in $(seq "$runs"); do
    bash -c "$prep"; a=$(_time_cmd "$ca" "$OUT_A")
    bash -c "$prep"; b=$(_time_cmd "$cb" /dev/null)
    echo "$a $b" >>"$pairs"
  done
  python3 - "$title" "$la" "$lb" "$pairs" <<'PY'
import statistics, sys
title, la, lb, path = sys.argv[1:5]
rows = [tuple(map(float, l.split())) for l in open(path) if l.strip()]
a = [r[0] for r in rows]; b = [r[1] for r in rows]; q = [x / y for x, y in rows]
print(f"== {title} ({len(rows)} pairs) ==")
w = max(len(la), len(lb), 3)
print(f"  {la:<{w}}  min {min(a):8.3f} s  median {statistics.median(a):8.3f} s")
print(f"  {lb:<{w}}  min {min(b):8.3f} s  median {statistics.median(b):8.3f} s")
print(f"  {'A/B':<{w}}  min {min(q):8.3f}    median {statistics.median(q):8.3f}")
PY
  rm -f "$pairs"
}

field_stats() {
  python3 - "$@" <<'PY'
import re, statistics, sys
path, key = sys.argv[1], sys.argv[2]
scale = float(sys.argv[3]) if len(sys.argv) > 3 else 1.0
v = [float(m.group(1)) * scale for l in open(path) for m in [re.search(r"\b" + re.escape(key) + r"=([-0-9.]+)", l)] if m]
if v: print(f"min {min(v):.2f} median {statistics.median(v):.2f} (of {len(v)})")
else: print("no values")
PY
}
