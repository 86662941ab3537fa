#!/usr/bin/env bash
# vellumark-cli against the demo site, end to end: nginx serving the demo
# pages in a private network namespace, real sockets on port 80, host names
# from the namespace's hosts file. Every output line (all eight placeholders
# and a date suffix at a fixed date-time) is compared with the expected
# output; a run with one job must give the same bytes as one with eight.
# Exit status 77 (skipped) where no private network namespace can be made.
set -uo pipefail
cli="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
demo="$here/../../scripts/demo/run-demo"
expected="$here/cli_demo_expected.txt"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

options=(-t '#URL# | #HOST# | #PAGE# | #STATUS# | #CONTENTTYPE# | #CHARSET# | #TITLE# | #DESCRIPTION#'
         --now 2007-01-05T09:08:07 --date-format 'yyyy/mm/dd hh:nn' --date-left ' [' -q)

"$demo" "$cli" "${options[@]}" -j 8 >"$work/parallel.txt" 2>"$work/stderr.txt"
status=$?
if [ "$status" -eq 77 ]; then
  cat "$work/stderr.txt"
  exit 77
fi
if [ "$status" -ne 0 ]; then
  echo "the demo run failed with status $status:"
  cat "$work/stderr.txt"
  exit 1
fi
if ! diff -u "$expected" "$work/parallel.txt"; then
  echo "FAIL: the output differs from $expected (above: - expected, + actual)"
  exit 1
fi
"$demo" "$cli" "${options[@]}" -j 1 >"$work/sequential.txt" 2>>"$work/stderr.txt" || exit 1
if ! cmp -s "$work/parallel.txt" "$work/sequential.txt"; then
  echo "FAIL: one job and eight jobs gave different output"
  diff -u "$work/parallel.txt" "$work/sequential.txt"
  exit 1
fi
if [ -s "$work/stderr.txt" ]; then
  echo "FAIL: unexpected text on standard error:"
  cat "$work/stderr.txt"
  exit 1
fi
echo "cli demo end to end: $(grep -c '' "$expected") expected lines matched"
