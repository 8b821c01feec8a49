#!/usr/bin/env bash
# The update engine as the launcher runs it (bench_update_engine: the program
# window, the GUI timers, the DownloadWindow, the loop turned by CheckRedraw)
# against the usual tools on the same data, over nginx on loopback:
#   big     one 512 MB file: the engine's fetch against curl
#   small   2000 files of 4 KB: the engine against one curl process fetching
#           them on one kept connection, and with MaxConnections 1 against
#           curl with one connection per file
#   digest  the digest pass over 2000 files of 256 KB and one of 1 GB, warm
#           cache, against md5sum over the same files; pump passes per second
#   latency 200 files of 4 KB through a relay that gives a 50 ms and a 100 ms
#           round trip (bench/latency_relay.py): the engine with its default
#           connections and with MaxConnections 1, against curl keeping one
#           connection and curl --parallel --parallel-max 4 (RTTS="50" for
#           one round trip only)
#           (LAT_FILES="200 2000" the file counts)
#   link    one 64 MB file through the relay at 50 ms and 200 Mbit/s
#   redirect 200 files of 4 KB each reached through a 302 against the same
#           fetched directly, both by the engine
#   wait    CPU over 10 s with a transfer stalled by the server, and idle
#   patch   ApplyPatch of a 1 GB file: MB/s and the peak of RssAnon
#
#   bench/update_engine_vs_curl.sh [BUILD_DIR] [PART...]   (default: build, all parts)
#
# RUNS pairs of each comparison (default 5) after one warm-up; times are whole
# processes, so the engine's start-up (window, skin) is included; the engine's
# own figures (its loop alone) are printed beside them. Data is generated in a
# temporary folder under $BENCH_TMP (default /tmp), removed at the end; it
# needs about 5 GB. Not a test: it never fails on timing.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
shift || true
parts="${*:-big small latency link digest wait patch}"
engine="$build/bench/bench_update_engine"
tool="$build/quorvel-tool"
runs=${RUNS:-5}
for f in "$engine" "$tool"; do [ -x "$f" ] || { echo "missing $f" >&2; exit 1; }; done
for p in curl md5sum python3; do command -v $p >/dev/null || { echo "$p is not installed" >&2; exit 1; }; done
. "$here/bench/nginx_loopback.sh"
. "$here/bench/timing.sh"
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy} SDL_AUDIODRIVER=dummy

