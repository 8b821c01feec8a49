# Sourced by the bench scripts: nginx serving a folder on a free loopback
# port, stopped when the script exits.
#
#   start_nginx ROOT SCRATCH    sets NGINX_URL (http://127.0.0.1:PORT) and NGINX_PID
#   stop_nginx

start_nginx() {
  local root=$1 scratch=$2 nginx port
  nginx=$(command -v nginx || echo /usr/sbin/nginx)
  [ -x "$nginx" ] || { echo "nginx is not installed" >&2; return 1; }
  mkdir -p "$scratch"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  cat > "$scratch/nginx.conf" <<CONF
worker_processes 1;
daemon off;
master_process off;
pid $scratch/nginx.pid;
error_log $scratch/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $scratch/cb; proxy_temp_path $scratch/pt; fastcgi_temp_path $scratch/ft;
  uwsgi_temp_path $scratch/ut; scgi_temp_path $scratch/st;
  sendfile on;
  default_type application/octet-stream;
  # /moved/NAME answers 302 with the address of NAME (the redirect benchmark).
  server { listen 127.0.0.1:$port; root $root; location /moved/ { rewrite ^/moved/(.*)\$ /\$1 redirect; } }
}
CONF
  "$nginx" -e "$scratch/error.log" -c "$scratch/nginx.conf" -p "$scratch" &
  NGINX_PID=$!
  NGINX_URL="http://127.0.0.1:$port"
  for _ in $(seq 100); do
    curl -s -o /dev/null "$NGINX_URL/" && return 0
    sleep 0.05
  done
  echo "nginx did not answer on $NGINX_URL" >&2
  return 1
}

stop_nginx() {
  if [ -n "${NGINX_PID:-}" ]; then
    kill "$NGINX_PID" 2>/dev/null || true
    wait "$NGINX_PID" 2>/dev/null || true
    NGINX_PID=""
  fi
}
