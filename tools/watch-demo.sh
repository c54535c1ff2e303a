#!/usr/bin/env bash
# The main job: watch a real window of another process (Wine's notepad) while a
# scripted driver shows, moves, sizes, drags, hides and closes it. Called by
# `./run.sh watch` with DISPLAY, WINE and the build's bin folder set up.
# Extra arguments go to zarvowatch (for example --json).
set -euo pipefail
BIN=${BIN:?}
cd "$BIN"
LOG=$(mktemp)
trap 'rm -f "$LOG"' EXIT

drive() { timeout 30 "$WINE" zarvodrive.exe Notepad "$@"; }
step() { printf '\n--- %s\n' "$*" >&2; sleep 0.7; }
drag() {  # drag from (x1,y1) to (x2,y2) in small steps with the left button
  xdotool mousemove "$1" "$2" mousedown 1
  for i in 1 2 3 4 5 6; do
    xdotool mousemove $(( $1 + ($3 - $1) * i / 6 )) $(( $2 + ($4 - $2) * i / 6 )); sleep 0.05
  done
  xdotool mouseup 1
}

echo "Starting zarvowatch; it starts Wine's notepad and prints what the hook reports." >&2
timeout 120 "$WINE" zarvowatch.exe --duration 60 --exec notepad.exe "$@" >"$LOG" 2>&1 &
WATCH=$!
tail -n +1 -f --pid="$WATCH" "$LOG" &

read -r left top right bottom < <(drive find | tr -d '\r')
step "move and size notepad"
drive move 40 30; sleep 0.3
drive size 640 420; sleep 0.3
read -r left top right bottom < <(drive find | tr -d '\r')
step "drag notepad by its title bar (an interactive move loop)"
drag $((left + 120)) $((top + 10)) $((left + 260)) $((top + 110))
read -r left top right bottom < <(drive find | tr -d '\r')
step "drag notepad's lower right corner (an interactive size loop)"
drag $((right - 3)) $((bottom - 3)) $((right + 80)) $((bottom + 60))
step "hide and show notepad"
drive hide; sleep 0.5
drive show; sleep 0.5
for command in maximize minimize restore; do
  step "zarvowatch --command $command --title \"Untitled - Notepad\""
  timeout 30 "$WINE" zarvowatch.exe --command "$command" --title "Untitled - Notepad" >&2 || true
done
step "zarvowatch --capture notepad.bmp --title \"Untitled - Notepad\""
timeout 30 "$WINE" zarvowatch.exe --capture "notepad.bmp" --title "Untitled - Notepad" >&2 || true
step "zarvowatch --command close --title \"Untitled - Notepad\""
timeout 30 "$WINE" zarvowatch.exe --command close --title "Untitled - Notepad" >&2 || true
sleep 1.5

# Stop the watch tool as Ctrl+C would; it unregisters the hook and says so.
kill -INT "$WATCH" 2>/dev/null || true
wait "$WATCH" 2>/dev/null || true
sleep 0.3

echo >&2
echo "Summary of what zarvowatch saw:" >&2
missing=0
for event in WindowPosChanged Destroyed EnterSizeMove Moving ExitSizeMove; do
  count=$(grep -c "$event" "$LOG" || true)
  printf '  %-17s %s\n' "$event" "$count" >&2
  [ "$count" -gt 0 ] || missing=1
done
[ -f notepad.bmp ] && echo "A picture of notepad is in $BIN/notepad.bmp." >&2
if [ "$missing" -eq 0 ]; then
  echo "All five notification kinds arrived." >&2
else
  echo "Some notification kinds did not arrive." >&2; exit 1
fi
