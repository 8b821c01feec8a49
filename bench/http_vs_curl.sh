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
NGINX=$(command -v nginx || echo /usr/sbin/nginx)
[ -x "$NGINX" ] || { echo "nginx is not installed" >&2; exit 1; }

WORK=$(mktemp -d /tmp/quorvel-httpbench-XXXXXX)
NGINX_PID=""
cleanup() {
  if [ -n "$NGINX_PID" ]; then kill "$NGINX_PID" 2>/dev/null || true; wait "$NGINX_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/www/small" "$WORK/out" "$WORK/curl"
head -c $((256 * 1024 * 1024)) /dev/urandom > "$WORK/www/big.bin"
for i in $(seq 0 1999); do head -c 4096 /dev/urandom > "$WORK/www/small/$i.bin"; done

PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat > "$WORK/nginx.conf" <<CONF
worker_processes 1;
daemon off;
master_process off;
pid $WORK/nginx.pid;
error_log $WORK/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $WORK/cb; proxy_temp_path $WORK/pt; fastcgi_temp_path $WORK/ft;
  uwsgi_temp_path $WORK/ut; scgi_temp_path $WORK/st;
  sendfile on;
  default_type application/octet-stream;
  server { listen 127.0.0.1:$PORT; root $WORK/www; }
}
CONF
"$NGINX" -e "$WORK/error.log" -c "$WORK/nginx.conf" -p "$WORK" &
NGINX_PID=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$PORT/small/0.bin" && break; sleep 0.05; done
URL="http://127.0.0.1:$PORT"

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
