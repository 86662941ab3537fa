#!/usr/bin/env bash
# A Build in the real main window under Wine: COUNT addresses (default 200)
# from a local web server that answers each request after DELAY_MS (default
# 100). Prints the wall time from the click to the clipboard for 8 fetches at
# once and for one at a time against their ideal times, and the longest time
# the window took to answer a message during each Build.
#
#   bench/Main/window_build.sh [BENCH-BUILD-DIR] [WINDOWS-BUILD-DIR]
#        (defaults build/bench, for the server, and build/windows)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
bench_build="$(realpath "${1:-$root/build/bench}")"
windows_build="$(realpath "${2:-$root/build/windows}")"
count="${COUNT:-200}"
delay="${DELAY_MS:-100}"
server="$bench_build/bench/cli/delay_server"
program="$windows_build/bench/Main/window_build_bench.exe"
for f in "$server" "$program"; do
  [ -e "$f" ] || { echo "window_build: $f is missing (make bench builds it)" >&2; exit 1; }
done

# The server in a process of its own, as a web server is, on a free port.
port=""
for candidate in $(shuf -i 20000-60000 -n 50); do
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port="$candidate"; break; fi
done
[ -n "$port" ] || { echo "window_build: no free port found" >&2; exit 1; }
"$server" "$port" "$delay" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 200); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
  sleep 0.05
done
"$root/scripts/with-wineserver" "$root/scripts/with-xvfb" "$root/scripts/wine-gui-run" \
  "$program" "$count" "$delay" "$port" 2> >(grep -v '^X connection\|^XIO\|^ *after [0-9]* requests' >&2)
