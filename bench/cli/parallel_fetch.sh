#!/usr/bin/env bash
# Wall time of vellumark-cli fetching 1,000 addresses from a local server
# that answers each request after 50 ms: with 1, 8 and 32 jobs, and a
# sequential curl loop over the same pages, in one run; then the same 1,000
# pages over HTTPS with 32 jobs against plain http with 32 jobs, with the
# program's CPU time per TLS handshake; and the plain pages with 32 jobs
# through a proxy (tinyproxy) against the same run direct. The servers listen
# on ports 80 and 443 inside a private network namespace, like the demo
# site; the HTTPS server's certificate comes from a test root trusted only
# there.
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
  "$build/bench/cli/delay_server" 443 "$DELAY_MS" "$work/certs/good.pem" "$work/certs/good.key" &
  tls_server=$!
  tinyproxy -d -c "$work/tinyproxy.conf" >"$work/tinyproxy.log" 2>&1 &
  proxy=$!
  trap 'kill "$server" "$tls_server" "$proxy" 2>/dev/null; wait "$server" "$tls_server" "$proxy" 2>/dev/null || true' EXIT
  export SSL_CERT_FILE="$work/certs/bundle.pem"
  # Direct unless a run names the proxy itself.
  unset http_proxy https_proxy HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
  for port in 80 443 3128; do
    for _ in $(seq 200); do
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
      sleep 0.05
    done
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
  cpu_measure() {  # NAME COMMAND...: prints NAME, wall, user and system seconds
    local name="$1" TIMEFORMAT
    shift
    TIMEFORMAT="$name %R %U %S"
    { time "$@" >"$work/$name.out"; } 2>&1
  }
  curl_loop() {
    while read -r url; do curl -s -o /dev/null "$url"; done <"$work/addresses.txt"
  }
  measure j1 "$cli" -q -n -j 1 "$work/addresses.txt"
  measure j8 "$cli" -q -n -j 8 "$work/addresses.txt"
  measure j32 "$cli" -q -n -j 32 "$work/addresses.txt"
  measure curl curl_loop
  cpu_measure plain32 "$cli" -q -n -j 32 "$work/addresses.txt"
  cpu_measure https32 "$cli" -q -n -j 32 "$work/secure-addresses.txt"
  cpu_measure proxy32 "$cli" -q -n -j 32 --proxy 127.0.0.1:3128 "$work/addresses.txt"
  for run in j1 j8 j32 plain32 https32 proxy32; do
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
sed 's|^http:|https:|' "$work/addresses.txt" >"$work/secure-addresses.txt"
"$root/tests/support/make-test-certs" "$work/certs" bench.example
printf '127.0.0.1\tlocalhost bench.example\n' >"$work/hosts"
printf 'Port 3128\nListen 127.0.0.1\nMaxClients 100\nAllow 127.0.0.1\nLogLevel Warning\n' >"$work/tinyproxy.conf"

echo "== vellumark-cli parallel fetch: $COUNT addresses, server pause ${DELAY_MS} ms"
status=0
"$root/scripts/demo/private-net" "$work/hosts" "$0" --inside "$build" "$work" >"$work/times.txt" || status=$?
if [ "$status" -eq 77 ]; then
  echo "parallel_fetch: skipped (no private network namespace; see above)"
  exit 0
fi
[ "$status" -eq 0 ] || exit "$status"
awk -v count="$COUNT" -v delay="$DELAY_MS" '
  NF == 3 { t[$1] = $3 - $2 }
  NF == 4 { t[$1] = $2; cpu[$1] = $3 + $4 }
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
    ideal = count * delay / 1000 / 32
    printf "%-22s %9.2f %11.2f %13.2f   CPU %.2f s\n", "http  -j32 (timed)", t["plain32"], ideal, t["plain32"] / ideal, cpu["plain32"]
    printf "%-22s %9.2f %11.2f %13.2f   CPU %.2f s\n", "https -j32", t["https32"], ideal, t["https32"] / ideal, cpu["https32"]
    printf "https / http wall time %.2f; CPU per TLS handshake (https - http) / %d: %.2f ms\n", t["https32"] / t["plain32"], count, (cpu["https32"] - cpu["plain32"]) * 1000 / count
    printf "%-22s %9.2f %11.2f %13.2f   CPU %.2f s\n", "proxy -j32 (tinyproxy)", t["proxy32"], ideal, t["proxy32"] / ideal, cpu["proxy32"]
    printf "through the proxy / direct wall time %.2f\n", t["proxy32"] / t["plain32"]
  }' "$work/times.txt"
