#!/usr/bin/env bash
# HTTP download throughput over loopback from nginx: FileDownload (in process
# through bench_http_download, and per process through quorvel-tool fetch)
# against curl fetching the same files, one connection per file.
#
#   bench/http_vs_curl.sh [BUILD_DIR]     (default: build)
#
# Data: one 256 MB file and 2000 files of 4 KB, generated in a temporary
# directory. Prints MB/s for the big file and files/s for the small ones.
set -euo pipefail

BUILD=${1:-build}
BUILD=$(cd "$BUILD" && pwd)
TOOL="$BUILD/quorvel-tool"
BENCH="$BUILD/bench/bench_http_download"
[ -x "$TOOL" ] || { echo "missing $TOOL" >&2; exit 1; }
[ -x "$BENCH" ] || { echo "missing $BENCH" >&2; exit 1; }
. "$(dirname "$0")/nginx_loopback.sh"

WORK=$(mktemp -d /tmp/quorvel-httpbench-XXXXXX)
cleanup() {
  stop_nginx
  rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/www/small" "$WORK/out" "$WORK/curl"
head -c $((256 * 1024 * 1024)) /dev/urandom > "$WORK/www/big.bin"
for i in $(seq 0 1999); do head -c 4096 /dev/urandom > "$WORK/www/small/$i.bin"; done

start_nginx "$WORK/www" "$WORK/nginx"
URL=$NGINX_URL

now() { date +%s.%N; }
# Floating-point arithmetic on one expression (awk, which every system has).
calc() { awk "BEGIN { print $1 }"; }
best() { sort -g | head -1; }
MB=256

echo "== one 256 MB file (best of 3) =="
t_tool=$(for _ in 1 2 3; do rm -rf "$WORK/out"/*; s=$(now); "$TOOL" fetch "$URL/big.bin" big.bin "$WORK/out" --unconditional >/dev/null; e=$(now); calc "$e - $s"; done | best)
cmp -s "$WORK/www/big.bin" "$WORK/out/big.bin" || { echo "quorvel-tool fetched a different file" >&2; exit 1; }
t_curl=$(for _ in 1 2 3; do rm -f "$WORK/curl/big.bin"; s=$(now); curl -s -o "$WORK/curl/big.bin" "$URL/big.bin"; e=$(now); calc "$e - $s"; done | best)
printf "quorvel-tool fetch : %7.1f MB/s (%.3f s)\n" "$(calc "$MB / $t_tool")" "$t_tool"
printf "curl               : %7.1f MB/s (%.3f s)\n" "$(calc "$MB / $t_curl")" "$t_curl"
printf "ratio              : %7.2f\n" "$(calc "$t_curl / $t_tool")"
echo "FileDownload in process (bench_http_download, 3 repetitions):"
QUORVEL_BENCH_URL=$URL QUORVEL_BENCH_DIR=$WORK/out "$BENCH" --benchmark_filter=BigFile 2>/dev/null \
  | grep -E "^BM_BigFile.*(mean|median)" || true
rm -f "$WORK/curl/big.bin" "$WORK/out/big.bin"

echo "== 2000 files of 4 KB, one after another =="
# In process: FileDownload in a loop vs one curl process, a new connection per file.
echo "FileDownload in process (bench_http_download, 3 repetitions):"
QUORVEL_BENCH_URL=$URL QUORVEL_BENCH_DIR=$WORK/out "$BENCH" --benchmark_filter=SmallFiles 2>/dev/null \
  | grep -E "^BM_SmallFiles.*(mean|median)" || true
urls=$(for i in $(seq 0 1999); do printf -- "-o %s/curl/%d.bin %s/small/%d.bin " "$WORK" "$i" "$URL" "$i"; done)
s=$(now); curl -s -H "Connection: close" $urls; e=$(now)
t_curl_in=$(calc "$e - $s")
# Per process: one quorvel-tool / one curl per file.
s=$(now); for i in $(seq 0 1999); do "$TOOL" fetch "$URL/small/$i.bin" "$i.bin" "$WORK/out" --unconditional >/dev/null; done; e=$(now)
t_tool_proc=$(calc "$e - $s")
s=$(now); for i in $(seq 0 1999); do curl -s -o "$WORK/curl/$i.bin" "$URL/small/$i.bin"; done; e=$(now)
t_curl_proc=$(calc "$e - $s")
printf "curl, one process, Connection: close : %7.0f files/s\n" "$(calc "2000 / $t_curl_in")"
printf "quorvel-tool, one process per file   : %7.0f files/s\n" "$(calc "2000 / $t_tool_proc")"
printf "curl, one process per file           : %7.0f files/s\n" "$(calc "2000 / $t_curl_proc")"
