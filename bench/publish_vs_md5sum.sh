#!/usr/bin/env bash
# quorvel-tool publish on a generated game against the usual tools on the
# same files:
#   1. a game of FILES files, GIB GiB in all: publish (copy and digest every
#      file, write the lists) against md5sum over the same files and cp -r;
#   2. 200 of its files changed (insertions, overwrites, deletions): publish
#      with the first release as --previous, and the bytes of its patches
#      against xdelta3 -9 -S none for the same pairs.
#
#   bench/publish_vs_md5sum.sh [BUILD_DIR] [FILES] [GIB]   (default: build 5000 2)
#
# CHANGED (default 200, at most FILES) sets how many files the second release
# changes.
# Times are min and median of five runs (hyperfine). Data lives in a
# temporary folder that is removed at the end. Not a test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
files="${2:-5000}"
gib="${3:-2}"
changed="${CHANGED:-200}"
[ "$changed" -le "$files" ] || changed=$files
tool="$build/quorvel-tool"
[ -x "$tool" ] || { echo "no $tool (build quorvel-tool first)" >&2; exit 1; }
for p in hyperfine xdelta3 python3; do command -v $p >/dev/null || { echo "$p is not installed" >&2; exit 1; }; done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 - "$work/game" "$files" "$gib" <<'PY'
import os, random, sys
root, count, gib = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
rng = random.Random(5)
sizes = [2 ** rng.uniform(10, 20.2) for _ in range(count)]
scale = gib * 1024 ** 3 / sum(sizes)
for i, s in enumerate(sizes):
    d = os.path.join(root, "d%02d" % (i % 50))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%04d.dat" % i), "wb") as f:
        f.write(os.urandom(max(1, int(s * scale))))
PY

hyperfine -r 5 -w 1 --export-json "$work/1.json" \
  -n publish "$tool publish $work/game $work/rel --no-launcher" \
  -n md5sum "find $work/game -type f -print0 | xargs -0 md5sum >/dev/null" \
  -n cp "rm -rf $work/cp && cp -r $work/game $work/cp"

"$tool" publish "$work/game" "$work/rel1" --no-launcher >/dev/null 2>&1
cp -al "$work/game" "$work/game2"
python3 - "$work/game2" "$work/changed.txt" "$changed" <<'PY'
import os, random, sys
root, listing, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
rng = random.Random(9)
names = sorted(os.path.join(dp, f) for dp, _, fs in os.walk(root) for f in fs)
with open(listing, "w") as out:
    for n in rng.sample(names, count):
        data = bytearray(open(n, "rb").read())
        for _ in range(3):
            p = rng.randrange(max(1, len(data)))
            op = rng.randrange(3)
            if op == 0: data[p:p] = os.urandom(100)
            elif op == 1: data[p:p + 1000] = os.urandom(1000)
            else: del data[p:p + 500]
        os.unlink(n)  # the copy is hard-linked: never write through the link
        open(n, "wb").write(data)
        out.write(os.path.relpath(n, root) + "\n")
PY
hyperfine -r 5 -w 1 --export-json "$work/2.json" -n "publish --previous" \
  "$tool publish $work/game2 $work/rel2 --no-launcher --previous $work/rel1 --json >$work/summary.json 2>&1"
cat "$work/summary.json"

# Min and median of every command timed above, and publish / md5sum.
python3 - "$work/1.json" "$work/2.json" <<'PY'
import json, sys
times = {}
for path in sys.argv[1:]:
    for r in json.load(open(path))["results"]:
        times[r["command"]] = r
        print(f"{r['command']:<20} min {r['min']:8.3f} s  median {r['median']:8.3f} s")
if "publish" in times and "md5sum" in times:
    print(f"publish / md5sum     min {times['publish']['min'] / times['md5sum']['min']:8.2f}    "
          f"median {times['publish']['median'] / times['md5sum']['median']:8.2f}")
PY

ours=0 theirs=0
while read -r name; do
  xdelta3 -e -9 -S none -f -s "$work/game/$name" "$work/game2/$name" "$work/x.vcdiff"
  "$tool" patch make "$work/game/$name" "$work/game2/$name" "$work/q.pat" >/dev/null
  theirs=$((theirs + $(stat -c %s "$work/x.vcdiff")))
  ours=$((ours + $(stat -c %s "$work/q.pat")))
done < "$work/changed.txt"
echo "patch bytes for the $changed pairs: quorvel-tool $ours, xdelta3 -9 -S none $theirs"
