#!/usr/bin/env bash
# Wall time of vellumark-cli fetching 1,000 addresses from a local server
# that answers each request after 50 ms: with 1, 8 and 32 jobs, and a
# sequential curl loop over the same pages, in one run. The server listens
# on port 80 (where the product always connects) inside a private network
# namespace, like the demo site.
#
#   bench/cli/parallel_fetch.sh [BUILD-DIR]     (default build/bench)
#
# Environment: COUNT (addresses, default 1000), DELAY_MS (default 50).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

if [ "${1:-}" = "--inside" ]; then
  shift
  build="$1"
  work="$2"
  "$build/bench/cli/delay_server" 80 "$DELAY_MS" &
  server=$!
  trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
  for _ in $(seq 200); do
    if (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null; then break; fi
    sleep 0.05
  done
  cli="$build/src/cli/vellumark-cli"
  seconds() { date +%s.%N; }
  measure() {  # NAME COMMAND...: prints NAME and the start and end times
    local name="$1" start end
    shift
    start="$(seconds)"
    "$@" >"$work/$name.out"
    end="$(seconds)"
    echo "$name $start $end"
  }
  curl_loop() {
    while read -r url; do curl -s -o /dev/null "$url"; done <"$work/addresses.txt"
  }
  measure j1 "$cli" -q -n -j 1 "$work/addresses.txt"
  measure j8 "$cli" -q -n -j 8 "$work/addresses.txt"
  measure j32 "$cli" -q -n -j 32 "$work/addresses.txt"
  measure curl curl_loop
  for run in j1 j8 j32; do
    lines="$(grep -c 'takes its time' "$work/$run.out" || true)"
    if [ "$lines" -ne "$COUNT" ]; then
      echo "CHECK FAILED: $run gave $lines fetched lines of $COUNT" >&2
    fi
  done
  exit 0
fi

build="$(realpath "${1:-$root/build/bench}")"
export COUNT="${COUNT:-1000}" DELAY_MS="${DELAY_MS:-50}"
for f in "$build/src/cli/vellumark-cli" "$build/bench/cli/delay_server"; do
  [ -x "$f" ] || { echo "parallel_fetch: $f is missing (cmake --build --preset bench)" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for i in $(seq "$COUNT"); do echo "http://bench.example/page$i.html"; done >"$work/addresses.txt"
printf '127.0.0.1\tlocalhost bench.example\n' >"$work/hosts"

echo "== vellumark-cli parallel fetch: $COUNT addresses, server pause ${DELAY_MS} ms"
status=0
"$root/scripts/demo/private-net" "$work/hosts" "$0" --inside "$build" "$work" >"$work/times.txt" || status=$?
if [ "$status" -eq 77 ]; then
  echo "parallel_fetch: skipped (no private network namespace; see above)"
  exit 0
fi
[ "$status" -eq 0 ] || exit "$status"
awk -v count="$COUNT" -v delay="$DELAY_MS" '
  { t[$1] = $3 - $2 }
  END {
    printf "%-22s %9s %11s %13s\n", "run", "wall (s)", "ideal (s)", "wall / ideal"
    n["j1"] = 1; n["j8"] = 8; n["j32"] = 32
    split("j1 j8 j32", order, " ")
    for (k = 1; k <= 3; ++k) {
      r = order[k]; ideal = count * delay / 1000 / n[r]
      printf "vellumark-cli -j%-5d %9.2f %11.2f %13.2f\n", n[r], t[r], ideal, t[r] / ideal
    }
    printf "%-22s %9.2f %11.2f %13.2f\n", "curl loop (sequential)", t["curl"], count * delay / 1000, t["curl"] / (count * delay / 1000)
    printf "speed-up over -j1: -j8 %.1fx, -j32 %.1fx; -j1 / curl loop %.2f\n", t["j1"] / t["j8"], t["j1"] / t["j32"], t["j1"] / t["curl"]
  }' "$work/times.txt"
