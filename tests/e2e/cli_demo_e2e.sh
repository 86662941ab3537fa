#!/usr/bin/env bash
# vellumark-cli against the demo site, end to end: nginx serving the demo
# pages in a private network namespace, real sockets on ports 80, 443 and
# 8443 (TLS checked against the demo's own root), host names from the
# namespace's hosts file. Every output line (all eight placeholders and a
# date suffix at a fixed date-time) is compared with the expected output; a
# run with one job must give the same bytes as one with eight; and --json
# gives each address the Error expected for it.
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
"$demo" "$cli" --json -q -j 8 >"$work/json.txt" 2>>"$work/stderr.txt" || exit 1
sed -E 's/^\{"URL":"([^"]*)".*,"Error":"(([^"\\]|\\.)*)"\}$/\1 Error="\2"/' "$work/json.txt" >"$work/errors.txt"
cat >"$work/errors-expected.txt" <<'EXPECTED'
http://utf8.demo.example/ Error=""
http://euc.demo.example/ Error=""
http://euc.demo.example/header-wins.html Error=""
http://sjis.demo.example/ Error=""
http://jis.demo.example/ Error=""
http://plain.demo.example/ Error=""
http://plain.demo.example/multiline.html Error=""
http://plain.demo.example/notitle.html Error=""
http://plain.demo.example/description.html Error=""
http://go.demo.example/old Error=""
http://sjis.demo.example/ Error=""
http://go.demo.example/missing Error=""
http://go.demo.example/loop Error=""
http://today.demo.example/ Error=""
http://today.demo.example/members Error=""
http://today.demo.example/check Error="the site answered with a bot check instead of the page (header \"cf-mitigated: challenge\")"
http://intranet.office.example/ Error=""
http://nowhere.demo.example/ Error="[nowhere.demo.example] IS INVALID ADDRSS."
https://secure.demo.example/ Error=""
https://secure.demo.example/ Error=""
https://secure.demo.example:8443/old Error=""
https://untrusted.demo.example/ Error="[untrusted.demo.example] certificate is not trusted"
EXPECTED
if ! diff -u "$work/errors-expected.txt" "$work/errors.txt"; then
  echo "FAIL: --json gave other Error fields (above: - expected, + actual)"
  exit 1
fi
if [ -s "$work/stderr.txt" ]; then
  echo "FAIL: unexpected text on standard error:"
  cat "$work/stderr.txt"
  exit 1
fi
echo "cli demo end to end: $(grep -c '' "$expected") expected lines matched"
