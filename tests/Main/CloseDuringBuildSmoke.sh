#!/usr/bin/env bash
# Vellumark.exe itself, driven by the keyboard alone: Tab to "Don't ask",
# Space, Tab to the address list, type two addresses of a local server that
# never answers, Shift+Tab back to Build, Enter; then Alt+F4 in the middle of
# the Build. The program must end long before the 15-second time-out of its
# fetches, with its settings written as at rest (Build enabled, "Don't ask"
# checked), and the server must have seen both requests.
# Usage (inside scripts/with-xvfb): CloseDuringBuildSmoke.sh <Vellumark.exe>
set -uo pipefail
exe="$1"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
ini="${exe%.exe}.ini"
rm -f "$ini"
work="$(mktemp -d)"
cleanup() {
  kill "${server:-}" "${program:-}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A server that takes connections and never says a word.
python3 -c '
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(16)
print(s.getsockname()[1], flush=True)
held = []
while True:
    held.append(s.accept()[0])
    print("request", flush=True)
' >"$work/server.log" &
server=$!
port=""
for _ in $(seq 40); do
  port="$(head -1 "$work/server.log")"
  [ -n "$port" ] && break
  sleep 0.1
done

"$root/scripts/wine-gui-run" "$exe" &
program=$!
window=""
for _ in $(seq 80); do
  window="$(xdotool search --name ' - MainForm$' 2>/dev/null | head -1)"
  [ -n "$window" ] && break
  sleep 0.25
done
if [ -z "$window" ]; then
  echo "close smoke: the main window did not appear" >&2
  exit 1
fi
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || true
key() {
  xdotool key --window "$window" "$@"
  sleep 0.2
}
# Tab order from no focus: the tab row, Build, format 1, "Don't ask",
# "Don't paste", the address list.
key Tab Tab Tab Tab
key space
key Tab Tab ctrl+a
xdotool type --window "$window" "http://127.0.0.1:$port/a"
key Return
xdotool type --window "$window" "http://127.0.0.1:$port/b"
key shift+Tab shift+Tab shift+Tab shift+Tab
key Return
for _ in $(seq 50); do
  [ "$(grep -c request "$work/server.log")" -ge 2 ] && break
  sleep 0.1
done
requests="$(grep -c request "$work/server.log")"

start="$(date +%s)"
key alt+F4
status=""
for _ in $(seq 100); do
  if ! kill -0 "$program" 2>/dev/null; then
    wait "$program"
    status=$?
    break
  fi
  sleep 0.1
done
took=$(($(date +%s) - start))
if [ -z "$status" ]; then
  echo "close smoke: the program did not end within 10 s of Alt+F4 during a Build" >&2
  exit 1
fi
failed=0
[ "$status" -eq 0 ] || { echo "close smoke: the program ended with status $status" >&2; failed=1; }
[ "$requests" -eq 2 ] || { echo "close smoke: the server saw $requests requests, not 2" >&2; failed=1; }
settings="$(iconv -f UTF-16 -t UTF-8 "$ini" 2>/dev/null | tr -d '\r')"
section() { printf '%s\n' "$settings" | sed -n "/^\[MainForm\.$1\]/,/^\[/p"; }
section BtnBuild | grep -qx 'Enabled=1' || { echo "close smoke: Build not saved as enabled" >&2; failed=1; }
section ChkNotask | grep -qx 'Checked=1' || { echo "close smoke: Space did not check \"Don't ask\"" >&2; failed=1; }
[ "$failed" -eq 0 ] && echo "close smoke: Build started from the keyboard, closed in the middle, ended after ${took} s"
exit "$failed"
