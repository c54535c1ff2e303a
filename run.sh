#!/usr/bin/env bash
# One entry point for the project on a Debian 12 machine (run as root):
usage() {
  cat <<'EOF'
usage: ./run.sh [MODE [ARGS]]   (MODE defaults to test)
  test [REGEX]   build everything and run every test (or those whose CTest
                 name matches REGEX) under Wine through ctest
  watch [ARGS]   build everything and watch a real window of another process
  bench [NAME]   build everything and run the benchmarks (bench hook: only hook_bench)
  build          build everything, nothing else
  package        build everything and make the ZIP (cpack) in BUILD_DIR
  shell          start the display and Wine (or join those of a run.sh that
                 already runs on this build), then open a shell with them
  help           this text
BUILD_DIR (default ./build) holds the build, the Wine prefix and the logs.
EOF
}
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
MODE=${1:-test}; shift || true
case "$MODE" in
  test|watch|bench|build|package|shell) ;;
  help|-h|--help) usage; exit 0 ;;
  *) usage >&2; exit 2 ;;
esac

BUILD_DIR=${BUILD_DIR:-$ROOT/build}
BIN=$BUILD_DIR/bin
PACKAGES=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 wine
          xvfb xdotool libboost-dev googletest vsftpd clang-format git clang
          nlohmann-json3-dev python3-websockets)
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

# Two runs on one build take turns to build it.
build() {
  [ -n "${ZARVO_RUN_SH_NO_BUILD:-}" ] && [ -e "$BUILD_DIR/CMakeCache.txt" ] && return
  log "building in $BUILD_DIR"
  mkdir -p "$BUILD_DIR"
  (
    flock -w 3600 9 || { log "another run.sh has been building $BUILD_DIR for an hour"; exit 1; }
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
          -DCMAKE_BUILD_TYPE=Release >"$BUILD_DIR.cmake.log" 2>&1 || { cat "$BUILD_DIR.cmake.log"; exit 1; }
    timeout 3000 cmake --build "$BUILD_DIR" -j 2 -- --no-print-directory -s
  ) 9>"$BUILD_DIR/build.lock"
}

# shellcheck source=tools/wine-platform.sh
. "$ROOT/tools/wine-platform.sh"

count() { sed -n "s/.*[[:space:]]$1=\"\([0-9]*\)\".*/\1/p" <<<"$2" | grep . || echo 0; }

# The names of the failed cases in a JUnit report whose program printed
# nothing at all: it never reached its own main.
unstarted_failures() {
  [ -s "$1" ] || return 0
  awk '/<testcase /{ name = ""; if ($0 ~ /status="fail"/) { sub(/.*<testcase name="/, ""); sub(/".*/, ""); name = $0 } }
       /<system-out><\/system-out>/ { if (name != "") print name }
       /<\/testcase>/ { name = "" }' "$1"
}

# ctest runs the checks, the FTP server fixture and every test case as its own
# process (see tests/CMakeLists.txt); its JUnit report gives the counts.
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

install_packages
build
case "$MODE" in
  test) start_platform; run_tests "$@" ;;
  watch) start_platform; BIN=$BIN "$ROOT/tools/watch-demo.sh" "$@" ;;
  bench) start_platform; run_benches "$@" ;;
  build) ;;
  package) (cd "$BUILD_DIR" && timeout 600 cpack -G ZIP -B "$BUILD_DIR") ;;
  shell) start_platform; bash ;;
esac
