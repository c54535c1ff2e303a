#!/usr/bin/env bash
# One entry point for the project on a Debian 12 machine (run as root):
#   ./run.sh watch   build everything and watch a real window of another process
#   ./run.sh test [REGEX]  build everything and run every test (or those whose
#                          CTest name matches REGEX) under Wine through ctest
#   ./run.sh build   build everything, nothing else
#   ./run.sh package build everything and make the ZIP (cpack) in BUILD_DIR
#   ./run.sh bench [NAME]  build everything and run the benchmarks (bench hook: only hook_bench)
#   ./run.sh shell   start the display and Wine, then open a shell with them
# BUILD_DIR (default ./build) holds the build, the Wine prefix and the logs.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
BIN=$BUILD_DIR/bin
PACKAGES=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 wine
          xvfb xdotool libboost-dev googletest vsftpd clang-format git clang)
TEST_TIMEOUT=${TEST_TIMEOUT:-180}    # one test case, in seconds
SUITE_TIMEOUT=${SUITE_TIMEOUT:-1800}  # the whole ctest run

log() { printf '[run.sh] %s\n' "$*" >&2; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  log "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  timeout 900 apt-get update -qq
  timeout 1800 apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build() {
  log "building in $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >"$BUILD_DIR.cmake.log" 2>&1 || { cat "$BUILD_DIR.cmake.log"; exit 1; }
  timeout 3000 cmake --build "$BUILD_DIR" -j 2 -- --no-print-directory -s
}

# --- the virtual display and one Wine server for the whole run --------------
XVFB_PID="" DESKTOP_PID=""
start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
      kill -0 "$XVFB_PID" 2>/dev/null || break
      if [ -e "/tmp/.X11-unix/X$n" ]; then export DISPLAY=":$n"; return; fi
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  log "no display could be started"; exit 1
}

