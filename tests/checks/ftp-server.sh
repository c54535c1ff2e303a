#!/usr/bin/env bash
# The FTP tests' server, a CTest fixture (see tests/CMakeLists.txt):
#   ftp-server.sh start DIR   an anonymous vsftpd on a free loopback port, its
#                             throw-away root in DIR/root ("upload" writable);
#                             writes DIR/server.env for the test emulator
#   ftp-server.sh stop DIR    stops the server that start left running
set -euo pipefail
mode=${1:?start or stop} dir=${2:?folder}
env_file=$dir/server.env pid_file=$dir/vsftpd.pid

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

write_config() {
  local port=$1
  cat >"$dir/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_root=$dir/root
local_enable=NO
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_umask=022
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port=$((port + 1))
pasv_max_port=$((port + 20))
secure_chroot_dir=$dir/empty
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
xferlog_enable=NO
idle_session_timeout=60
data_connection_timeout=60
CONF
}

stop() {
  if [ -s "$pid_file" ]; then kill "$(cat "$pid_file")" 2>/dev/null || true; fi
  rm -f "$pid_file" "$env_file"
}

start() {
  command -v vsftpd >/dev/null || { echo "vsftpd is not installed (run.sh installs it)" >&2; exit 1; }
  stop
  rm -rf "$dir"; mkdir -p "$dir/root/upload" "$dir/empty"
  chown ftp "$dir/root/upload" 2>/dev/null || chmod 777 "$dir/root/upload"
  chmod 755 "$dir/root" "$dir/empty"
  local port
  # Another run on this machine may hold a port: take the first free one.
  for port in 47021 47121 47221 47321 47421 47521; do
    port_in_use "$port" && continue
    write_config "$port"
    # The server outlives this script (CTest's cleanup step stops it), at
    # most for an hour.
    setsid timeout 3600 vsftpd "$dir/vsftpd.conf" >"$dir/vsftpd.log" 2>&1 </dev/null &
    echo $! >"$pid_file"
    for _ in $(seq 1 50); do
      kill -0 "$(cat "$pid_file")" 2>/dev/null || break
      if port_in_use "$port"; then
        cat >"$env_file" <<ENV
export ZARVO_FTP_PORT=$port ZARVO_FTP_USER=anonymous ZARVO_FTP_PASSWORD=zarvo@example.com
export ZARVO_FTP_ROOT=$dir/root
ENV
        echo "FTP server on 127.0.0.1:$port, root $dir/root"
        return
      fi
      sleep 0.1
    done
    stop
  done
  echo "the FTP server did not start:" >&2
  cat "$dir/vsftpd.log" >&2 || true
  exit 1
}

"$mode"