work="$(mktemp -d "${BENCH_TMP:-/tmp}/quorvel-engine-XXXXXX")"
fault_pid=""
relay_pid=""
cleanup() {
  stop_nginx
  [ -z "$relay_pid" ] || { kill "$relay_pid" 2>/dev/null || true; wait "$relay_pid" 2>/dev/null || true; }
  [ -z "$fault_pid" ] || { kill "$fault_pid" 2>/dev/null || true; wait "$fault_pid" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
# The latency relay in front of nginx: start_relay RTT_MS [RATE_MBIT] sets $relay.
start_relay() {
  python3 "$here/bench/latency_relay.py" 0 "${NGINX_URL##*:}" "$@" >"$work/relay.port" &
  relay_pid=$!
  for _ in $(seq 100); do grep -q ready "$work/relay.port" && break; sleep 0.05; done
  relay="http://127.0.0.1:$(cut -d' ' -f2 "$work/relay.port")/"
}
stop_relay() { kill "$relay_pid"; wait "$relay_pid" 2>/dev/null || true; relay_pid=""; }
mkdir -p "$work/www" "$work/out" "$work/curl"
start_nginx "$work/www" "$work/nginx"
url="$NGINX_URL/"
export OUT_A="$work/engine.out"

for part in $parts; do
  case $part in
  big)
    head -c $((512 * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
    echo big.bin >"$work/big.names"
    compare "one 512 MB file: engine / curl" "$runs" "rm -f $work/out/big.bin $work/curl/big.bin" \
      engine "$engine fetch $url $work/out $work/big.names" \
      curl "curl -s -o $work/curl/big.bin ${url}big.bin"
    "$engine" fetch "$url" "$work/out" "$work/big.names" >/dev/null
    cmp -s "$work/www/big.bin" "$work/out/big.bin" || { echo "the engine fetched a different file" >&2; exit 1; }
    echo "  engine loop alone: MB/s $(field_stats "$OUT_A" mb_per_s), passes/s $(field_stats "$OUT_A" passes_per_s)"
    rm -f "$work/www/big.bin" "$work/out/big.bin" "$work/curl/big.bin"
    ;;
  small)
    mkdir -p "$work/www/small" "$work/out/small"
    : >"$work/small.names"; : >"$work/small.curl"
    for i in $(seq 0 1999); do
      head -c 4096 /dev/urandom >"$work/www/small/$i.bin"
      echo "small/$i.bin" >>"$work/small.names"
      printf 'url = "%ssmall/%d.bin"\noutput = "%s/curl/%d.bin"\n' "$url" "$i" "$work" "$i" >>"$work/small.curl"
    done
    # One curl process keeping one connection, and one with a new connection
    # for every file (the server closes each) as MaxConnections 1 has.
    compare "2000 files of 4 KB: engine / curl keep-alive" "$runs" "rm -rf $work/out/small/* $work/curl/*.bin" \
      engine "$engine fetch $url $work/out $work/small.names" \
      curl "curl -s -K $work/small.curl"
    compare "2000 files of 4 KB: engine MaxConnections 1 / curl closing each" "$runs" \
      "rm -rf $work/out/small/* $work/curl/*.bin" \
      engine "BENCH_MAX_CONNECTIONS=1 $engine fetch $url $work/out $work/small.names" \
      curl "curl -s -H 'Connection: close' -K $work/small.curl"
    echo "  engine loop alone: files/s $(field_stats "$OUT_A" files_per_s), passes/s $(field_stats "$OUT_A" passes_per_s)"
    rm -rf "$work/www/small" "$work/out/small" "$work/curl"/*.bin
    ;;
  latency)
    for n in ${LAT_FILES:-200 2000}; do
      mkdir -p "$work/www/small" "$work/out/small"
      for i in $(seq 0 $((n - 1))); do head -c 4096 /dev/urandom >"$work/www/small/$i.bin"; echo "small/$i.bin"; done \
        >"$work/lat.names"
      for rtt in ${RTTS:-50 100}; do
        start_relay "$rtt"
        : >"$work/lat.curl"
        for i in $(seq 0 $((n - 1))); do
          printf 'url = "%ssmall/%d.bin"\noutput = "%s/curl/%d.bin"\n' "$relay" "$i" "$work" "$i" >>"$work/lat.curl"
        done
        reset="rm -rf $work/out/small/* $work/curl/*.bin"
        compare "$n x 4 KB at $rtt ms: engine / curl --parallel-max 4" "$runs" "$reset" \
          engine "$engine fetch $relay $work/out $work/lat.names" \
          curl "curl -s --parallel --parallel-max 4 -K $work/lat.curl"
        compare "$n x 4 KB at $rtt ms: engine / curl keep-alive" "$runs" "$reset" \
          engine "$engine fetch $relay $work/out $work/lat.names" curl "curl -s -K $work/lat.curl"
        if [ "$n" -le 200 ]; then
          compare "$n x 4 KB at $rtt ms: engine MaxConnections 1 / curl keep-alive" "$runs" "$reset" \
            engine "BENCH_MAX_CONNECTIONS=1 $engine fetch $relay $work/out $work/lat.names" \
            curl "curl -s -K $work/lat.curl"
        fi
        stop_relay
      done
      rm -rf "$work/www/small" "$work/out/small" "$work/curl"/*.bin
    done
    ;;
  link)
    # One 64 MB file over a 50 ms, 200 Mbit/s link.
    head -c $((64 * 1024 * 1024)) /dev/urandom >"$work/www/link.bin"
    echo link.bin >"$work/link.names"
    start_relay 50 200
    compare "64 MB at 50 ms, 200 Mbit/s: engine / curl" "$runs" "rm -f $work/out/link.bin $work/curl/link.bin" \
      engine "$engine fetch $relay $work/out $work/link.names" curl "curl -s -o $work/curl/link.bin ${relay}link.bin"
    stop_relay
    rm -f "$work/www/link.bin"
    ;;
  redirect)
    mkdir -p "$work/www/small" "$work/out/small"
    for i in $(seq 0 199); do head -c 4096 /dev/urandom >"$work/www/small/$i.bin"; echo "small/$i.bin"; done \
      >"$work/redir.names"
    compare "200 x 4 KB: engine through a 302 / engine direct" "$runs" "rm -rf $work/out/small/*" \
      redirected "$engine fetch ${url}moved/ $work/out $work/redir.names" \
      direct "$engine fetch $url $work/out $work/redir.names"
    rm -rf "$work/www/small" "$work/out/small"
    ;;
  digest)
    mkdir -p "$work/game/data"
    for i in $(seq 0 1999); do head -c $((256 * 1024)) /dev/urandom >"$work/game/data/f$i.dat"; done
    head -c $((1024 * 1024 * 1024)) /dev/urandom >"$work/game/big.dat"
    (cd "$work/game" && find . -type f -printf '%P\0' | sort -z >"$work/game.names0" &&
      xargs -0 -a "$work/game.names0" md5sum >"$work/game.md5")
    compare "digest pass, 2000 x 256 KB + 1 GB, warm: engine / md5sum" "$runs" "true" \
      engine "$engine digest $work/game $work/game.md5" \
      md5sum "cd $work/game && xargs -0 -a $work/game.names0 md5sum >/dev/null"
    echo "  engine loop alone: wall s $(field_stats "$OUT_A" wall_s), pump passes/s $(field_stats "$OUT_A" passes_per_s)," \
      "presents $(field_stats "$OUT_A" presents)"
    rm -rf "$work/game"
    ;;
  wait)
    python3 "$here/tests/support/fault_server.py" "$work/fault.port" "$work/fault.log" &
    fault_pid=$!
    for _ in $(seq 100); do [ -s "$work/fault.port" ] && break; sleep 0.05; done
    fault_url="http://127.0.0.1:$(cat "$work/fault.port")/"
    for r in $(seq 3); do "$engine" wait "$fault_url" stall 10 >>"$work/stall.out"; done
    for r in $(seq 3); do "$engine" wait - - 10 >>"$work/idle.out"; done
    echo "== CPU over 10 s (3 runs each; getrusage of the engine) =="
    echo "  transfer stalled by the server: cpu % $(field_stats "$work/stall.out" cpu_pct), passes/s $(field_stats "$work/stall.out" passes_per_s)"
    echo "  idle, nothing queued          : cpu % $(field_stats "$work/idle.out" cpu_pct), passes/s $(field_stats "$work/idle.out" passes_per_s)"
    grep -q "transfer=stalled" "$work/stall.out" || echo "  (the stalled transfer ended early: see $work/stall.out)"
    kill "$fault_pid"; wait "$fault_pid" 2>/dev/null || true; fault_pid=""
    ;;
  patch)
    mkdir -p "$work/inst"
    head -c $((1024 * 1024 * 1024)) /dev/urandom >"$work/old.dat"
    # The new file: the old one with 40 insertions, overwrites and deletions.
    python3 - "$work/old.dat" "$work/new.dat" <<'PY'
import os, random, sys
rng = random.Random(3)
data = bytearray(open(sys.argv[1], "rb").read())
for _ in range(40):
    p = rng.randrange(len(data) - 20000); n = rng.randrange(1, 16384); op = rng.randrange(3)
    if op == 0: data[p:p] = os.urandom(n)
    elif op == 1: data[p:p + n] = os.urandom(n)
    else: del data[p:p + n]
open(sys.argv[2], "wb").write(data)
PY
    s=$(now_s); "$tool" patch make "$work/old.dat" "$work/new.dat" "$work/p.pat" >/dev/null; e=$(now_s)
    echo "== ApplyPatch of a 1 GB file ($runs runs) =="
    echo "  patch made in $(calc "$e - $s") s, $(stat -c %s "$work/p.pat") bytes"
    size=$(stat -c %s "$work/new.dat")
    digest=$(md5sum <"$work/new.dat" | cut -c1-32)
    : >"$work/patch.out"
    for r in $(seq "$runs"); do
      # ApplyPatch consumes the patch and replaces the target: links keep the originals.
      ln -f "$work/old.dat" "$work/inst/game.dat"; ln -f "$work/p.pat" "$work/inst/game.pat"
      "$engine" patch "$work/inst" game.dat game.pat "$digest" "$size" >>"$work/patch.out"
    done
    cmp -s "$work/inst/game.dat" "$work/new.dat" || { echo "the patched file differs" >&2; exit 1; }
    echo "  ApplyPatch (digest of the old file, decode, digest of the result): MB/s $(field_stats "$work/patch.out" mb_per_s)"
    echo "  peak RssAnon MB $(field_stats "$work/patch.out" rss_anon_peak_kb 0.001), VmHWM MB $(field_stats "$work/patch.out" vm_hwm_kb 0.001)"
    echo "  decode alone (quorvel-tool patch apply, whole files in memory):" \
      "$("$tool" patch apply "$work/old.dat" "$work/p.pat" "$work/out/new.dat" --size "$size")"
    rm -f "$work/old.dat" "$work/new.dat" "$work/p.pat" "$work/out/new.dat"; rm -rf "$work/inst"
    ;;
  *) echo "unknown part $part" >&2; exit 1 ;;
  esac
done