start_wine() {
  export WINEPREFIX=$BUILD_DIR/wineprefix WINEDEBUG=-all WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINELOADER=/usr/lib/wine/wine64 WINE=/usr/lib/wine/wine64
  mkdir -p "$WINEPREFIX"
  wineserver -p
  if [ ! -e "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix"
    timeout 300 "$WINE" wineboot -i >/dev/null 2>&1 || true
  fi
  # Xvfb has no window manager; stop Wine from waiting for one.
  timeout 60 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  # A crashing program just ends: no debugger is started to hold it.
  timeout 60 "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
    >/dev/null 2>&1 || true
  # The desktop's process would otherwise start with every program that opens a
  # window and end after it (a second or more each time, with every test case a
  # process of its own); keep it for the whole run.
  timeout 10800 "$WINE" explorer.exe /desktop >/dev/null 2>&1 &
  DESKTOP_PID=$!
}

stop_all() {
  stop_test_services || true
  [ -n "$DESKTOP_PID" ] && kill "$DESKTOP_PID" 2>/dev/null || true
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

start_platform() {
  trap stop_all EXIT
  start_display
  start_wine
}

# Services that tests talk to (started before, stopped after the tests).
# An anonymous FTP server on loopback with a throw-away root whose "upload"
# folder is writable; the FTP tests find it through ZARVO_FTP_*.
FTP_PID=""
port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
write_ftp_config() {
  local dir=$1 port=$2
  cat >"$dir/vsftpd.conf" <<EOF
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
EOF
}
start_test_services() {
  local dir=$BUILD_DIR/ftp port
  rm -rf "$dir"; mkdir -p "$dir/root/upload" "$dir/empty"
  chown ftp "$dir/root/upload"; chmod 755 "$dir/root" "$dir/empty"
  # Another run on this machine may hold a port: take the first free one.
  for port in 47021 47121 47221 47321 47421; do
    port_in_use "$port" && continue
    write_ftp_config "$dir" "$port"
    timeout 3600 vsftpd "$dir/vsftpd.conf" >"$dir/vsftpd.log" 2>&1 &
    FTP_PID=$!
    for _ in $(seq 1 50); do
      kill -0 "$FTP_PID" 2>/dev/null || break
      if port_in_use "$port"; then
        export ZARVO_FTP_PORT=$port ZARVO_FTP_USER=anonymous ZARVO_FTP_PASSWORD=zarvo@example.com
        export ZARVO_FTP_ROOT=$dir/root
        return
      fi
      sleep 0.1
    done
    kill "$FTP_PID" 2>/dev/null || true
    FTP_PID=""
  done
  log "the FTP server did not start; the FTP tests will be skipped"
  cat "$dir/vsftpd.log" >&2 || true
}
stop_test_services() {
  if [ -n "$FTP_PID" ]; then kill "$FTP_PID" 2>/dev/null || true; wait "$FTP_PID" 2>/dev/null || true; fi
  FTP_PID=""
}

count() { sed -n "s/.*[[:space:]]$1=\"\([0-9]*\)\".*/\1/p" <<<"$2" | grep . || echo 0; }

# The names of the failed cases in a JUnit report whose program printed
# nothing at all: it never reached its own main.
unstarted_failures() {
  [ -s "$1" ] || return 0
  awk '/<testcase /{ name = ""; if ($0 ~ /status="fail"/) { sub(/.*<testcase name="/, ""); sub(/".*/, ""); name = $0 } }
       /<system-out><\/system-out>/ { if (name != "") print name }
       /<\/testcase>/ { name = "" }' "$1"
}

# ctest runs every test case as its own process (see tests/CMakeLists.txt) in
# the environment set up above; its JUnit report gives the counts.
run_tests() {
  local filter=${1:-} logs=$BUILD_DIR/logs rc=0
  local junit=$logs/ctest-junit.xml
  mkdir -p "$logs"; rm -f "$junit"
  local args=(--test-dir "$BUILD_DIR" --timeout "$TEST_TIMEOUT" --output-on-failure
              --output-junit "$junit" --no-tests=error)
  [ -n "$filter" ] && args+=(-R "$filter")
  timeout -k 10 "$SUITE_TIMEOUT" ctest "${args[@]}" 2>&1 | tee "$logs/ctest.log" || rc=$?
  local total=0 failed=0 skipped=0
  if [ -s "$junit" ]; then
    local head; head=$(tr '\n' ' ' <"$junit" | grep -m1 -o '<testsuite [^>]*>' || true)
    total=$(count tests "$head"); failed=$(count failures "$head")
    skipped=$(( $(count skipped "$head") + $(count disabled "$head") ))
  fi
  # Now and then Wine ends a test program before it has run a line of its own
  # (no output at all, in no time); such a case is run once more. A case that
  # failed after it had started is never run again.
  local unstarted; unstarted=$(unstarted_failures "$junit")
  if [ -n "$unstarted" ] && [ "$failed" -gt 0 ]; then
    log "run again, as their programs never started: $(tr '\n' ' ' <<<"$unstarted")"
    local again=$logs/ctest-junit-again.xml names
    names=$(sed 's/[][\.*^$()+?{}|]/\\&/g' <<<"$unstarted" | paste -sd'|')
    timeout -k 10 "$SUITE_TIMEOUT" ctest --test-dir "$BUILD_DIR" --timeout "$TEST_TIMEOUT" \
      --output-on-failure --output-junit "$again" -R "^(${names})\$" 2>&1 | tee -a "$logs/ctest.log" || true
    if [ -s "$again" ]; then
      local head2; head2=$(tr '\n' ' ' <"$again" | grep -m1 -o '<testsuite [^>]*>' || true)
      local recovered=$(( $(count tests "$head2") - $(count failures "$head2") ))
      failed=$((failed - recovered))
      [ "$failed" -eq 0 ] && rc=0
    fi
  fi
  # A run that ended badly without naming a failure (no report, time-out, a
  # broken test list) still fails.
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
    log "ctest ended with $rc"; failed=1
  fi
  [ "$skipped" -gt 0 ] && log "$skipped skipped"
  echo "$((total - failed - skipped)) passed, ${failed} failed"
  [ "$failed" -eq 0 ]
}

# Figures depend on the machine: say which one they came from.
run_benches() {
  local filter=${1:-}
  echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(nproc) cores;" \
       "Debian $(cat /etc/debian_version); $("$WINE" --version); display Xvfb"
  for b in "$BIN"/*_bench.exe; do
    [ -n "$filter" ] && [[ "$(basename "$b")" != *"$filter"* ]] && continue
    (cd "$BIN" && timeout 600 "$WINE" "$b") || log "$(basename "$b") failed"
  done
}

# Every C/C++ file of the project follows the checked-in .clang-format.
check_format() {
  local files bad
  mapfile -t files < <(cd "$ROOT" && git ls-files -- 'hook/*.[ch]' 'hook/*.cpp' 'library/*.h' 'library/*.cpp' \
                        'tools/*.h' 'tools/*.cpp' 'tests/*.h' 'tests/*.c' 'tests/*.cpp' 'bench/*.h' 'bench/*.cpp')
  [ ${#files[@]} -eq 0 ] && return
  if ! bad=$(cd "$ROOT" && clang-format --dry-run --Werror "${files[@]}" 2>&1); then
    log "these files do not follow .clang-format (run clang-format -i on them):"
    printf '%s\n' "$bad" | grep -E '^[^ ].*: (error|warning):' | sed 's/:[0-9]*:[0-9]*:.*//' | sort -u >&2
    return 1
  fi
}

check_imports() {
  local dll=$BIN/zarvowindow1589x64.dll bad
  bad=$(x86_64-w64-mingw32-objdump -p "$dll" | grep 'DLL Name' | grep -v -E 'USER32|KERNEL32|api-ms-win-crt|msvcrt' || true)
  if [ -n "$bad" ]; then log "the hook DLL imports more than it needs:"; echo "$bad"; return 1; fi
}

main() {
  local cmd=${1:-test}; shift || true
  install_packages
  build
  case "$cmd" in
    test)
      local style=0
      check_format || style=$?
      check_imports; start_platform; start_test_services; run_tests "$@"
      [ "$style" -eq 0 ] || { log "the tests passed, but the house style does not"; exit 1; } ;;
    watch) start_platform; BIN=$BIN "$ROOT/tools/watch-demo.sh" "$@" ;;
    bench) start_platform; run_benches "$@" ;;
    build) ;;
    package) (cd "$BUILD_DIR" && timeout 600 cpack -G ZIP -B "$BUILD_DIR") ;;
    shell) start_platform; bash ;;
    *) echo "usage: $0 test|watch|bench|build|package|shell" >&2; exit 2 ;;
  esac
}
main "$@"
