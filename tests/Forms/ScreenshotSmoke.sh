#!/usr/bin/env bash
# Starts Vellumark.exe under Wine without a settings file, takes screenshots
# of its BUILD and CONFIG pages, closes it with Alt+F4 and checks that it
# ended normally and wrote its settings file (48 sections).
# Usage (inside scripts/with-xvfb): ScreenshotSmoke.sh <Vellumark.exe> <screenshot folder>
set -uo pipefail
exe="$1"
shots="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/gui-window.sh"
mkdir -p "$shots"
ini="${exe%.exe}.ini"
rm -f "$ini" "$shots/build.png" "$shots/config.png"

"$root/scripts/wine-gui-run" "$exe" &
program=$!
window="$(wait_for_window 'Vellumark Ver\.0\.6\.9\.19 - MainForm')"
if [ -z "$window" ]; then
  echo "smoke: the main window did not appear" >&2
  kill "$program" 2>/dev/null
  exit 1
fi
sleep 1
import -window root "$shots/build.png"

# The CONFIG tab: second 80-pixel tab button, beside BUILD.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 123)) $((Y + 16)) click 1
sleep 1
import -window root "$shots/config.png"

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" alt+F4
wait_for_exit "$program" 15
status=$?
if [ "$status" -eq 124 ]; then
  echo "smoke: the program did not end after Alt+F4" >&2
  kill "$program" 2>/dev/null
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "smoke: the program ended with status $status" >&2
  exit 1
fi
if [ ! -f "$ini" ]; then
  echo "smoke: no settings file $ini after closing" >&2
  exit 1
fi
sections="$(iconv -f UTF-16 -t UTF-8 "$ini" | grep -c '^\[MainForm\.')"
if [ "$sections" -ne 48 ]; then
  echo "smoke: the settings file has $sections sections, not 48" >&2
  exit 1
fi
echo "smoke: screenshots in $shots, settings file with $sections sections"
