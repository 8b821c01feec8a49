#!/usr/bin/env bash
# Patch size and speed of `quorvel-tool patch make` against `xdelta3 -9 -S none`
# on generated pairs of binary files (bench/gen_patch_pair.py), and the decode
# speed of `patch apply`. Every patch is applied and compared with the new file.
#
#   bench/patch_vs_xdelta3.sh [BUILD_DIR]     (default: build)
#
# Encoding times are the best of three runs. Not a test: it never fails on
# timing, only when a patch does not reproduce its file.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
tool="$build/quorvel-tool"
[ -x "$tool" ] || { echo "no $tool (build quorvel-tool first)" >&2; exit 1; }
command -v xdelta3 >/dev/null || { echo "xdelta3 is not installed" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

best_of_3() {  # prints the shortest wall time of three runs of "$@", in seconds
  local best=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    best=$(echo "$t0 $t1 $best" | awk '{d=$2-$1; if ($3=="" || d<$3) print d; else print $3}')
  done
  echo "$best"
}

printf '%-22s %8s %11s %11s %6s %9s %9s %6s %10s\n' pair "MB" "xdelta3 B" "ours B" "ratio" "xd enc s" "our enc s" "speed" "apply MB/s"
for spec in "scattered 1 1" "scattered 5 6" "rebuilt 10 2" "rebuilt 50 5" "scattered 50 3" "reordered 20 4"; do
  set -- $spec
  kind=$1 mb=$2 seed=$3
  old="$work/$kind$mb.old" new="$work/$kind$mb.new"
  python3 "$here/bench/gen_patch_pair.py" "$kind" "$mb" "$seed" "$old" "$new"
  xt=$(best_of_3 xdelta3 -9 -S none -e -f -s "$old" "$new" "$work/p.xd")
  qt=$(best_of_3 "$tool" patch make "$old" "$new" "$work/p.q")
  xs=$(stat -c %s "$work/p.xd")
  qs=$(stat -c %s "$work/p.q")
  size=$(stat -c %s "$new")
  apply=$("$tool" patch apply "$old" "$work/p.q" "$work/out" --size "$size")
  cmp -s "$work/out" "$new" || { echo "$kind $mb: patch does not reproduce the new file" >&2; exit 1; }
  xdelta3 -d -f -s "$old" "$work/p.xd" "$work/out.xd" && cmp -s "$work/out.xd" "$new"
  mbs=$(echo "$apply" | sed -n 's/.*decoded at \([0-9]*\) MB\/s.*/\1/p')
  printf '%-22s %8s %11d %11d %6.2f %9.3f %9.3f %6.2f %10s\n' "$kind seed $seed" "$mb" "$xs" "$qs" \
    "$(echo "$qs $xs" | awk '{print $1/$2}')" "$xt" "$qt" "$(echo "$xt $qt" | awk '{print $1/$2}')" "$mbs"
done
echo "ratio: our size / xdelta3's; speed: xdelta3's encoding time / ours (above 1: faster)"
