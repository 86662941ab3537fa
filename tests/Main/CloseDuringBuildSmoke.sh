#!/usr/bin/env bash
# Vellumark.exe driven by the keyboard alone: Tab to "Don't ask", Space, Tab
# to the address list, two addresses of a local server that never answers,
# Shift+Tab back to Build, Enter; then Alt+F4 in the middle of the Build. The
# program must end long before its fetches' 15-second time-out, with its
# settings as at rest, after the server saw both requests.
# Usage (inside scripts/with-xvfb): CloseDuringBuildSmoke.sh <Vellumark.exe>
set -uo pipefail
exe="$1"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/gui-window.sh"
ini="${exe%.exe}.ini"
log="$(mktemp)"
trap 'kill $server $program 2>/dev/null; rm -f "$log"' EXIT
rm -f "$ini"
python3 -c '
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(16)
print(s.getsockname()[1], flush=True)
held = []
while True: held.append(s.accept()[0]); print("request", flush=True)
' >"$log" &
server=$!
"$root/scripts/wine-gui-run" "$exe" &
program=$!
fail() { echo "close smoke: $*" >&2; exit 1; }
window="$(wait_for_window ' - MainForm$')"
[ -n "$window" ] || fail "the main window did not appear"
sleep 1
port="$(head -1 "$log")"
xdotool windowfocus --sync "$window" 2>/dev/null || true
key() { xdotool key --window "$window" "$@"; sleep 0.2; }
# From no focus: the tab row, Build, format 1, "Don't ask"; then "Don't
# paste" and the address list.
key Tab Tab Tab Tab space Tab Tab ctrl+a
xdotool type --window "$window" "http://127.0.0.1:$port/a"
key Return
xdotool type --window "$window" "http://127.0.0.1:$port/b"
key shift+Tab shift+Tab shift+Tab shift+Tab Return
for _ in $(seq 50); do [ "$(grep -c request "$log")" -ge 2 ] && break; sleep 0.1; done
[ "$(grep -c request "$log")" -eq 2 ] || fail "the server saw $(grep -c request "$log") requests, not 2"

key alt+F4
wait_for_exit "$program" 10
status=$?
[ "$status" -eq 124 ] && fail "the program did not end within 10 s of Alt+F4 during a Build"
[ "$status" -eq 0 ] || fail "the program ended with status $status"
settings="$(iconv -f UTF-16 -t UTF-8 "$ini" 2>/dev/null | tr -d '\r')"
section() { printf '%s\n' "$settings" | sed -n "/^\[MainForm\.$1\]/,/^\[/p"; }
section BtnBuild | grep -qx 'Enabled=1' || fail "Build was not saved as enabled"
section ChkNotask | grep -qx 'Checked=1' || fail "Space did not check \"Don't ask\""
echo "close smoke: a Build started from the keyboard and closed in the middle ended at once"
